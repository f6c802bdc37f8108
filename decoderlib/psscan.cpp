#include "psscan.h"

#include "videofile.h"

#include <algorithm>
#include <array>
#include <vector>

namespace decoderlib {

namespace {

constexpr std::uint8_t kPackStart = 0xBA;
constexpr std::uint8_t kSystemHeader = 0xBB;
constexpr std::uint8_t kPrivateStream2 = 0xBF; // DVD navigation data
constexpr std::uint8_t kProgramEnd = 0xB9;
constexpr std::size_t kWindow = 64 * 1024;
// Further than this from its pack header, data is not taken to belong to that pack.
constexpr std::int64_t kPackSlack = 64 * 1024;

// A sliding read window over the file, so header parsing needs no syscall per pack.
class Window {
public:
    explicit Window(const VideoFile& file) : file_(file), buf_(kWindow) {}

    // Pointer to `n` bytes at `pos`, or null when the file ends before them.
    const std::uint8_t* At(std::int64_t pos, std::size_t n)
    {
        if (pos < start_ || pos + static_cast<std::int64_t>(n) > start_ + static_cast<std::int64_t>(len_)) {
            start_ = pos;
            len_ = file_.ReadAt(pos, buf_.data(), buf_.size());
        }
        if (pos + static_cast<std::int64_t>(n) > start_ + static_cast<std::int64_t>(len_))
            return nullptr;
        return buf_.data() + (pos - start_);
    }

