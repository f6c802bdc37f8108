// Reads video timestamps straight from the program stream's pack and PES headers,
// without demuxing or decoding: cheap enough to sample a whole disc's worth of file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace decoderlib {

class VideoFile;

struct PesStamp {
    std::int64_t packPos = 0; // offset of the pack that carries the PES
    std::int64_t pts = 0;     // 90 kHz, 33 bits as in the stream
    std::int64_t scr = -1;    // 90 kHz base of that pack's clock reference, -1 if none
    int cell = -1;            // VOB and cell number from the last DVD navigation pack, -1 if none
    bool key = false;         // the PES opens a sequence or a GOP, so it carries an I-picture
};

// Keeps to one video stream, the one the demuxer plays: the first met in the file. Another beside
// it (a second angle, a preview) has timestamps of its own that would read as breaks.
class PsScanner {
public:
    explicit PsScanner(const VideoFile& file);

    // The first video PES with a PTS (and opening a GOP, with `keyOnly`) whose pack starts in
    // [from, end), reading no more than `maxScan` bytes.
    std::optional<PesStamp> FirstVideoStamp(std::int64_t from, std::int64_t end, std::int64_t maxScan,
                                            bool keyOnly = false) const;

    // Calls `visit` for each video PES with a PTS whose pack starts in [from, end), in file
    // order, until it answers false.
    void VisitVideoStamps(std::int64_t from, std::int64_t end,
                          const std::function<bool(const PesStamp&)>& visit) const;

private:
    struct Packet;
    // Calls `visit` for each packet of any video stream whose pack starts in [from, end), in file
    // order, until it answers false.
    void VisitVideoPackets(std::int64_t from, std::int64_t end, const std::function<bool(const Packet&)>& visit) const;

    const VideoFile& file_;
    int videoId_ = -1;  // -1 where no video was found near the start: then any
};

} // namespace decoderlib
