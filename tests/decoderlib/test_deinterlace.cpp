// Interlaced video through the library: clean pictures with the switch on auto, the frames as
// decoded with it off, every frame where it belongs, and the same pixels however a frame is reached.
#include "decodertest.h"

#include "support/combing.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <vector>

namespace {

// Measured on the fixtures: pictures deinterlaced or progressive stay under 0.6 (yadif's up to
// 0.71), these frames shown as decoded never go below 2.7; 1.0 lies well clear of both.
constexpr double kCombed = 1.0;

struct Interlaced {
    const char* name;
    Rate rate;
    int frames;
};

void PrintTo(const Interlaced& v, std::ostream* os)
{
    *os << v.name;
}

double Combing(const TDecoder& decoder, PDecodedFrame frame)
{
    return CombingOf(frame->Pixels, decoder.Width(), decoder.Height(), std::ptrdiff_t{decoder.Width()} * 4);
}

// FNV-1a over the pixels: equal pictures, equal hashes; one changed byte changes it.
std::uint64_t HashOf(const TDecoder& decoder, PDecodedFrame frame)
{
    std::uint64_t h = 14695981039346656037ull;
    const std::size_t bytes = std::size_t(decoder.Width()) * std::size_t(decoder.Height()) * 4;
    for (std::size_t i = 0; i < bytes; ++i)
        h = (h ^ frame->Pixels[i]) * 1099511628211ull;
    return h;
}

std::vector<std::uint64_t> SequentialHashes(TDecoder& decoder)
{
    std::vector<std::uint64_t> hashes;
    decoder.Rewind();
    while (PDecodedFrame frame = decoder.GetNextFrame())
        hashes.push_back(HashOf(decoder, frame));
    return hashes;
}

class InterlacedVideo : public testing::TestWithParam<Interlaced> {
protected:
    void Open(std::int32_t mode)
    {
        ASSERT_TRUE(decoder.SetDeinterlace(mode));
        decoder.OpenFile(FixturePath(GetParam().name), 0, 0);
    }
    // The library keeps the switch for later opens, and later tests expect its default.
    void TearDown() override { decoder.SetDeinterlace(kDeinterlaceAuto); }

