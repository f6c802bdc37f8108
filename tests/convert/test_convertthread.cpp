// Conversion jobs on encoded videos whose frames carry their index: which frames become which files,
// the reports on the way, and how the job ends.
#include "convertthreadtest.h"

#include "platform/clock.h"

#include <unistd.h>

namespace {

class ConvertVideo : public TConvertTest {
protected:
    void Open(const std::string& video)
    {
        FDecoder.OpenFile(FixturePath(video), 0, 0);
        FTotalSeconds = FDecoder.FileInfo()->TotalSeconds;
    }

    std::vector<TReport> Convert(const std::string& video, const TConvertRec& job)
    {
        Open(video);
        return RunJob(FDecoder, FTotalSeconds, job);
    }

    TPicture Picture(int index, const std::string& name = "clip") const
    {
        return TPicture(FFolder / name / (name + "_" + std::to_string(index) + ".jpg"));
    }

    // The index read from each of count files.
    std::vector<int> Indices(int count) const
    {
        std::vector<int> indices;
        for (int i = 0; i < count; ++i)
            indices.push_back(Picture(i).Index());
        return indices;
    }

    TDecoder FDecoder;
    std::int32_t FTotalSeconds = 0;
};

std::vector<int> Every(int first, int step, int count)
{
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
        values.push_back(first + i * step);
    return values;
}

TEST_F(ConvertVideo, TwelvePiecesOfAHundredSecondVideoComeFromEveryEighthSecond)
{
    TConvertRec job = Job(720, 576);
    job.Pieces = 12;

    const std::vector<TReport> reports = Convert("pal100.vob", job);

    ASSERT_EQ(Sequence(reports), Expected(12, {StoppedEnd, Done}));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(reports[i].Progress.Current, i);
        EXPECT_EQ(reports[i].Progress.Total, 12);
    }
    EXPECT_EQ(FileNames(FFolder / "clip"), NumberedNames("clip", 12));
    EXPECT_EQ(Indices(12), Every(0, 200, 12));
}

TEST_F(ConvertVideo, PiecesOfAVideoShorterThanTheirNumberComeFromEverySecondUntilTheFramesRunOut)
{
    TConvertRec job = Job(720, 576);
    job.Pieces = 12;

    const std::vector<TReport> reports = Convert("pal5.vob", job);

    ASSERT_EQ(Sequence(reports), Expected(5, {StoppedEnd, StoppedEnd, Done}));
    EXPECT_EQ(reports.back().Progress.Total, 12);
    EXPECT_EQ(reports.back().Progress.Current, 4);
    EXPECT_EQ(FileNames(FFolder / "clip"), NumberedNames("clip", 5));
    EXPECT_EQ(Indices(5), Every(0, 25, 5));
}

TEST_F(ConvertVideo, RangeTakesConsecutiveFramesFromTheStartPointThroughTheEndSecond)
{
    TConvertRec job = Job(160, 128);
    job.StartEnd = true;
    job.StartPoint = 10;
    job.EndPoint = 11;

    const std::vector<TReport> reports = Convert("pal.vob", job);

    ASSERT_EQ(Sequence(reports), Expected(50, {StoppedEnd, Done}));
    EXPECT_EQ(reports.back().Progress.Total, 50);
    EXPECT_EQ(reports.back().Progress.Current, 49);
    EXPECT_EQ(FileNames(FFolder / "clip"), NumberedNames("clip", 50));
    EXPECT_EQ(Indices(50), Every(250, 1, 50));
}

TEST_F(ConvertVideo, WholeVideoWritesEveryFrameAndReportsTheEndTwice)
{
    TConvertRec job = Job(160, 128);
    job.Whole = true;
    job.Pieces = 0;  // not looked at in this mode

    const std::vector<TReport> reports = Convert("pal5.vob", job);

    ASSERT_EQ(Sequence(reports), Expected(125, {StoppedEnd, StoppedEnd, Done}));
    EXPECT_EQ(reports.back().Progress.Total, 125);
    EXPECT_EQ(reports.back().Progress.Current, 124);
    EXPECT_EQ(FileNames(FFolder / "clip"), NumberedNames("clip", 125));
    EXPECT_EQ(Indices(125), Every(0, 1, 125));
}

// A damaged video's length may promise more or fewer pictures than it holds: no report counts past
// its total, and a whole video ends at as many as were written.
TEST_F(ConvertVideo, WholeVideoTotalFollowsThePicturesThereWere)
{
    TConvertRec job = Job(160, 128);
    job.Whole = true;
    for (const std::int32_t promisedSeconds : {2, 9}) {
        SCOPED_TRACE(promisedSeconds);
        Open("pal5.vob");
        std::filesystem::remove_all(FFolder / "clip");
        const std::vector<TReport> reports = RunJob(FDecoder, promisedSeconds, job);

        ASSERT_EQ(Sequence(reports), Expected(125, {StoppedEnd, StoppedEnd, Done}));
        for (const TReport& report : reports)
            EXPECT_LE(report.Progress.Current + 1, report.Progress.Total);
        EXPECT_EQ(reports.back().Progress.Total, 125);
        EXPECT_EQ(FileNames(FFolder / "clip"), NumberedNames("clip", 125));
    }
}