    // Offset of the next pack start code at or after `pos` and before `end`, or -1.
    std::int64_t FindPack(std::int64_t pos, std::int64_t end)
    {
        while (pos + 4 <= end) {
            const std::uint8_t* p = At(pos, 4);
            if (!p)
                return -1;
            std::size_t avail = len_ - static_cast<std::size_t>(pos - start_);
            const std::uint8_t* base = buf_.data() + (pos - start_);
            for (std::size_t i = 0; i + 4 <= avail; ++i) {
                if (base[i] == 0 && base[i + 1] == 0 && base[i + 2] == 1 && base[i + 3] == kPackStart) {
                    std::int64_t at = pos + static_cast<std::int64_t>(i);
                    return at < end ? at : -1;
                }
            }
            pos += static_cast<std::int64_t>(avail) - 3;
            start_ = 0;
            len_ = 0; // force a refill at the new position
        }
        return -1;
    }

private:
    const VideoFile& file_;
    std::vector<std::uint8_t> buf_;
    std::int64_t start_ = 0;
    std::size_t len_ = 0;
};

std::int64_t ReadTimestamp(const std::uint8_t* b)
{
    return (static_cast<std::int64_t>((b[0] >> 1) & 7) << 30) | (static_cast<std::int64_t>(b[1]) << 22) |
           (static_cast<std::int64_t>(b[2] >> 1) << 15) | (static_cast<std::int64_t>(b[3]) << 7) |
           (b[4] >> 1);
}

std::int64_t ReadMpeg2Scr(const std::uint8_t* b)
{
    return (static_cast<std::int64_t>((b[0] >> 3) & 7) << 30) | (static_cast<std::int64_t>(b[0] & 3) << 28) |
           (static_cast<std::int64_t>(b[1]) << 20) | (static_cast<std::int64_t>(b[2] >> 3) << 15) |
           (static_cast<std::int64_t>(b[2] & 3) << 13) | (static_cast<std::int64_t>(b[3]) << 5) | (b[4] >> 3);
}

struct VideoPes {
    std::optional<std::int64_t> pts;
    std::size_t payload = 0; // offset of the elementary stream data
};

// The timestamp and payload offset of a video PES whose header starts at `p` (the 00 00 01 prefix).
VideoPes ParseVideoPes(const std::uint8_t* p, std::size_t len)
{
    VideoPes pes;
    if (len < 9)
        return pes;
    if ((p[6] & 0xC0) == 0x80) { // MPEG-2 PES header
        pes.payload = 9 + p[8];
        if ((p[7] & 0x80) && len >= 14)
            pes.pts = ReadTimestamp(p + 9);
        return pes;
    }
    // MPEG-1: stuffing, an optional buffer size field, then the timestamps.
    std::size_t i = 6;
    while (i < len && i < 6 + 16 && p[i] == 0xFF)
        ++i;
    if (i + 1 < len && (p[i] & 0xC0) == 0x40)
        i += 2;
    if (i < len && (p[i] & 0xF0) == 0x20) {
        if (i + 5 <= len)
            pes.pts = ReadTimestamp(p + i);
        pes.payload = i + 5;
    } else if (i < len && (p[i] & 0xF0) == 0x30) {
        if (i + 5 <= len)
            pes.pts = ReadTimestamp(p + i);
        pes.payload = i + 10;
    } else {
        pes.payload = i + 1;
    }
    return pes;
}

// Whether video data opens with a sequence header or a GOP header.
bool OpensGop(const std::uint8_t* p, std::size_t len)
{
    std::size_t i = 0;
    while (i < len && i < 4 && p[i] == 0 && !(i + 2 < len && p[i + 1] == 0 && p[i + 2] == 1))
        ++i;
    return i + 3 < len && p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && (p[i + 3] == 0xB3 || p[i + 3] == 0xB8);
}

} // namespace

void PsScanner::VisitVideoStamps(std::int64_t from, std::int64_t end,
                                 const std::function<bool(const PesStamp&)>& visit) const
{
    end = std::min(end, file_.Size());
    Window w(file_);
    std::int64_t pos = w.FindPack(std::max<std::int64_t>(from, 0), end);
    std::int64_t packPos = pos;
    std::int64_t scr = -1;
    int cell = -1;
    // Headers are parsed from at most this many bytes; payloads are skipped by length.
    constexpr std::size_t kHeader = 64;
    // Packets are visited while their pack began before `end`.
    while (pos >= 0 && pos < end + kPackSlack) {
        const std::uint8_t* p = w.At(pos, 6);
        if (!p)
            return;
        if (p[0] != 0 || p[1] != 0 || p[2] != 1) {
            pos = w.FindPack(pos + 1, end);
            packPos = pos;
            continue;
        }
        const std::uint8_t id = p[3];
        if (id == kPackStart) {
            if (pos >= end)
                return;
            p = w.At(pos, 14);
            if (!p)
                return;
            packPos = pos;
            if ((p[4] & 0xC0) == 0x40) {
                scr = ReadMpeg2Scr(p + 4);
                pos += 14 + (p[13] & 7);
            } else if ((p[4] & 0xF0) == 0x20) {
                scr = ReadTimestamp(p + 4);
                pos += 12;
            } else {
                pos = w.FindPack(pos + 4, end);
                packPos = pos;
            }
            continue;
        }
        if (id == kProgramEnd) {
            pos += 4;
            continue;
        }
        if (id < kSystemHeader) { // not a packet start: lost sync
            pos = w.FindPack(pos + 1, end);
            packPos = pos;
            continue;
        }
        const std::size_t length = 6 + ((static_cast<std::size_t>(p[4]) << 8) | p[5]);
        const std::size_t have = std::min(length, kHeader);
        p = w.At(pos, have);
        if (!p)
            return;
        if (id >= 0xE0 && id <= 0xEF) {
            const VideoPes pes = ParseVideoPes(p, have);
            if (pes.pts) {
                const bool key = pes.payload < have && OpensGop(p + pes.payload, have - pes.payload);
                if (!visit(PesStamp{packPos, *pes.pts, scr, cell, key}))
                    return;
            }
        } else if (id == kPrivateStream2 && have >= 6 + 1 + 28 && p[6] == 0x01) {
            // Data search information: VOB number (2 bytes) and cell number follow the
            // clock reference, block address and four end addresses.
            const std::uint8_t* dsi = p + 7;
            int vob = (dsi[24] << 8) | dsi[25];
            int c = dsi[27];
            cell = (vob || c) ? (vob << 8) | c : -1;
        }
        pos += static_cast<std::int64_t>(length);
    }
}

std::optional<PesStamp> PsScanner::FirstVideoStamp(std::int64_t from, std::int64_t end, std::int64_t maxScan,
                                                   bool keyOnly) const
{
    std::optional<PesStamp> found;
    VisitVideoStamps(from, std::min(end, from + maxScan), [&](const PesStamp& s) {
        if (keyOnly && !s.key)
            return true;
        found = s;
        return false;
    });
    return found;
}

} // namespace decoderlib
