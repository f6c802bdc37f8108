// Damaged and foreign files: a clean refusal or a clean end, never a crash or a hang, and
// never a broken picture. Also built with AddressSanitizer.
#include "decodertest.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace {

constexpr const char* kNoVideo = "no MPEG video found: this is not a DVD video file";

struct Refusal {
    const char* fixture;
    const char* reason;
};

void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << '"' << refusal.fixture << '"';
}

class RefusedFile : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedFile, RaisesTheOpenErrorWithThePathAndTheReason)
{
    TDecoder decoder;
    const std::string path = std::string(GetParam().fixture).empty() ? "" : FixturePath(GetParam().fixture);
    try {
        decoder.OpenFile(path, 0, 0);
        FAIL() << "opened " << path;
    } catch (const EMPEG2Error& e) {
        EXPECT_EQ(e.Message(), "Unable to open video file: " + path + " (" + GetParam().reason + ")");
    }
}

INSTANTIATE_TEST_SUITE_P(Decoder, RefusedFile,
                         testing::Values(Refusal{"random.vob", kNoVideo}, Refusal{"empty.vob", "the file is empty"},
                                         Refusal{"text.vob", kNoVideo},
                                         Refusal{"directory.vob", "a folder without VIDEO_TS"},
                                         Refusal{"no-such-file.vob", "No such file or directory"},
                                         Refusal{"", "No such file or directory"}));

TEST(DecoderDamagedFile, VideoWithoutOneWholePictureIsRefused)
{
    std::ifstream in(FixturePath("pal.vob"), std::ios::binary);
    std::vector<char> head(16 * 1024);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const std::string path = testing::TempDir() + "head.vob";
    std::ofstream(path, std::ios::binary).write(head.data(), static_cast<std::streamsize>(head.size()));
    TDecoder decoder;
    try {
        decoder.OpenFile(path, 0, 0);
        ADD_FAILURE() << "opened " << path;
    } catch (const EMPEG2Error& e) {
        EXPECT_EQ(e.Message(), "Unable to open video file: " + path + " (" + kNoVideo + ")");
    }
    std::remove(path.c_str());
}

// Frames come in order, each in its second, but for a few with damage concealed.
void ExpectFramesInOrder(TDecoder& decoder, int minimumFrames)
{
    const FrameTally tally = TallyFrames(decoder, kPal);
    EXPECT_GE(tally.frames, minimumFrames);
    EXPECT_GE(tally.inPlace * 20, tally.readable * 19) << tally.readable << " frames show their index";
    EXPECT_EQ(decoder.GetNextFrame(), nullptr);
}

TEST(DecoderDamagedFile, TruncatedFileEndsCleanlyAfterItsWholeFrames)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath("truncated.vob"), 0, 0);
    EXPECT_GE(decoder.FileInfo()->TotalSeconds, 6);
    ExpectFramesInOrder(decoder, 175);
}

TEST(DecoderDamagedFile, ZeroedStretchSkipsOnlyTheBrokenFrames)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath("zeroed.vob"), 0, 0);
    EXPECT_EQ(decoder.FileInfo()->TotalSeconds, 12);
    ExpectFramesInOrder(decoder, 250);
}

TEST(DecoderDamagedFile, SeeksIntoDamageLandOnAWholeFrameAtOrAfterTheSecond)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath("zeroed.vob"), 0, 0);
    for (int s = 0; s <= 13; ++s) {
        decoder.Seek(s);
        if (PDecodedFrame frame = decoder.GetNextFrame()) {
            const int index = IndexOf(decoder, frame);
            EXPECT_TRUE(index == -1 || index >= s * 25) << "second " << s << " shows " << index;
        } else
            EXPECT_GE(s, 12);
    }
}

// Bytes flipped all over a real video: whatever the library makes of it, it must not crash,
// hang or hand out a picture that is not one of the video's frames.
TEST(DecoderDamagedFile, RandomlyCorruptedVideosNeverCrash)
{
    std::ifstream in(FixturePath("pal5.vob"), std::ios::binary);
    const std::vector<char> original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(original.empty());
    const std::string path = testing::TempDir() + "corrupt.vob";
    std::mt19937 random(2024);
    for (int round = 0; round < 12; ++round) {
        std::vector<char> bytes = original;
        const int flips = 1 + round * 40;
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

        TDecoder decoder;
        try {
            decoder.OpenFile(path, 0, 0);
        } catch (const EMPEG2Error&) {
            continue;
        }
        int frames = 0;
        while (PDecodedFrame frame = decoder.GetNextFrame()) {
            const int index = IndexOf(decoder, frame);
            EXPECT_TRUE(index == -1 || index < 125) << "round " << round;
            ASSERT_LT(++frames, 1000) << "round " << round << ": the stream does not end";
        }
        for (int s : {3, 0, 9, 1}) {
            decoder.Seek(s);
            decoder.GetNextFrame();
        }
    }
    std::remove(path.c_str());
}

} // namespace
