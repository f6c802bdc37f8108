// The play manager on the scripted fake decoder (found beside this program), which decodes
// instantly: the playback rate comes from pacing alone, and streams can be as short as needed.
#include "playmanagertest.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class PlayManagerFakeTest : public TPlayManagerFixture {
protected:
    void Open(const char* Script)
    {
        setenv("STILLREEL_FAKE_DECODER", Script, 1);
        Manager.OpenFile("fake.vob");
    }

    // The fake's frame i has the value i in every pixel.
    std::uint32_t ShownValue() const { return Panel.MiddlePixel(); }

    int Ends() const { return Count(TEventKind::PlayEnd); }
};

TEST_F(PlayManagerFakeTest, AFastStreamIsShownAtItsNominalRate)
{
    Open("fps=50;seconds=10");
    EXPECT_DOUBLE_EQ(Manager.Fps(), 50.0);
    Manager.Play();
    ASSERT_TRUE(RunUntil([&] { return Rates().size() == 3; }, 6000));
    Manager.Pause();
    // Never faster than the stream's rate: the fake decodes at once, so only pacing holds it there. A
    // loaded machine (or an instrumented build) oversleeps, so the floor is loose; bench/play
    // measures the rate closely.
    for (double rate : Rates()) {
        EXPECT_LE(rate, 55.0);
        EXPECT_GE(rate, 25.0);
    }
    EXPECT_EQ(Ends(), 0);
}

TEST_F(PlayManagerFakeTest, AStreamEndingWithinASecondReportsARateOfZero)
{
    Open("fps=25;seconds=1;frames=10");
    EXPECT_EQ(ShownValue(), 0u);
    Manager.Play();
    ASSERT_TRUE(RunUntil([&] { return Ends() == 1; }, 3000));
    EXPECT_EQ(Rates(), std::vector<double>{0.0});
    EXPECT_DOUBLE_EQ(Manager.Fps(), 0.0);
    EXPECT_EQ(Manager.Position(), 0);
    EXPECT_EQ(ShownValue(), 9u);
    EXPECT_FALSE(Manager.Playing());
}

// What each report of a worker raises, made up here rather than waited for.
TEST_F(PlayManagerFakeTest, ConversionReportsRaiseTheirEvents)
{
    using TRaised = std::vector<std::pair<char, const TConvertProgress*>>;
    TRaised raised;
    Manager.OnProgress = [&](void*, bool, const TConvertProgress* Info) { raised.emplace_back('P', Info); };
    Manager.OnConvertDone = [&](void*, bool, const TConvertProgress* Info) { raised.emplace_back('D', Info); };
    Manager.OnConvertFailed = [&](void*, bool, const TConvertProgress* Info) { raised.emplace_back('F', Info); };
    TConvertProgress block;

    // Without a conversion thread, the rate and end marks raise nothing.
    Manager.ThreadStatus({TStatusFlag::stConvertRate}, &block);
    Manager.ThreadStatus({TStatusFlag::stConvertEnd}, &block);
    EXPECT_TRUE(raised.empty());

    Open("fps=25;seconds=2");
    TConvertRec job;
    job.Width = 8;
    job.Height = 6;
    job.Pieces = 1;
    job.VideoName = "fake";
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("playmanager_fake." + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    job.SaveFolder = folder.string() + "/";
    Manager.Convert(job);
    const bool ended = RunUntil([&] { return !Manager.Converting(); });
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(ended);
    raised.clear();

    Manager.ThreadStatus({TStatusFlag::stFrameSaved, TStatusFlag::stConvertRate}, &block);
    EXPECT_EQ(raised, (TRaised{{'P', &block}, {'P', &block}}));
    raised.clear();
    Manager.ThreadStatus({TStatusFlag::stConvertStopped, TStatusFlag::stConvertEnd}, &block);
    EXPECT_EQ(raised, (TRaised{{'P', &block}}));
    raised.clear();
    // The playback thread's failure and the conversion's stop mark alone raise nothing.
    Manager.ThreadStatus({TStatusFlag::stPlayError, TStatusFlag::stPlayStopped}, nullptr);
    Manager.ThreadStatus({TStatusFlag::stConvertStopped}, &block);
    EXPECT_TRUE(raised.empty());
}

}  // namespace
