// The play manager on the fixture videos with the real decoder library, drawing into a test surface.
#include "support/fixtures.h"
#include "playmanagertest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class PlayManagerTest : public TPlayManagerFixture {
protected:
    void Open(const char* Name = "pal.vob") { Manager.OpenFile(FixturePath(Name)); }
};

TEST_F(PlayManagerTest, WithoutAFilePlayPauseAndStopDoNothing)
{
    const int asked = HandOffsAsked();
    Manager.Play();
    Manager.Pause();
    Manager.Stop();
    Manager.Play();
    RunFor(100);
    EXPECT_FALSE(Manager.Opened());
    EXPECT_FALSE(Manager.Playing());
    EXPECT_EQ(HandOffsAsked(), asked);
    EXPECT_EQ(Manager.AspectRatio(), 1.0);
    EXPECT_TRUE(Events.empty());
}

TEST_F(PlayManagerTest, OpenShowsTheFirstFrameAndTheFilesInformation)
{
    Open();
    EXPECT_TRUE(Manager.Opened());
    EXPECT_FALSE(Manager.Playing());
    EXPECT_EQ(Manager.FileName(), FixturePath("pal.vob"));
    EXPECT_EQ(Manager.Width(), 720);
    EXPECT_EQ(Manager.Height(), 576);
    EXPECT_DOUBLE_EQ(Manager.AspectRatio(), 4.0 / 3.0);
    EXPECT_EQ(Manager.DurationHours(), 0);
    EXPECT_EQ(Manager.DurationMinutes(), 0);
    EXPECT_EQ(Manager.DurationSeconds(), 12);
    EXPECT_EQ(Manager.TotalSeconds(), 12);
    EXPECT_EQ(Manager.Position(), 0);
    EXPECT_DOUBLE_EQ(Manager.Fps(), 25.0);
    EXPECT_DOUBLE_EQ(Panel.AspectRatio, 4.0 / 3.0);
    EXPECT_EQ(Panel.ShownIndex(), 0);

    // Opening another file in the paused state; the panel letterboxes it to its own 16:9 shape.
    Open("ntsc.vob");
    EXPECT_NEAR(Manager.Fps(), 29.97, 0.001);
    EXPECT_EQ(Manager.TotalSeconds(), 6);
    EXPECT_DOUBLE_EQ(Panel.AspectRatio, 16.0 / 9.0);
    EXPECT_EQ(Panel.ShownIndex(), 0);
    EXPECT_TRUE(Events.empty());
}

TEST_F(PlayManagerTest, AFileTheLibraryRefusesChangesOnlyTheFileName)
{
    EXPECT_THROW(Manager.OpenFile(FixturePath("random.vob")), EMPEG2Error);
    EXPECT_FALSE(Manager.Opened());
    EXPECT_EQ(Manager.FileName(), FixturePath("random.vob"));

    Open();
    Manager.Seek(3);
    try {
        Manager.OpenFile(FixturePath("empty.vob"));
        ADD_FAILURE() << "empty.vob was opened";
    } catch (const EMPEG2Error& error) {
        EXPECT_EQ(error.Message(), "Unable to open video file: " + FixturePath("empty.vob") + " (the file is empty)");
    }
    EXPECT_EQ(Manager.FileName(), FixturePath("empty.vob"));
    EXPECT_TRUE(Manager.Opened());
    EXPECT_EQ(Manager.TotalSeconds(), 12);
    EXPECT_EQ(Manager.Position(), 3);
    EXPECT_EQ(Panel.ShownIndex(), 75);
}

TEST_F(PlayManagerTest, PlayStartsWithTheSecondFrameAndPauseKeepsThePicture)
{
    Open();
    const int asked = HandOffsAsked();
    Manager.Play();
    EXPECT_TRUE(Manager.Playing());
    EXPECT_EQ(DrawnFrameAfter(asked), 1);
    RunFor(300);
    Manager.Pause();
    EXPECT_FALSE(Manager.Playing());
    const int shown = Panel.ShownIndex();
    EXPECT_GT(shown, 2);

    const int pausedAt = HandOffsAsked();
    RunFor(200);
    EXPECT_EQ(HandOffsAsked(), pausedAt);
    EXPECT_EQ(Panel.ShownIndex(), shown);
    // Playing again goes on with the next frame.
    EXPECT_EQ(FirstFramePlayed(), shown + 1);
}

// Each drawn frame is reported and waits for its report: serving the reports one by one shows
// consecutive frames, so a second Play started no second thread taking frames.
TEST_F(PlayManagerTest, PlayWhilePlayingKeepsOneThread)
{
    Open();
    int asked = HandOffsAsked();
    Manager.Play();
    Manager.Play();
    for (int expected = 1; expected <= 12; ++expected) {
        ASSERT_EQ(DrawnFrameAfter(asked), expected);
        asked = HandOffsAsked();
        TThread::CheckSynchronize();
    }
    Manager.Pause();
}

