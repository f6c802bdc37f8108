// Program stream bytes made in a test: pack headers, PES packets, DVD navigation packs and the
// few video headers the pack scanner looks at, and a temporary file to read them from.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace psbytes {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kSecond = 90000;
constexpr std::int64_t kFrame = 3600; // 25 fps
constexpr std::size_t kPackSize = 2048;

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// A PTS or DTS (or an MPEG-1 SCR) in its five bytes, after a 4-bit prefix.
inline void PutTimestamp(Bytes& out, std::uint8_t prefix, std::int64_t t)
{
    out.push_back(static_cast<std::uint8_t>((prefix << 4) | ((t >> 29) & 0x0E) | 1));
    out.push_back(static_cast<std::uint8_t>(t >> 22));
    out.push_back(static_cast<std::uint8_t>(((t >> 14) & 0xFE) | 1));
    out.push_back(static_cast<std::uint8_t>(t >> 7));
    out.push_back(static_cast<std::uint8_t>(((t << 1) & 0xFE) | 1));
}

// An MPEG-2 pack header with its clock reference, at 10.08 Mbit/s, and `stuffing` bytes of stuffing.
inline Bytes Mpeg2PackHeader(std::int64_t scr, int stuffing = 0)
{
    Bytes b{0, 0, 1, 0xBA};
    b.push_back(static_cast<std::uint8_t>(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 3)));
    b.push_back(static_cast<std::uint8_t>(scr >> 20));
    b.push_back(static_cast<std::uint8_t>(((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 3)));
    b.push_back(static_cast<std::uint8_t>(scr >> 5));
    b.push_back(static_cast<std::uint8_t>(((scr << 3) & 0xF8) | 0x04));
    b.push_back(0x01);
    Append(b, {0x01, 0x89, 0xC3});
    b.push_back(static_cast<std::uint8_t>(0xF8 | stuffing));
    b.insert(b.end(), static_cast<std::size_t>(stuffing), 0xFF);
    return b;
}

inline Bytes Mpeg1PackHeader(std::int64_t scr)
{
    Bytes b{0, 0, 1, 0xBA};
    PutTimestamp(b, 0x2, scr);
    Append(b, {0x80, 0x1B, 0x83});
    return b;
}

// A packet of stream `id` around `body` (everything after the length field).
inline Bytes Packet(std::uint8_t id, const Bytes& body)
{
    Bytes b{0, 0, 1, id, static_cast<std::uint8_t>(body.size() >> 8), static_cast<std::uint8_t>(body.size())};
    Append(b, body);
    return b;
}

// An MPEG-2 video PES of stream `id` carrying `payload`, with a PTS (and a DTS) when given.
inline Bytes VideoPes(std::optional<std::int64_t> pts, const Bytes& payload,
                      std::optional<std::int64_t> dts = std::nullopt, std::uint8_t id = 0xE0)
{
    Bytes body{0x81, static_cast<std::uint8_t>(pts ? (dts ? 0xC0 : 0x80) : 0x00),
               static_cast<std::uint8_t>(pts ? (dts ? 10 : 5) : 0)};
    if (pts)
        PutTimestamp(body, dts ? 0x3 : 0x2, *pts);
    if (dts)
        PutTimestamp(body, 0x1, *dts);
    Append(body, payload);
    return Packet(id, body);
}

// An MPEG-1 video packet: stuffing, a buffer size field, then its PTS (and DTS) when given.
inline Bytes Mpeg1VideoPacket(std::optional<std::int64_t> pts, const Bytes& payload, int stuffing,
                              std::optional<std::int64_t> dts = std::nullopt)
{
    Bytes body(static_cast<std::size_t>(stuffing), 0xFF);
    body.push_back(0x60); // STD buffer: scale 1, size 46 KB
    body.push_back(0x2E);
    if (pts) {
        PutTimestamp(body, dts ? 0x3 : 0x2, *pts);
        if (dts)
            PutTimestamp(body, 0x1, *dts);
    } else {
        body.push_back(0x0F);
    }
    Append(body, payload);
    return Packet(0xE0, body);
}

