#include "decoderlib/subtitletrack.h"

#include "decoderlib/readwindow.h"
#include "decoderlib/videofile.h"
#include "mpeg/mpegps.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

namespace decoderlib {

namespace {

using namespace mpegps;

// Holds any whole packet (at most 64 KiB and its header) with room for the packs around it.
constexpr std::size_t kWindow = 256 * 1024;
constexpr std::uint8_t kFirstSubpicture = 0x20;
// A unit's first two bytes give its size, the next two where its control sequences start.
constexpr std::size_t kUnitHeader = 4;
constexpr std::int64_t kTicksPerMs = 90;
// DVD packs, each a sector, lie on this grid from a VOB's first byte.
constexpr std::int64_t kDvdPack = 2048;
// Read at a time when looking back for a unit: 128 packs.
constexpr std::size_t kBackChunk = 256 * 1024;

int Clamped(double value)
{
    return std::clamp(static_cast<int>(value + 0.5), 0, 255);
}

// The palette as the decoder's option wants it: sixteen RGB colours in hex. The disc gives
// 0x00YYCrCb in the BT.601 video range.
std::string PaletteOption(const dvd::SubpicturePalette& palette)
{
    std::string text;
    for (const std::uint32_t entry : palette) {
        const double y = 1.164 * (static_cast<int>((entry >> 16) & 0xff) - 16);
        const int cr = static_cast<int>((entry >> 8) & 0xff) - 128;
        const int cb = static_cast<int>(entry & 0xff) - 128;
        char rgb[8];
        std::snprintf(rgb, sizeof rgb, "%02x%02x%02x", Clamped(y + 1.596 * cr), Clamped(y - 0.813 * cr - 0.391 * cb),
                      Clamped(y + 2.018 * cb));
        text += (text.empty() ? "" : ",") + std::string(rgb);
    }
    return text;
}

CodecContextPtr OpenDecoder(const dvd::SubpicturePalette& palette)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
    if (!codec)
        throw DecodeError("libavcodec has no DVD subtitle decoder");
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context)
        throw DecodeError("out of memory allocating a subtitle decoder");
    CheckRc(av_opt_set(context->priv_data, "palette", PaletteOption(palette).c_str(), 0), "subtitle palette");
    CheckRc(avcodec_open2(context.get(), codec, nullptr), "opening the subtitle decoder");
    return context;
}

// The unit's picture, or nothing where the decoder refuses its bytes or they show nothing.
std::optional<SubtitleUnit> Decode(AVCodecContext* decoder, const std::vector<std::uint8_t>& bytes)
{
    // The decoder keeps a unit it takes for cut short and joins the next one to it: each unit is whole
    // here, so nothing of a damaged one may stay behind.
    avcodec_flush_buffers(decoder);
    PacketPtr packet = MakePacket();
    CheckRc(av_new_packet(packet.get(), static_cast<int>(bytes.size())), "subtitle packet");
    std::copy(bytes.begin(), bytes.end(), packet->data);
    OwnedSubtitle subtitle;
    int got = 0;
    if (avcodec_decode_subtitle2(decoder, subtitle.get(), &got, packet.get()) < 0 || !got ||
        subtitle.get()->num_rects < 1)
        return std::nullopt;
    const AVSubtitleRect& rect = *subtitle.get()->rects[0];
    if (rect.type != SUBTITLE_BITMAP || rect.w <= 0 || rect.h <= 0 || rect.nb_colors > 4)
        return std::nullopt;
    SubtitleUnit unit;
    unit.start = subtitle.get()->start_display_time * kTicksPerMs;
    // No stop, or one not after the start, leaves the end to the next unit.
    if (subtitle.get()->end_display_time > subtitle.get()->start_display_time)
        unit.end = subtitle.get()->end_display_time * kTicksPerMs;
    unit.forced = (rect.flags & AV_SUBTITLE_FLAG_FORCED) != 0;
    unit.x = rect.x;
    unit.y = rect.y;
    unit.width = rect.w;
    unit.height = rect.h;
    unit.indices.resize(static_cast<std::size_t>(rect.w) * static_cast<std::size_t>(rect.h));
    for (int row = 0; row < rect.h; ++row)
        std::copy_n(rect.data[0] + static_cast<std::ptrdiff_t>(row) * rect.linesize[0], rect.w,
                    unit.indices.begin() + static_cast<std::ptrdiff_t>(row) * rect.w);
    std::copy_n(reinterpret_cast<const std::uint32_t*>(rect.data[1]), rect.nb_colors, unit.colours.begin());
    return unit;
}

}  // namespace