TEST_F(PlayManagerTest, StopGoesBackToTheFirstFrameAndTheNominalRate)
{
    Open();
    Manager.Play();
    ASSERT_TRUE(RunUntil([&] { return Count(TEventKind::Position) > 0; }));
    Manager.Stop();
    EXPECT_FALSE(Manager.Playing());
    EXPECT_EQ(Panel.ShownIndex(), 0);
    EXPECT_EQ(Manager.Position(), 0);
    EXPECT_DOUBLE_EQ(Manager.Fps(), 25.0);
    EXPECT_EQ(FirstFramePlayed(), 1);
}

TEST_F(PlayManagerTest, SeekWhilePausedShowsTheFrameAndStaysPaused)
{
    Open();
    Manager.Seek(5);
    EXPECT_FALSE(Manager.Playing());
    EXPECT_EQ(Panel.ShownIndex(), 125);
    EXPECT_EQ(Manager.Position(), 5);
    EXPECT_DOUBLE_EQ(Manager.Fps(), 25.0);
    const int asked = HandOffsAsked();
    RunFor(150);
    EXPECT_EQ(HandOffsAsked(), asked);
    EXPECT_EQ(FirstFramePlayed(), 126);
}

TEST_F(PlayManagerTest, SeekWhilePlayingPlaysOnFromTheNewSecond)
{
    Open();
    Manager.Play();
    RunFor(200);
    // Leave the thread waiting in a report, so that every later report is the new thread's.
    WaitForHandOff(HandOffsAsked(), 200);
    const int asked = HandOffsAsked();
    Manager.Seek(8);
    EXPECT_TRUE(Manager.Playing());
    EXPECT_EQ(Manager.Position(), 8);
    // The new thread starts with the frame after the one the seek showed (200).
    ASSERT_TRUE(WaitForHandOff(asked));
    EXPECT_EQ(Panel.ShownIndex(), 201);
    Manager.Pause();
}

// A few frames before the end: the end comes with a last OnPosition, then OnPlayEnd, both on the
// main thread. A further Play finds no frame and reports the end at once, with a rate of 0.
TEST_F(PlayManagerTest, TheEndOfTheStreamIsReportedAndPlayAfterItEndsAtOnce)
{
    Open();
    Manager.Seek(11);
    Manager.Play();
    ASSERT_TRUE(RunUntil([&] { return Count(TEventKind::PlayEnd) == 1; }));
    EXPECT_FALSE(Manager.Playing());
    ASSERT_GE(Events.size(), 2u);
    const TEvent& position = Events[Events.size() - 2];
    const TEvent& end = Events.back();
    EXPECT_EQ(position.Kind, TEventKind::Position);
    EXPECT_EQ(end.Kind, TEventKind::PlayEnd);
    for (const TEvent& event : Events) {
        EXPECT_TRUE(event.OnMainThread);
        EXPECT_FALSE(event.FromConversion);
        EXPECT_TRUE(event.SenderNone);
        EXPECT_EQ(event.Progress.Total, -1) << "Info was given";
    }
    EXPECT_EQ(position.Position, 11);
    EXPECT_EQ(Panel.ShownIndex(), 299);

    Events.clear();
    const int asked = HandOffsAsked();
    Manager.Play();
    ASSERT_TRUE(RunUntil([&] { return Count(TEventKind::PlayEnd) == 1; }, 2000));
    EXPECT_EQ(HandOffsAsked(), asked + 1) << "a frame was reported before the end";
    ASSERT_EQ(Events.size(), 2u);
    EXPECT_EQ(Events[0].Kind, TEventKind::Position);
    EXPECT_EQ(Events[0].Fps, 0.0);
    EXPECT_EQ(Panel.ShownIndex(), 299);
    EXPECT_FALSE(Manager.Playing());

    Manager.Stop();
    EXPECT_EQ(FirstFramePlayed(), 1);
}

// Rates are measured over windows of at least a second. The pace keeps them near the nominal rate
// (a loaded machine oversleeps a little; bench/play measures it closely), and each is the frames
// drawn in its window over the window's time, as seen here from one report to the next.
TEST_F(PlayManagerTest, ThePublishedRateIsTheMeasuredDisplayRate)
{
#ifdef __SANITIZE_THREAD__
    // Instrumented decoding falls below 25 frames a second whenever the host is slow; the rate is
    // the release build's to show, the threads are the other tests' to check.
    GTEST_SKIP() << "the rate of an instrumented build says nothing";
#endif
    Open();
    Manager.Play();
    ASSERT_TRUE(RunUntil([&] { return Count(TEventKind::Position) == 3; }, 6000));
    Manager.Pause();
    ASSERT_EQ(Events.size(), 3u);
    for (const TEvent& event : Events) {
        EXPECT_NEAR(event.Fps, 25.0, 2.5);
        ASSERT_GT(event.ShownIndex, 0);
        EXPECT_EQ(event.Position, event.ShownIndex / 25) << "frame " << event.ShownIndex;
    }
    for (std::size_t i = 1; i < Events.size(); ++i) {
        const double seconds = std::chrono::duration<double>(Events[i].Time - Events[i - 1].Time).count();
        EXPECT_NEAR(Events[i].Fps, (Events[i].ShownIndex - Events[i - 1].ShownIndex) / seconds, 0.5) << i;
    }
    // The playback rate stays until the next stop or seek.
    EXPECT_EQ(Manager.Fps(), Events.back().Fps);
}

