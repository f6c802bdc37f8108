// The decoder library on videos made by real encoders, each frame carrying its index.
#include "decodertest.h"

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Video {
    const char* name;
    int width;
    int height;
    Rate rate;
    double aspect;
    int totalSeconds;
    int frames;
    int firstIndex; // index carried by the first frame delivered
    int title = 0;  // on a disc, the title and angle opened (0: the main title, the first angle)
    int angle = 0;
};

void PrintTo(const Video& v, std::ostream* os) { *os << v.name; }

const Video kVideos[] = {
    {"pal.vob", 720, 576, kPal, 4.0 / 3.0, 12, 300, 0},
    {"pal5.vob", 720, 576, kPal, 4.0 / 3.0, 5, 125, 0},
    {"ntsc.vob", 720, 480, kNtsc, 16.0 / 9.0, 6, 180, 0},
    // Film with 3:2 pulldown flags: delivered at the film rate, each coded frame once.
    {"film.vob", 720, 480, kFilm, 4.0 / 3.0, 5, 122, 0},
    // Two cells whose timestamps restart: one timeline of 10 s, not the 4 s of the last cell.
    {"title/VIDEO_TS/VTS_01_1.VOB", 720, 576, kPal, 4.0 / 3.0, 10, 250, 0},
    // Cut mid-GOP at a pack boundary: starts with the first cleanly decodable frame.
    {"cut.vob", 720, 576, kPal, 4.0 / 3.0, 7, 175, 75},
    // Most pictures without a timestamp, the last one of each stretch too.
    {"untimed.vob", 720, 576, kPal, 4.0 / 3.0, 2, 51, 0},
    {"untimedjoined.vob", 720, 576, kPal, 4.0 / 3.0, 6, 151, 0},
    // MPEG-1 in the 2324-byte packs of a Video CD; square samples.
    {"vcd.mpg", 352, 288, kPal, 352.0 / 288.0, 5, 125, 0},
    // Whole discs: the main title of four cells whose timestamps restart, across a VOB file split
    // mid-GOP, from a folder and from an image; titles and an angle chosen by number.
    {"split", 720, 576, kPal, 4.0 / 3.0, 20, 500, 0},
    {"disc.iso", 720, 576, kPal, 4.0 / 3.0, 20, 500, 0},
    {"disc", 720, 576, kPal, 4.0 / 3.0, 3, 75, 1000, 1},
    {"disc.iso", 720, 480, kNtsc, 16.0 / 9.0, 3, 90, 2000, 3},
    {"angles", 720, 576, kPal, 4.0 / 3.0, 15, 375, 0, 2, 1},
    {"interleaved", 720, 576, kPal, 4.0 / 3.0, 15, 375, 0, 2, 1},
};

class FixtureVideo : public testing::TestWithParam<Video> {
protected:
    void SetUp() override { decoder.OpenFile(FixturePath(GetParam().name), GetParam().title, GetParam().angle); }

    TDecoder decoder;
};

TEST_P(FixtureVideo, ReportsSizeRateAspectAndDuration)
{
    const Video& v = GetParam();
    const TDecoderFileInfo& info = *decoder.FileInfo();
    EXPECT_EQ(info.FrameWidth, v.width);
    EXPECT_EQ(info.FrameHeight, v.height);
    EXPECT_EQ(info.Width, info.FrameWidth);
    EXPECT_EQ(info.Height, info.FrameHeight);
    EXPECT_NEAR(info.Fps, v.rate.Value(), 1e-9);
    EXPECT_NEAR(info.AspectRatio, v.aspect, 1e-9);
    EXPECT_EQ(info.TotalSeconds, v.totalSeconds);
    EXPECT_EQ(info.DurationHours * 3600 + info.DurationMinutes * 60 + info.DurationSeconds, v.totalSeconds);
    EXPECT_EQ(decoder.FrameCount(), v.frames);
    EXPECT_EQ(decoder.FrameInfo()->Timestamp, 0);
    EXPECT_EQ(decoder.Width(), v.width);
    EXPECT_EQ(decoder.Fps(), info.Fps);
}

TEST_P(FixtureVideo, DeliversEveryFrameInOrderWithItsSecond)
{
    const Video& v = GetParam();
    int n = 0;
    while (PDecodedFrame frame = decoder.GetNextFrame()) {
        ASSERT_LT(n, v.frames) << "more frames than the video has";
        ASSERT_EQ(IndexOf(decoder, frame), v.firstIndex + n) << "frame " << n;
        ASSERT_EQ(decoder.FrameInfo()->Timestamp, v.rate.SecondOf(n)) << "frame " << n;
        ++n;
    }
    EXPECT_EQ(n, v.frames);
}

TEST_P(FixtureVideo, EveryWholeSecondSeekLandsOnThatSecondsFirstFrame)
{
    const Video& v = GetParam();
    std::vector<int> seconds(v.totalSeconds);
    for (int s = 0; s < v.totalSeconds; ++s)
        seconds[s] = s;
    // Forward, then in a scrambled order so that seeks go back as well.
    std::vector<int> order = seconds;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    seconds.insert(seconds.end(), order.begin(), order.end());
    for (int s : seconds) {
        decoder.Seek(s);
        PDecodedFrame frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr) << "second " << s;
        EXPECT_EQ(IndexOf(decoder, frame), v.firstIndex + v.rate.FirstFrameAt(s)) << "second " << s;
        EXPECT_EQ(decoder.FrameInfo()->Timestamp, s);
        // Decoding goes on from there.
        frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(IndexOf(decoder, frame), v.firstIndex + v.rate.FirstFrameAt(s) + 1) << "second " << s;
    }
}