// Video data: an I-picture behind a sequence header and a GOP header, or behind a GOP header
// alone, or a P-picture; some coded bytes follow.
inline Bytes SequenceStart()
{
    return {0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x33, 0xFF, 0xFF, 0xE0, 0x18,
            0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x40, 0, 0, 1, 0x00, 0x00, 0x0F, 0xFF, 0xF8, 0x12, 0x34};
}
inline Bytes GopStart() { return {0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x40, 0, 0, 1, 0x00, 0x00, 0x0F, 0xFF, 0xF8}; }
inline Bytes PPicture() { return {0, 0, 1, 0x00, 0x00, 0x50, 0xFF, 0xF8, 0x12, 0x34, 0x56, 0x78}; }

// A packet of padding, `size` bytes in all.
inline Bytes Padding(std::size_t size) { return Packet(0xBE, Bytes(size - 6, 0xFF)); }

// A pack of `size` bytes: its header, `packets`, and padding to fill it.
inline Bytes Pack(std::int64_t scr, std::initializer_list<Bytes> packets, std::size_t size = kPackSize)
{
    Bytes b = Mpeg2PackHeader(scr);
    for (const Bytes& p : packets)
        Append(b, p);
    EXPECT_LE(b.size() + 6, size) << "the packets overfill the pack";
    Append(b, Padding(size - b.size()));
    return b;
}

// A program stream map naming MPEG-2 video on stream 0xE0, its entry carrying `descriptors`. The
// elementary stream map's own length field says `esMapLength` (its true length when negative).
inline Bytes StreamMap(const Bytes& descriptors, int esMapLength = -1)
{
    const std::size_t entry = 4 + descriptors.size();
    const std::size_t mapLength = esMapLength < 0 ? entry : static_cast<std::size_t>(esMapLength);
    auto word = [](Bytes& out, std::size_t value) {
        Append(out, {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
    };
    Bytes body{0x80, 0x01, 0x00, 0x00};  // current and version, markers, no stream info
    word(body, mapLength);
    Append(body, {0x02, 0xE0});  // MPEG-2 video
    word(body, descriptors.size());
    Append(body, descriptors);
    Append(body, {0x12, 0x34, 0x56, 0x78});  // CRC, unchecked by readers
    return Packet(0xBC, body);
}

// A DVD navigation pack: system header, PCI, and the DSI naming VOB `vob` and cell `cell`.
inline Bytes NavigationPack(std::int64_t scr, int vob, int cell)
{
    Bytes b = Mpeg2PackHeader(scr);
    Append(b, Packet(0xBB, Bytes(18, 0x80)));
    Bytes pci(980, 0);
    pci[0] = 0x00;
    Append(b, Packet(0xBF, pci));
    Bytes dsi(1018, 0);
    dsi[0] = 0x01;
    dsi[1 + 24] = static_cast<std::uint8_t>(vob >> 8);
    dsi[1 + 25] = static_cast<std::uint8_t>(vob);
    dsi[1 + 27] = static_cast<std::uint8_t>(cell);
    Append(b, Packet(0xBF, dsi));
    EXPECT_EQ(b.size(), kPackSize);
    return b;
}

// A file holding `bytes`, removed again when the test is done with it.
class TempFile {
public:
    explicit TempFile(const Bytes& bytes)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "psbytesXXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0) {
            ADD_FAILURE() << "cannot make a temporary file";
            return;
        }
        path_ = pattern;
        FILE* f = fdopen(fd, "wb");
        const bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (f)
            std::fclose(f);
        EXPECT_TRUE(written) << path_;
    }
    ~TempFile()
    {
        if (!path_.empty())
            std::remove(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace psbytes