SubtitleTrack::SubtitleTrack(const VideoFile& file, int substream, const dvd::SubpicturePalette& palette,
                             SubtitleClock clock)
    : file_(file), clock_(clock ? std::move(clock) : [](std::int64_t pts, std::int64_t) { return pts; }), window_(std::make_unique<ReadWindow>(file, kWindow)),
      substreamId_(static_cast<std::uint8_t>(kFirstSubpicture + substream)), decoder_(OpenDecoder(palette))
{
}

SubtitleTrack::~SubtitleTrack() = default;

void SubtitleTrack::Seek(std::int64_t position, std::int64_t time)
{
    pending_.reset();
    units_.clear();
    std::vector<FoundPacket> found;
    if (!LookBack(position, time, found)) {
        pos_ = std::max<std::int64_t>(position - kSubtitleLookBackBytes, 0);
        return;
    }
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        TakePacket(it->packPos, it->bytes.data(), it->bytes.size());
    pos_ = position / kDvdPack * kDvdPack;
}

bool SubtitleTrack::LookBack(std::int64_t position, std::int64_t time, std::vector<FoundPacket>& found) const
{
    // Reading backwards a pack at a time finds the few units that matter without reading the whole
    // look-back, most of it video, as a seek made over and over (pieces, a slider) would; their
    // packets are kept, so nothing is read twice.
    const std::int64_t limit = std::max<std::int64_t>(position - kSubtitleLookBackBytes, 0) / kDvdPack * kDvdPack;
    std::vector<std::uint8_t> chunk(kBackChunk);
    bool begunByThen = false;
    for (std::int64_t end = position / kDvdPack * kDvdPack; end > limit;) {
        const std::int64_t start = std::max(end - static_cast<std::int64_t>(kBackChunk), limit);
        const auto length = static_cast<std::size_t>(end - start);
        if (file_.ReadAt(start, chunk.data(), length) < length)
            return false;
        for (std::int64_t pack = end - kDvdPack; pack >= start; pack -= kDvdPack) {
            const std::uint8_t* p = chunk.data() + (pack - start);
            if (!IsStartCode(p, kPackStart))
                return false;
            std::size_t at = IsMpeg2Pack(p) ? Mpeg2PackHeaderLength(p) : kMpeg1PackHeaderSize;
            // The pack's packets join the ones found after it, last first like them.
            const std::size_t mark = found.size();
            std::optional<std::int64_t> unitPts;
            while (at + kPacketHeaderSize <= static_cast<std::size_t>(kDvdPack) && HasStartCodePrefix(p + at) &&
                   StreamId(p + at) >= kFirstPacket) {
                const std::size_t packet = PacketLength(p + at);
                if (at + packet > static_cast<std::size_t>(kDvdPack))
                    break;
                if (OfThisStream(p + at, packet)) {
                    found.push_back({pack, std::vector<std::uint8_t>(p + at, p + at + packet)});
                    unitPts = UnitStart(p + at, packet);
                }
                at += packet;
            }
            std::reverse(found.begin() + static_cast<std::ptrdiff_t>(mark), found.end());
            if (unitPts) {
                if (begunByThen)
                    return true;
                begunByThen = clock_(*unitPts, pack) <= time;
            }
        }
        end = start;
    }
    return true;
}

bool SubtitleTrack::OfThisStream(const std::uint8_t* packet, std::size_t length) const
{
    return StreamId(packet) == kPrivateStream1 && length >= kMpeg2PesHeaderSize && IsMpeg2Pes(packet) &&
        Mpeg2PesPayload(packet) < length && packet[Mpeg2PesPayload(packet)] == substreamId_;
}

std::optional<std::int64_t> SubtitleTrack::UnitStart(const std::uint8_t* packet, std::size_t length) const
{
    if (!OfThisStream(packet, length) || !Mpeg2PesHasPts(packet) ||
        Mpeg2PesPayload(packet) < kMpeg2PesHeaderSize + kTimestampSize)
        return std::nullopt;
    return ReadTimestamp(packet + kMpeg2PesHeaderSize);
}