// Up to the last frame, even where the video ends less than a second after its last whole second.
TEST_P(FixtureVideo, EveryDeliveredFrameIsReachedBySeekingToItsSecond)
{
    std::vector<int> firstOfSecond; // index of the first frame delivered in each second
    while (PDecodedFrame frame = decoder.GetNextFrame()) {
        const std::int64_t second = decoder.FrameInfo()->Timestamp;
        ASSERT_LE(second, static_cast<std::int64_t>(firstOfSecond.size())) << "a second without frames";
        if (second == static_cast<std::int64_t>(firstOfSecond.size()))
            firstOfSecond.push_back(IndexOf(decoder, frame));
    }
    ASSERT_FALSE(firstOfSecond.empty());
    for (int s = 0; s < static_cast<int>(firstOfSecond.size()); ++s) {
        decoder.Seek(s);
        PDecodedFrame frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr) << "second " << s;
        EXPECT_EQ(IndexOf(decoder, frame), firstOfSecond[s]) << "second " << s;
        EXPECT_EQ(decoder.FrameInfo()->Timestamp, s);
    }
}

TEST_P(FixtureVideo, EndAnswersEmptyRepeatedlyAndRewindStartsAgain)
{
    while (decoder.GetNextFrame()) {
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(decoder.GetNextFrame(), nullptr);
    decoder.Rewind();
    PDecodedFrame frame = decoder.GetNextFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(IndexOf(decoder, frame), GetParam().firstIndex);
    EXPECT_EQ(decoder.FrameInfo()->Timestamp, 0);
}

TEST_P(FixtureVideo, SeekPastTheEndGivesNoFrameAndLaterSeeksStillWork)
{
    const Video& v = GetParam();
    decoder.Seek(v.totalSeconds + 1);
    EXPECT_EQ(decoder.GetNextFrame(), nullptr);
    EXPECT_EQ(decoder.GetNextFrame(), nullptr);
    decoder.Seek(1);
    PDecodedFrame frame = decoder.GetNextFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(IndexOf(decoder, frame), v.firstIndex + v.rate.FirstFrameAt(1));
}

INSTANTIATE_TEST_SUITE_P(Decoder, FixtureVideo, testing::ValuesIn(kVideos),
                         [](const testing::TestParamInfo<Video>& p) {
                             std::string name = p.param.name;
                             name = name.substr(name.find_last_of('/') + 1);
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             if (p.param.title != 0)
                                 name += "_T" + std::to_string(p.param.title) + "_A" + std::to_string(p.param.angle);
                             return name;
                         });

// The second angle shares the title's first two cells and plays its own third: frames 0..249, then
// 375..499, on one timeline; where the angles' cells are interleaved, only its own units.
class DecoderDiscAngle : public testing::TestWithParam<const char*> {};

TEST_P(DecoderDiscAngle, SecondAngleRunsOnFromTheSharedCellsIntoItsOwn)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath(GetParam()), 2, 2);
    EXPECT_EQ(decoder.FileInfo()->TotalSeconds, 15);
    std::vector<int> indices;
    while (PDecodedFrame frame = decoder.GetNextFrame())
        indices.push_back(IndexOf(decoder, frame));
    std::vector<int> expected(375);
    for (int n = 0; n < 375; ++n)
        expected[n] = n < 250 ? n : n + 125;
    EXPECT_EQ(indices, expected);
    decoder.Seek(12);
    PDecodedFrame frame = decoder.GetNextFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(IndexOf(decoder, frame), 425);
}

INSTANTIATE_TEST_SUITE_P(Decoder, DecoderDiscAngle, testing::Values("angles", "interleaved"));

TEST(DecoderLongVideo, PiecesOfAHundredSecondsLandExactly)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath("pal100.vob"), 0, 0);
    ASSERT_EQ(decoder.FileInfo()->TotalSeconds, 100);
    for (int s = 0; s <= 88; s += 8) {
        decoder.Seek(s);
        PDecodedFrame frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(IndexOf(decoder, frame), s * 25);
    }
}

// Limited-range BT.601: these YUV values are pure red, green and blue. Full-range or BT.709
// arithmetic would be off by 15 or more in some channel.
TEST(DecoderColour, StripesComeOutAsTheColoursTheirValuesDefine)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath("colours.vob"), 0, 0);
    PDecodedFrame frame = decoder.GetNextFrame();
    ASSERT_NE(frame, nullptr);
    struct Expected {
        int x;
        int blue, green, red;
    };
    for (const Expected& e : {Expected{120, 0, 0, 255}, Expected{360, 0, 255, 0}, Expected{600, 255, 0, 0}}) {
        const std::uint8_t* pixel = frame->Pixels + (std::size_t(288) * decoder.Width() + e.x) * 4;
        EXPECT_NEAR(pixel[0], e.blue, 4) << "x " << e.x;
        EXPECT_NEAR(pixel[1], e.green, 4) << "x " << e.x;
        EXPECT_NEAR(pixel[2], e.red, 4) << "x " << e.x;
    }
}

TEST(DecoderTimeline, SecondFileOpenReplacesTheFirst)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath("pal.vob"), 0, 0);
    decoder.Seek(5);
    decoder.OpenFile(FixturePath("ntsc.vob"), 0, 0);
    EXPECT_EQ(decoder.Height(), 480);
    PDecodedFrame frame = decoder.GetNextFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(IndexOf(decoder, frame), 0);
}

} // namespace