// Pausing while the thread waits for its report to be handled: the waiting main thread serves the
// report, which reaches nobody, and the thread ends.
TEST_F(PlayManagerTest, PauseWhileAReportWaitsDoesNotLockUp)
{
    Open();
    const int asked = HandOffsAsked();
    Manager.Play();
    ASSERT_EQ(DrawnFrameAfter(asked), 1);
    Manager.Pause();
    EXPECT_FALSE(Manager.Playing());
    EXPECT_EQ(Panel.ShownIndex(), 1);
    const int pausedAt = HandOffsAsked();
    RunFor(150);
    EXPECT_EQ(HandOffsAsked(), pausedAt);
    EXPECT_TRUE(Events.empty());
}

class PlayManagerConvertTest : public PlayManagerTest {
protected:
    void SetUp() override
    {
        PlayManagerTest::SetUp();
        Folder = fs::temp_directory_path() / ("playmanager_test." + std::to_string(getpid()));
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }

    TConvertRec PiecesJob(std::int32_t Pieces) const
    {
        TConvertRec job;
        job.Width = 64;
        job.Height = 48;
        job.Pieces = Pieces;
        job.VideoName = "pal";
        job.SaveFolder = Folder.string() + "/";
        return job;
    }

    fs::path Folder;
};

// The progress comes with every written picture and with the job's end; OnConvertDone comes last,
// while Converting still holds. Afterwards the decoder stands at the start and the preview still
// shows what it showed before.
TEST_F(PlayManagerConvertTest, AConversionReportsProgressThenDoneAndRewinds)
{
    Open();
    Manager.Seek(5);
    Manager.Convert(PiecesJob(3));
    EXPECT_TRUE(Manager.Converting());
    ASSERT_TRUE(RunUntil([&] { return !Manager.Converting(); }, 20000));

    ASSERT_GE(Events.size(), 5u);
    EXPECT_EQ(Events.back().Kind, TEventKind::ConvertDone);
    EXPECT_EQ(Count(TEventKind::ConvertDone), 1);
    std::vector<std::int64_t> saved;
    for (const TEvent& event : Events) {
        EXPECT_TRUE(event.OnMainThread);
        EXPECT_TRUE(event.FromConversion);
        EXPECT_TRUE(event.SenderNone);
        EXPECT_TRUE(event.Converting);
        EXPECT_EQ(event.Progress.Total, 3);
        if (event.Kind == TEventKind::Progress && (saved.empty() || saved.back() != event.Progress.Current))
            saved.push_back(event.Progress.Current);
    }
    EXPECT_EQ(saved, (std::vector<std::int64_t>{0, 1, 2}));
    // The job's end [stConvertStopped, stConvertEnd] raises one more OnProgress.
    EXPECT_GE(Count(TEventKind::Progress), 4);
    EXPECT_EQ(Events.back().Progress.Current, 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(fs::exists(Folder / "pal" / ("pal_" + std::to_string(i) + ".jpg"))) << i;

    EXPECT_EQ(Panel.ShownIndex(), 125);
    EXPECT_EQ(FirstFramePlayed(), 0);
}

TEST_F(PlayManagerConvertTest, AFailedConversionRaisesTheFailureEventWithItsMessage)
{
    Open();
    Manager.Seek(5);
    Manager.Convert(PiecesJob(0));
    ASSERT_TRUE(RunUntil([&] { return !Manager.Converting(); }, 20000));

    ASSERT_EQ(Events.size(), 1u);
    const TEvent& failed = Events[0];
    EXPECT_EQ(failed.Kind, TEventKind::ConvertFailed);
    EXPECT_TRUE(failed.OnMainThread);
    EXPECT_TRUE(failed.FromConversion);
    EXPECT_TRUE(failed.SenderNone);
    EXPECT_TRUE(failed.Converting);
    EXPECT_FALSE(failed.Error.empty());
    EXPECT_EQ(failed.Progress.Total, 0);
    EXPECT_EQ(Manager.ConvertError(), failed.Error);

    // The window can carry on: playing starts at the beginning.
    EXPECT_EQ(FirstFramePlayed(), 0);
}

}  // namespace
