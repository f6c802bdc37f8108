#include "decoderlib/psscan.h"

#include "decoderlib/readwindow.h"
#include "decoderlib/videofile.h"

#include "mpeg/mpegps.h"

#include <algorithm>
#include <vector>

namespace decoderlib {

namespace {

using namespace mpegps;

// The read window: eight packs per read, so header parsing needs no syscall per pack. Most scans
// end within a few packs (a sample looks for the next picture), so a larger one mostly copies
// bytes for nothing.
constexpr std::size_t kWindow = 16 * 1024;
// Further than this from its pack header, data is not taken to belong to that pack: a DVD pack is
// 2048 bytes, and no program stream muxer writes packs near 64 KiB.
constexpr std::int64_t kPackSlack = 64 * 1024;
// Headers are parsed from at most this many bytes of a packet, payloads skipped by length: enough
// for a usual PES header (9 bytes, 10 for PTS and DTS, a little stuffing) and the start code after
// it, and for the DSI's cell fields. A longer header only hides whether its PES opens a GOP.
constexpr std::size_t kHeader = 64;
// The demuxer looks this far into a file for its video.
constexpr std::int64_t kVideoSearch = 16 << 20;

struct VideoPes {
    std::optional<std::int64_t> pts;
    std::size_t payload = 0; // offset of the elementary stream data
};

// The timestamp and payload offset of a video PES whose header starts at `p` (the 00 00 01 prefix).
VideoPes ParseVideoPes(const std::uint8_t* p, std::size_t len)
{
    VideoPes pes;
    if (len < kMpeg2PesHeaderSize)
        return pes;
    if (IsMpeg2Pes(p)) {
        pes.payload = Mpeg2PesPayload(p);
        if (Mpeg2PesHasPts(p) && len >= kMpeg2PesHeaderSize + kTimestampSize)
            pes.pts = ReadTimestamp(p + kMpeg2PesHeaderSize);
        return pes;
    }
    std::size_t i = kPacketHeaderSize;
    while (i < len && i < kPacketHeaderSize + kMpeg1MaxStuffing && p[i] == kMpeg1Stuffing)
        ++i;
    if (i + 1 < len && IsMpeg1StdBuffer(p[i]))
        i += 2;
    if (i < len && (IsMpeg1PtsOnly(p[i]) || IsMpeg1PtsAndDts(p[i]))) {
        if (i + kTimestampSize <= len)
            pes.pts = ReadTimestamp(p + i);
        pes.payload = i + (IsMpeg1PtsOnly(p[i]) ? kTimestampSize : 2 * kTimestampSize);
    } else {
        pes.payload = i + 1; // the 0F that says no timestamps follow
    }
    return pes;
}

// Whether video data opens with a sequence header or a GOP header, after at most a few zero
// bytes of stuffing.
bool OpensGop(Bytes video)
{
    constexpr std::size_t kMaxLeadingZeros = 4;
    const auto at = FindStartCode(video.first(std::min(video.size(), kMaxLeadingZeros + kStartCodeSize)));
    if (!at)
        return false;
    for (std::size_t i = 0; i < *at; ++i)
        if (video[i] != 0)
            return false;
    const std::uint8_t code = video[*at + 3];
    return code == kSequenceHeader || code == kGroupStart;
}

// The VOB and cell number of a DSI packet as one id, -1 when it names none.
std::optional<int> DsiCell(const std::uint8_t* p, std::size_t len)
{
    if (len < kSubstreamPayload + kDsiCellFieldsEnd || Substream(p) != kDsiSubstream)
        return std::nullopt;
    const std::uint8_t* dsi = p + kSubstreamPayload;
    return CellId((dsi[kDsiVobNumber] << 8) | dsi[kDsiVobNumber + 1], dsi[kDsiCellNumber]);
}

} // namespace

struct PsScanner::Packet {
    std::int64_t packPos = 0;
    std::int64_t scr = -1;
    int cell = -1;
    const std::uint8_t* bytes = nullptr;  // from its start code on, `have` bytes of it
    std::size_t have = 0;
};

PsScanner::PsScanner(const VideoFile& file) : file_(file)
{
    VisitVideoPackets(0, kVideoSearch, [&](const Packet& packet) {
        videoId_ = StreamId(packet.bytes);
        return false;
    });
}

void PsScanner::VisitVideoPackets(std::int64_t from, std::int64_t end,
                                  const std::function<bool(const Packet&)>& visit) const
{
    end = std::min(end, file_.Size());
    ReadWindow w(file_, kWindow);
    std::int64_t pos = w.FindPack(std::max<std::int64_t>(from, 0), end);
    std::int64_t packPos = pos;
    std::int64_t scr = -1;
    int cell = -1;
    // Packets are visited while their pack began before `end`.
    while (pos >= 0 && pos < end + kPackSlack) {
        const std::uint8_t* p = w.At(pos, kPacketHeaderSize);
        if (!p)
            return;
        if (!HasStartCodePrefix(p)) {
            pos = w.FindPack(pos + 1, end);
            packPos = pos;
            continue;
        }
        const std::uint8_t id = StreamId(p);
        if (id == kPackStart) {
            if (pos >= end)
                return;
            p = w.At(pos, kMpeg2PackHeaderSize);
            if (!p)
                return;
            packPos = pos;
            if (IsMpeg2Pack(p)) {
                scr = ReadMpeg2Scr(p + 4);
                pos += static_cast<std::int64_t>(Mpeg2PackHeaderLength(p));
            } else if (IsMpeg1Pack(p)) {
                scr = ReadTimestamp(p + 4);
                pos += static_cast<std::int64_t>(kMpeg1PackHeaderSize);
            } else {
                pos = w.FindPack(pos + 4, end);
                packPos = pos;
            }
            continue;
        }
        if (id == kProgramEnd) {
            pos += static_cast<std::int64_t>(kStartCodeSize);
            continue;
        }
        if (id < kFirstPacket) { // not a packet start: lost sync
            pos = w.FindPack(pos + 1, end);
            packPos = pos;
            continue;
        }
        const std::size_t length = PacketLength(p);
        const std::size_t have = std::min(length, kHeader);
        p = w.At(pos, have);
        if (!p)
            return;
        if (IsVideoStream(id)) {
            if (!visit(Packet{packPos, scr, cell, p, have}))
                return;
        } else if (id == kPrivateStream2) {
            if (auto c = DsiCell(p, have))
                cell = *c;
        }
        pos += static_cast<std::int64_t>(length);
    }
}

void PsScanner::VisitVideoStamps(std::int64_t from, std::int64_t end,
                                 const std::function<bool(const PesStamp&)>& visit) const
{
    VisitVideoPackets(from, end, [&](const Packet& packet) {
        if (videoId_ >= 0 && StreamId(packet.bytes) != videoId_)
            return true;
        const VideoPes pes = ParseVideoPes(packet.bytes, packet.have);
        if (!pes.pts)
            return true;
        const bool key =
            pes.payload < packet.have && OpensGop(Bytes(packet.bytes + pes.payload, packet.have - pes.payload));
        return visit(PesStamp{packet.packPos, *pes.pts, packet.scr, packet.cell, key});
    });
}

std::optional<PesStamp> PsScanner::FirstVideoStamp(std::int64_t from, std::int64_t end, std::int64_t maxScan,
                                                   bool keyOnly) const
{
    std::optional<PesStamp> found;
    from = std::max<std::int64_t>(from, 0);
    const std::int64_t scanEnd = maxScan < end - from ? from + maxScan : end; // no overflow
    VisitVideoStamps(from, scanEnd, [&](const PesStamp& s) {
        if (keyOnly && !s.key)
            return true;
        found = s;
        return false;
    });
    return found;
}

} // namespace decoderlib
