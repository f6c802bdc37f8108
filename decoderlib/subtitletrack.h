// One subtitle stream of a program stream: its subpicture units, read out of private stream 1 and
// decoded by libavcodec's dvdsub decoder, each with its picture and the time it is on screen.
#pragma once

#include "decoderlib/avhandles.h"
#include "dvd/subpicturestream.h"

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace decoderlib {

class ReadWindow;
class VideoFile;

// A decoded subpicture unit. Times are 90 kHz ticks on the track's clock: the stream's own, as its
// PTS, or the timeline the track maps them onto.
struct SubtitleUnit {
    static constexpr std::int64_t kOpenEnd = std::numeric_limits<std::int64_t>::max();

    std::int64_t position = 0;  // the pack that holds the unit's first packet
    std::int64_t pts = 0;  // from the PES header of that packet, as the stream has it
    std::int64_t start = 0;  // on screen from here (the PTS plus the unit's start delay) ...
    std::int64_t end = kOpenEnd;  // ... until here: its stop, the next unit's start, or kOpenEnd
    bool forced = false;  // shown even where the viewer chose no subtitles
    int x = 0;  // the picture's rectangle on the video's frame
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;  // width x height, row after row, into `colours`
    std::array<std::uint32_t, 4> colours{};  // 0xAARRGGBB, alpha 0 for transparent

    bool OnScreenAt(std::int64_t time) const { return start <= time && time < end; }
};

// How far before a seek's position the unit on screen there is looked for, though it began earlier.
// A unit may be muxed up to a second or so ahead of its PTS and subtitle lines show for a few
// seconds; 15 s at the DVD's highest rate (10.08 Mbit/s, so at least 15 s at any rate) covers both
// with room. A unit shown longer (its stop may lie up to 745 s on) or one without a stop whose next
// unit comes later than that, begun before the look-back, is not found.
inline constexpr std::int64_t kSubtitleLookBackBytes = 15 * 10'080'000 / 8;

// A unit's time on the clock its track keeps, from its PTS and the position of its first pack: the
// PTS restarts at a DVD's cells and wraps in 33 bits, which only the video's timeline knows of.
using SubtitleClock = std::function<std::int64_t(std::int64_t pts, std::int64_t position)>;

using SharedSubtitleUnit = std::shared_ptr<const SubtitleUnit>;

class SubtitleTrack {
public:
    // Substream 0-31 of private stream 1 (its packets' first payload byte 0x20 + it), its colours
    // from `palette` (0x00YYCrCb), its times on `clock` (without one, the PTS as it stands). Reads
    // from the file's start. Throws DecodeError where libavcodec has no dvdsub decoder.
    SubtitleTrack(const VideoFile& file, int substream, const dvd::SubpicturePalette& palette,
                  SubtitleClock clock = {});
    ~SubtitleTrack();
    SubtitleTrack(const SubtitleTrack&) = delete;
    SubtitleTrack& operator=(const SubtitleTrack&) = delete;

    // Starts reading afresh for the picture at `position` shown at `time`, the units read so far
    // dropped: from the last unit begun by then (and the one before it, which a start delay may keep
    // on screen), found pack by pack backwards within kSubtitleLookBackBytes; where packs do not lie
    // on the DVD's 2048-byte grid, from kSubtitleLookBackBytes before `position`.
    void Seek(std::int64_t position, std::int64_t time);
    // Reads on through the packs that begin before `position`. A unit not yet whole there is
    // finished by a later call.
    void ReadTo(std::int64_t position);

    // Units in stream order, damaged ones the decoder refused left out. A unit's picture never changes
    // once read; its end may, until the next unit is read.
    const std::vector<std::shared_ptr<SubtitleUnit>>& Units() const { return units_; }
    // The units on screen at `time`, only forced ones with `forcedOnly`.
    std::vector<SharedSubtitleUnit> OnScreenAt(std::int64_t time, bool forcedOnly) const;
    // Forgets the units gone from the screen by `time`, so that a whole film's do not pile up.
    void DropEndedBy(std::int64_t time);

private:
    struct FoundPacket {
        std::int64_t packPos;
        std::vector<std::uint8_t> bytes;
    };
    // This stream's packets from the unit Seek starts at to `position`, last first; false where packs
    // are off the grid.
    bool LookBack(std::int64_t position, std::int64_t time, std::vector<FoundPacket>& found) const;
    bool OfThisStream(const std::uint8_t* packet, std::size_t length) const;
    // The PTS of a packet that begins one of this stream's units, or nothing.
    std::optional<std::int64_t> UnitStart(const std::uint8_t* packet, std::size_t length) const;
    void TakePacket(std::int64_t packPos, const std::uint8_t* packet, std::size_t length);
    void FinishUnit();
    void EndLastUnitAt(std::int64_t time);

    const VideoFile& file_;
    SubtitleClock clock_;
    std::unique_ptr<ReadWindow> window_;
    std::uint8_t substreamId_;
    CodecContextPtr decoder_;
    std::int64_t pos_ = 0;  // the next header to read

    // The unit being gathered from its packets.
    struct Pending {
        std::int64_t position = 0;
        std::int64_t pts = 0;
        std::size_t size = 0;  // as its first two bytes give it
        std::vector<std::uint8_t> bytes;
    };
    std::optional<Pending> pending_;
    std::vector<std::shared_ptr<SubtitleUnit>> units_;
};

}  // namespace decoderlib
