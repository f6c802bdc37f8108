// Stray timestamps on a damaged disc: a seek's search for where to start decoding must end, however
// often the stamps make it land too late, and land on the first frame of its second. Also built with
// AddressSanitizer and UndefinedBehaviorSanitizer.
#include "decodertest.h"
#include "psbytes.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace {

// pal.vob with random 33-bit PTS values (seeded) in half of the video PES headers that do not carry
// an I-picture: the I-pictures keep their true time, the pictures between them do not.
std::string StrayTimestampCopy()
{
    std::ifstream in(FixturePath("pal.vob"), std::ios::binary);
    std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::mt19937_64 random(4);
    const std::uint8_t videoPes[] = {0, 0, 1, 0xE0};
    const std::uint8_t pictureStart[] = {0, 0, 1, 0};
    for (auto pes = b.begin();
         (pes = std::search(pes, b.end(), std::begin(videoPes), std::end(videoPes))) < b.end() - 14; pes += 4) {
        if (!(pes[7] & 0x80))
            continue;  // no PTS
        const auto packetEnd = b.end() - pes > 2048 ? pes + 2048 : b.end();
        const auto picture = std::search(pes + 9, packetEnd, std::begin(pictureStart), std::end(pictureStart));
        const bool iPicture = picture + 6 <= packetEnd && ((picture[5] >> 3) & 7) == 1;
        if (iPicture || random() % 2)
            continue;
        psbytes::Bytes stamp;
        psbytes::PutTimestamp(stamp, static_cast<std::uint8_t>(pes[9] >> 4), static_cast<std::int64_t>(random() >> 31));
        std::copy(stamp.begin(), stamp.end(), pes + 9);
    }
    const std::string path = testing::TempDir() + "stray-timestamps.vob";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::ssize(b));
    return path;
}

TEST(DecoderStrayTimestamps, EverySecondsSeekEndsNearThatSecondsFirstFrame)
{
    const std::string path = StrayTimestampCopy();
    TDecoder decoder;
    decoder.OpenFile(path, 0, 0);
    ASSERT_EQ(decoder.FileInfo()->TotalSeconds, 12);
    for (int s = 11; s >= 0; --s) {
        decoder.Seek(s);
        PDecodedFrame frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr) << "second " << s;
        // The pictures' own times are damaged too: none may pass for its second's first frame.
        EXPECT_EQ(IndexOf(decoder, frame), kPal.FirstFrameAt(s)) << "second " << s;
    }
    std::remove(path.c_str());
}

}  // namespace