void SubtitleTrack::ReadTo(std::int64_t position)
{
    const std::int64_t end = std::min(position, file_.Size());
    std::int64_t packPos = pos_;
    while (pos_ >= 0) {
        const std::uint8_t* p = window_->At(pos_, kPacketHeaderSize);
        if (!p)
            break;
        if (!HasStartCodePrefix(p) || StreamId(p) == kProgramEnd ||
            (StreamId(p) < kFirstPacket && StreamId(p) != kPackStart)) {
            // Lost sync, or what follows the stream's end: on at the next pack.
            pos_ = window_->FindPack(pos_ + 1, file_.Size());
            packPos = pos_;
            continue;
        }
        if (StreamId(p) == kPackStart) {
            if (pos_ >= end)
                return;
            p = window_->At(pos_, kMpeg2PackHeaderSize);
            if (!p)
                break;
            packPos = pos_;
            pos_ += static_cast<std::int64_t>(IsMpeg2Pack(p) ? Mpeg2PackHeaderLength(p) : kMpeg1PackHeaderSize);
            continue;
        }
        const std::size_t length = PacketLength(p);
        p = window_->At(pos_, length);
        if (!p)
            break;
        if (StreamId(p) == kPrivateStream1)
            TakePacket(packPos, p, length);
        pos_ += static_cast<std::int64_t>(length);
    }
    // The file ends: a unit still gathering is cut off.
    pos_ = -1;
    pending_.reset();
}

void SubtitleTrack::TakePacket(std::int64_t packPos, const std::uint8_t* packet, std::size_t length)
{
    if (!OfThisStream(packet, length))
        return;
    const std::size_t payload = Mpeg2PesPayload(packet);
    const std::uint8_t* data = packet + payload + 1;
    const std::size_t size = length - payload - 1;
    if (const std::optional<std::int64_t> pts = UnitStart(packet, length)) {
        // A unit's first packet carries its PTS: one still gathering was cut off.
        pending_.reset();
        if (size < kUnitHeader)
            return;
        const std::size_t unitSize = (std::size_t(data[0]) << 8) | data[1];
        if (unitSize < kUnitHeader)
            return;
        pending_ = Pending{packPos, *pts, unitSize, {}};
    } else if (!pending_) {
        return;  // the rest of a unit whose start was not read
    }
    pending_->bytes.insert(pending_->bytes.end(), data, data + size);
    if (pending_->bytes.size() >= pending_->size)
        FinishUnit();
}

void SubtitleTrack::FinishUnit()
{
    Pending unit = std::move(*pending_);
    pending_.reset();
    unit.bytes.resize(unit.size);
    std::optional<SubtitleUnit> decoded = Decode(decoder_.get(), unit.bytes);
    const std::int64_t at = clock_(unit.pts, unit.position);
    // Whatever it shows, a new unit takes the screen from the one before.
    EndLastUnitAt(at + (decoded ? decoded->start : 0));
    if (!decoded)
        return;
    decoded->position = unit.position;
    decoded->pts = unit.pts;
    decoded->start += at;
    if (decoded->end != SubtitleUnit::kOpenEnd)
        decoded->end += at;
    units_.push_back(std::make_shared<SubtitleUnit>(std::move(*decoded)));
}

void SubtitleTrack::EndLastUnitAt(std::int64_t time)
{
    if (!units_.empty()) {
        SubtitleUnit& last = *units_.back();
        last.end = std::min(last.end, std::max(time, last.start));
    }
}

std::vector<SharedSubtitleUnit> SubtitleTrack::OnScreenAt(std::int64_t time, bool forcedOnly) const
{
    std::vector<SharedSubtitleUnit> shown;
    for (const std::shared_ptr<SubtitleUnit>& unit : units_) {
        if (unit->OnScreenAt(time) && (unit->forced || !forcedOnly))
            shown.push_back(unit);
    }
    return shown;
}

void SubtitleTrack::DropEndedBy(std::int64_t time)
{
    // The last unit stays: the next one's start, which ends it, is still to be compared with it.
    if (units_.size() > 1)
        units_.erase(std::remove_if(units_.begin(), units_.end() - 1,
                                    [time](const std::shared_ptr<SubtitleUnit>& u) { return u->end <= time; }),
                     units_.end() - 1);
}

}  // namespace decoderlib
