// The real DVD files authored by tools that are not ours. Skipped when the folder is absent.
#include "decodertest.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

struct Expected {
    int height;
    double fps;
    double aspect;
    int frames;
    int totalSeconds;
};

// What each sample holds, counted from its own pictures.
const std::map<std::string, Expected> kSamples = {
    {"dvdarch_sample01_VIDEO_TS.VOB", {576, 25.0, 4.0 / 3.0, 26, 1}},
    {"dvdarch_sample02_VIDEO_TS.VOB", {576, 25.0, 4.0 / 3.0, 26, 1}},
    {"dvdarch_sample02_VTS_01_0.VOB", {576, 25.0, 4.0 / 3.0, 26, 1}},
    {"hammond_VIDEO_TS.VOB", {576, 25.0, 4.0 / 3.0, 31, 1}},
    {"homevideo_VIDEO_TS.VOB", {480, 30000.0 / 1001, 4.0 / 3.0, 1, 0}},
    {"homevideo_VTS_01_0.VOB", {480, 30000.0 / 1001, 4.0 / 3.0, 1, 0}},
    {"scfcdv_aa_VIDEO_TS.VOB", {480, 30000.0 / 1001, 4.0 / 3.0, 14, 0}},
    {"scfcdv_aa_VTS_01_0.VOB", {480, 30000.0 / 1001, 16.0 / 9.0, 1, 0}},
};

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

TEST(DecoderRealDvd, EverySampleOpensWithSaneInformationAndDeliversAllFrames)
{
    const auto files = RealDvdVobFiles();
    if (files.empty())
        GTEST_SKIP() << "no real DVD samples: the folder " << RealDvdFolder() << " (STILLREEL_REALDVD) is absent";
    TDecoder decoder;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        decoder.OpenFile(file, 0, 0);
        const TDecoderFileInfo& info = *decoder.FileInfo();
        EXPECT_EQ(info.FrameWidth, 720);
        EXPECT_EQ(info.Width, info.FrameWidth);
        EXPECT_EQ(info.Height, info.FrameHeight);
        std::vector<std::int64_t> seconds; // of every frame, in order
        while (decoder.GetNextFrame()) {
            EXPECT_GE(decoder.FrameInfo()->Timestamp, seconds.empty() ? 0 : seconds.back());
            seconds.push_back(decoder.FrameInfo()->Timestamp);
        }
        const int frames = static_cast<int>(seconds.size());
        ASSERT_GT(frames, 0);
        EXPECT_LE(seconds.back(), info.TotalSeconds);
        // A seek lands where decoding from the start says that second begins: as many frames
        // follow it as follow that point.
        for (std::int64_t s = 0; s <= seconds.back(); ++s) {
            decoder.Seek(static_cast<std::int32_t>(s));
            const auto from = std::lower_bound(seconds.begin(), seconds.end(), s);
            int after = 0;
            while (decoder.GetNextFrame())
                ++after;
            EXPECT_EQ(after, seconds.end() - from) << "second " << s;
        }
        decoder.Rewind();
        EXPECT_NE(decoder.GetNextFrame(), nullptr);
        EXPECT_EQ(decoder.FrameInfo()->Timestamp, 0);

        auto expected = kSamples.find(BaseName(file));
        if (expected == kSamples.end())
            continue;
        const Expected& e = expected->second;
        EXPECT_EQ(info.FrameHeight, e.height);
        EXPECT_NEAR(info.Fps, e.fps, 1e-9);
        EXPECT_NEAR(info.AspectRatio, e.aspect, 1e-9);
        EXPECT_EQ(frames, e.frames);
        EXPECT_EQ(info.TotalSeconds, e.totalSeconds);
    }
}

} // namespace