    TDecoder decoder;
};

TEST_P(InterlacedVideo, AutoDeliversEveryFrameCleanOffAsDecodedCombed)
{
    const Interlaced& v = GetParam();
    for (std::int32_t mode : {kDeinterlaceAuto, kDeinterlaceOff}) {
        Open(mode);
        int n = 0;
        while (PDecodedFrame frame = decoder.GetNextFrame()) {
            ASSERT_LT(n, v.frames) << "mode " << mode;
            ASSERT_EQ(IndexOf(decoder, frame), n) << "mode " << mode;
            ASSERT_EQ(decoder.FrameInfo()->Timestamp, v.rate.SecondOf(n)) << "mode " << mode << " frame " << n;
            if (mode == kDeinterlaceAuto)
                EXPECT_LT(Combing(decoder, frame), kCombed) << "frame " << n;
            else
                EXPECT_GT(Combing(decoder, frame), kCombed) << "frame " << n;
            ++n;
        }
        EXPECT_EQ(n, v.frames) << "mode " << mode << ": the last frame too";
    }
}

// A seek decodes the frames the deinterlacer needs around its target, across a timestamp break
// as sequential decoding does, so it gives the very pixels of sequential decoding.
TEST_P(InterlacedVideo, EverySeekGivesThePixelsOfSequentialDecoding)
{
    const Interlaced& v = GetParam();
    Open(kDeinterlaceAuto);
    const std::vector<std::uint64_t> sequential = SequentialHashes(decoder);
    ASSERT_EQ(static_cast<int>(sequential.size()), v.frames);
    const int seconds = decoder.FileInfo()->TotalSeconds;
    std::vector<int> order;
    for (int s = 0; s < seconds; ++s)
        order.push_back(s);
    std::vector<int> shuffled = order;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
    order.insert(order.end(), shuffled.begin(), shuffled.end());
    for (int s : order) {
        decoder.Seek(s);
        const std::int64_t first = v.rate.FirstFrameAt(s);
        for (std::int64_t n = first; n < std::min<std::int64_t>(first + 3, v.frames); ++n) {
            PDecodedFrame frame = decoder.GetNextFrame();
            ASSERT_NE(frame, nullptr) << "second " << s;
            EXPECT_EQ(IndexOf(decoder, frame), n) << "second " << s;
            EXPECT_EQ(HashOf(decoder, frame), sequential[std::size_t(n)]) << "second " << s << " frame " << n;
        }
    }
    // The last second read on to the end: the last frame is made without a next one.
    decoder.Seek(seconds - 1);
    std::int64_t n = v.rate.FirstFrameAt(seconds - 1);
    while (PDecodedFrame frame = decoder.GetNextFrame()) {
        ASSERT_LT(n, v.frames);
        EXPECT_EQ(HashOf(decoder, frame), sequential[std::size_t(n++)]) << "frame " << n - 1;
    }
    EXPECT_EQ(n, v.frames);
}

INSTANTIATE_TEST_SUITE_P(Decoder, InterlacedVideo,
                         testing::Values(Interlaced{"interlacedpal.vob", kPal, 125},
                                         Interlaced{"interlacedntsc.vob", kNtsc, 90}),
                         [](const testing::TestParamInfo<Interlaced>& p) {
                             return std::string(p.param.name).substr(0, std::string(p.param.name).find('.'));
                         });

// Frames marked progressive pass untouched, film carried with pulldown flags too.
TEST(DecoderDeinterlace, ProgressiveAndFilmFramesAreTheFramesAsDecoded)
{
    TDecoder decoder;
    for (const char* name : {"pal5.vob", "film.vob"}) {
        std::vector<std::uint64_t> byMode[2];
        for (std::int32_t mode : {kDeinterlaceOff, kDeinterlaceAuto}) {
            ASSERT_TRUE(decoder.SetDeinterlace(mode));
            decoder.OpenFile(FixturePath(name), 0, 0);
            byMode[mode] = SequentialHashes(decoder);
        }
        EXPECT_GT(byMode[kDeinterlaceAuto].size(), 100u) << name;
        EXPECT_EQ(byMode[kDeinterlaceAuto], byMode[kDeinterlaceOff]) << name;
    }
    EXPECT_FALSE(decoder.SetDeinterlace(7)) << "no such mode";
    decoder.SetDeinterlace(kDeinterlaceAuto);
}

// The library's answer for each frame follows it through the decode-ahead queue and through seeks:
// the start, the timestamp restart at second 3 of interlacedpal.vob, the middle. A progressive video
// with the switch on goes through the deinterlacer untouched, and must not count as deinterlaced.
TEST(DecoderDeinterlace, FrameDeinterlacedTellsEachFrameTheFilterMade)
{
    struct Case {
        const char* name;
        std::int32_t mode;
        bool deinterlaced;
    };
    TDecoder decoder;
    for (const Case& c :
         {Case{"interlacedpal.vob", kDeinterlaceAuto, true}, Case{"interlacedpal.vob", kDeinterlaceOff, false},
          Case{"pal5.vob", kDeinterlaceAuto, false}, Case{"film.vob", kDeinterlaceAuto, false}}) {
        ASSERT_TRUE(decoder.SetDeinterlace(c.mode));
        decoder.OpenFile(FixturePath(c.name), 0, 0);
        int n = 0;
        for (; decoder.GetNextFrame(); ++n)
            ASSERT_EQ(decoder.FrameDeinterlaced(), c.deinterlaced) << c.name << " mode " << c.mode << " frame " << n;
        EXPECT_GT(n, 100) << c.name;
        for (int second : {3, 0, 4}) {
            decoder.Seek(second);
            for (int k = 0; k < 2; ++k) {
                ASSERT_NE(decoder.GetNextFrame(), nullptr) << c.name << " second " << second;
                EXPECT_EQ(decoder.FrameDeinterlaced(), c.deinterlaced)
                    << c.name << " mode " << c.mode << " second " << second << " frame " << k << " after the seek";
            }
        }
    }
    decoder.SetDeinterlace(kDeinterlaceAuto);
}

bool FilterLibraryLoaded()
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find("libavfilter.so") != std::string::npos)
            return true;
    return false;
}

// FFmpeg's filter library, with all it pulls in, would slow every start; only a video with pictures
// to deinterlace loads it.
TEST(DecoderDeinterlace, FilterLibraryLoadsOnlyForAVideoThatNeedsIt)
{
    if (FilterLibraryLoaded())
        GTEST_SKIP() << "a test before this one in the process deinterlaced";
    TDecoder decoder;
    for (const char* name : {"pal5.vob", "film.vob"}) {
        decoder.OpenFile(FixturePath(name), 0, 0);
        decoder.Seek(2);
        while (decoder.GetNextFrame()) {
        }
    }
    EXPECT_FALSE(FilterLibraryLoaded());
    decoder.OpenFile(FixturePath("interlacedpal.vob"), 0, 0);
    ASSERT_NE(decoder.GetNextFrame(), nullptr);
    EXPECT_TRUE(decoder.FrameDeinterlaced());
    EXPECT_TRUE(FilterLibraryLoaded());
}

}  // namespace
