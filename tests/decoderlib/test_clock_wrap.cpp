// The decoder library on a video whose 33-bit clock wraps: pal.vob with every clock reference and
// timestamp moved on, so that they pass 2^33 and start again from zero some 4.5 s in.
#include "decodertest.h"
#include "psbytes.h"

#include <fstream>
#include <iterator>

namespace {

using psbytes::Bytes;

constexpr std::int64_t kClockWrap = std::int64_t{1} << 33;

std::int64_t GetTimestamp(const std::uint8_t* b)
{
    return (std::int64_t((b[0] >> 1) & 7) << 30) | (std::int64_t(b[1]) << 22) | (std::int64_t(b[2] >> 1) << 15) |
           (std::int64_t(b[3]) << 7) | (b[4] >> 1);
}

void SetTimestamp(std::uint8_t* b, std::int64_t t)
{
    Bytes fresh;
    psbytes::PutTimestamp(fresh, static_cast<std::uint8_t>(b[0] >> 4), t);
    std::copy(fresh.begin(), fresh.end(), b);
}

// The 33-bit base of an MPEG-2 pack's clock reference, in its bytes 4..8; the extension stays.
std::int64_t GetScr(const std::uint8_t* b)
{
    return (std::int64_t((b[0] >> 3) & 7) << 30) | (std::int64_t(b[0] & 3) << 28) | (std::int64_t(b[1]) << 20) |
           (std::int64_t(b[2] >> 3) << 15) | (std::int64_t(b[2] & 3) << 13) | (std::int64_t(b[3]) << 5) | (b[4] >> 3);
}

void SetScr(std::uint8_t* b, std::int64_t scr)
{
    b[0] = static_cast<std::uint8_t>((b[0] & 0xC4) | ((scr >> 27) & 0x38) | ((scr >> 28) & 3));
    b[1] = static_cast<std::uint8_t>(scr >> 20);
    b[2] = static_cast<std::uint8_t>((b[2] & 0x04) | ((scr >> 12) & 0xF8) | ((scr >> 13) & 3));
    b[3] = static_cast<std::uint8_t>(scr >> 5);
    b[4] = static_cast<std::uint8_t>((b[4] & 0x07) | ((scr << 3) & 0xF8));
}

// Adds `offset` to every clock reference, PTS and DTS of an MPEG-2 program stream, modulo 2^33.
void ShiftTimestamps(Bytes& ps, std::int64_t offset)
{
    auto shifted = [&](std::int64_t t) { return (t + offset) % kClockWrap; };
    std::size_t pos = 0;
    while (pos + 14 <= ps.size()) {
        std::uint8_t* p = ps.data() + pos;
        ASSERT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 1) << "lost sync at " << pos;
        if (p[3] == 0xBA) {
            SetScr(p + 4, shifted(GetScr(p + 4)));
            pos += 14 + (p[13] & 7);
            continue;
        }
        const bool pes = p[3] != 0xBB && p[3] != 0xBE && p[3] != 0xBF && (p[6] & 0xC0) == 0x80;
        if (pes && (p[7] & 0x80))
            SetTimestamp(p + 9, shifted(GetTimestamp(p + 9)));
        if (pes && (p[7] & 0xC0) == 0xC0)
            SetTimestamp(p + 14, shifted(GetTimestamp(p + 14)));
        pos += 6 + ((std::size_t(p[4]) << 8) | p[5]);
    }
}

TEST(DecoderClockWrap, AVideoWhoseClockWrapsIsOneTimelineThatSeeksExactly)
{
    std::ifstream in(FixturePath("pal.vob"), std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(bytes.empty());
    ShiftTimestamps(bytes, kClockWrap - 5 * psbytes::kSecond);
    const psbytes::TempFile file(bytes);

    TDecoder decoder;
    decoder.OpenFile(file.Path(), 0, 0);
    EXPECT_EQ(decoder.FileInfo()->TotalSeconds, 12);
    int n = 0;
    while (PDecodedFrame frame = decoder.GetNextFrame()) {
        ASSERT_EQ(IndexOf(decoder, frame), n) << "frame " << n;
        ASSERT_EQ(decoder.FrameInfo()->Timestamp, kPal.SecondOf(n)) << "frame " << n;
        ++n;
    }
    EXPECT_EQ(n, 300);
    for (int s = 0; s < 12; ++s) {
        decoder.Seek(s);
        PDecodedFrame frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr) << "second " << s;
        EXPECT_EQ(IndexOf(decoder, frame), kPal.FirstFrameAt(s)) << "second " << s;
    }
}

} // namespace