TEST_F(ConvertVideo, PicturesAtFrameSizeAndResampledOnesStandUpright)
{
    for (const auto& [width, height] : {std::pair{720, 576}, std::pair{160, 128}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const std::string name = "clip" + std::to_string(width);
        TConvertRec job = Job(width, height, name);
        job.Pieces = 2;

        ASSERT_EQ(Sequence(Convert("pal.vob", job)), Expected(2, {StoppedEnd, Done}));

        for (const auto& [file, index] : {std::pair{0, 0}, std::pair{1, 150}}) {
            const TPicture picture = Picture(file, name);
            ASSERT_TRUE(picture.IsValid());
            EXPECT_EQ(picture.Width(), width);
            EXPECT_EQ(picture.Height(), height);
            EXPECT_EQ(picture.Bpp(), 24);
            EXPECT_EQ(picture.Index(), index);
            EXPECT_EQ(picture.IndexUpsideDown(), -1);
        }
    }
}

TEST_F(ConvertVideo, WithoutASaveFolderThePicturesGoBelowTheProgramsFolder)
{
    const std::string name = "convertthread-test-" + std::to_string(getpid());
    const fs::path folder = fs::path(AppFolder) / name;
    struct TRemove {
        fs::path Folder;
        ~TRemove()
        {
            std::error_code ignored;
            fs::remove_all(Folder, ignored);
        }
    } remove{folder};
    TConvertRec job = Job(160, 128, name);
    job.SaveFolder.clear();
    job.Pieces = 1;

    ASSERT_EQ(Sequence(Convert("pal.vob", job)), Expected(1, {StoppedEnd, Done}));

    EXPECT_EQ(FileNames(folder), NumberedNames(name, 1));
    EXPECT_EQ(TPicture(folder / (name + "_0.jpg")).Index(), 0);
    EXPECT_EQ(FileNames(FFolder), std::vector<std::string>{});
}

TEST_F(ConvertVideo, PercentSignsInTheFolderAndTheNameAreKeptAsTheyAre)
{
    const fs::path saveFolder = FFolder / "50%s %d%n";
    fs::create_directory(saveFolder);
    const std::string name = "clip%s%d%n%%";
    TConvertRec job = Job(160, 128, name);
    job.SaveFolder = saveFolder.string() + "/";
    job.Pieces = 1;

    ASSERT_EQ(Sequence(Convert("pal.vob", job)), Expected(1, {StoppedEnd, Done}));

    EXPECT_EQ(FileNames(saveFolder / name), NumberedNames(name, 1));
    EXPECT_EQ(TPicture(saveFolder / name / (name + "_0.jpg")).Index(), 0);
}

TEST_F(ConvertVideo, ASecondJobReplacesThePicturesOfTheSameNumbers)
{
    TConvertRec first = Job(720, 576);
    first.Pieces = 2;
    ASSERT_EQ(Sequence(Convert("pal.vob", first)), Expected(2, {StoppedEnd, Done}));
    TConvertRec second = Job(160, 128);
    second.Pieces = 1;

    ASSERT_EQ(Sequence(Convert("pal.vob", second)), Expected(1, {StoppedEnd, Done}));

    EXPECT_EQ(FileNames(FFolder / "clip"), NumberedNames("clip", 2));
    EXPECT_EQ(Picture(0).Width(), 160);
    EXPECT_EQ(Picture(1).Width(), 720);
}

TEST_F(ConvertVideo, AStopRequestEndsAWholeVideoJobBeforeItsNextFrame)
{
    Open("pal100.vob");
    std::vector<TReport> reports;
    TConvertRec job = Job(160, 128);
    job.Whole = true;
    TConvertThread thread(FDecoder, FTotalSeconds, job, [&](TStatusFlags status, const TConvertProgress* progress) {
        reports.push_back({status, *progress, {}});
        if (status.Has(TStatusFlag::stFrameSaved) && progress->Current == 2)
            thread.Terminate();
    });

    thread.Start();
    thread.WaitFor();

    EXPECT_EQ(Sequence(reports), Expected(3, {StoppedEnd, Done}));
    EXPECT_EQ(reports.back().Progress.Total, 2500);
    EXPECT_EQ(FileNames(FFolder / "clip"), NumberedNames("clip", 3));
}

// A range or pieces job runs on past a stop request, but not past its owner: a program told to end
// does not wait for a job of hundreds of pictures.
TEST_F(ConvertVideo, DestroyingTheThreadEndsItsReportsAndItsJobOfAnyMode)
{
    Open("pal100.vob");
    TConvertRec whole = Job(160, 128);
    whole.Whole = true;
    TConvertRec pieces = Job(160, 128);
    pieces.Pieces = 100;
    TConvertRec range = Job(160, 128);
    range.StartEnd = true;
    range.EndPoint = 99;
    for (const TConvertRec& job : {whole, pieces, range}) {
        std::filesystem::remove_all(FFolder / "clip");
        int reports = 0;
        auto thread = std::make_unique<TConvertThread>(FDecoder, FTotalSeconds, job,
                                                       [&](TStatusFlags, const TConvertProgress*) { ++reports; });
        thread->Start();
        while (reports < 2) {
            TThread::CheckSynchronize();
            Sleep(1);
        }
        // One call may have run a third report, when the next picture was encoded already.
        const int seen = reports;

        thread.reset();

        EXPECT_EQ(reports, seen);
        // The worker may have written the next picture before its owner let go.
        EXPECT_LE(FileNames(FFolder / "clip").size(), static_cast<std::size_t>(seen) + 1);
    }
}

}  // namespace
