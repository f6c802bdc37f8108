// Jobs that cannot be carried out: each ends with the error report and a message, and nothing that is
// not on disk is reported as written.
#include "convertthreadtest.h"

#include <csignal>
#include <fstream>

#include <sys/resource.h>

namespace {

class ConvertFaults : public TConvertTest {
protected:
    ConvertFaults()
    {
        FDecoder.OpenFile(FixturePath("pal.vob"), 0, 0);
        FTotalSeconds = FDecoder.FileInfo()->TotalSeconds;
    }

    std::vector<TReport> Convert(const TConvertRec& job)
    {
        return RunJob(FDecoder, FTotalSeconds, job);
    }

    // Runs a job that must fail before writing anything, and answers its message.
    std::string FailingJobMessage(const TConvertRec& job)
    {
        const std::vector<TReport> reports = Convert(job);
        EXPECT_EQ(Sequence(reports), Expected(0, {Failed}));
        EXPECT_FALSE(fs::exists(FFolder / job.VideoName));
        return reports.empty() ? std::string() : reports.back().Error;
    }

    TDecoder FDecoder;
    std::int32_t FTotalSeconds = 0;
};

TEST_F(ConvertFaults, AThumbnailSmallerThanOnePixelFailsAtTheStart)
{
    for (const auto& [width, height] : {std::pair{0, 576}, std::pair{720, 0}, std::pair{-1, 10}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        TConvertRec job = Job(width, height);
        job.Pieces = 12;
        EXPECT_EQ(FailingJobMessage(job), "The thumbnail size must be at least 1 x 1 pixels.");
    }
}

TEST_F(ConvertFaults, AThumbnailTooLargeForItsBitmapFailsAtTheStart)
{
    TConvertRec job = Job(99999, 99999);
    job.Pieces = 12;
    EXPECT_EQ(FailingJobMessage(job), "Unable to allocate a picture of 99999 x 99999 pixels.");
}

TEST_F(ConvertFaults, FewerThanOnePieceFails)
{
    for (const std::int32_t pieces : {0, -3}) {
        SCOPED_TRACE(pieces);
        TConvertRec job = Job(160, 128);
        job.Pieces = pieces;
        EXPECT_EQ(FailingJobMessage(job), "The number of pieces must be at least 1.");
    }
}

TEST_F(ConvertFaults, AJobFolderThatCannotBeMadeStopsTheJobAtItsFirstPicture)
{
    std::ofstream(FFolder / "file") << "not a folder";
    for (const auto& [saveFolder, reason] : {std::pair{SaveFolder() + "missing/", "No such file or directory"},
                                            std::pair{SaveFolder() + "file/", "Not a directory"}}) {
        SCOPED_TRACE(saveFolder);
        TConvertRec job = Job(160, 128);
        job.SaveFolder = saveFolder;
        job.Pieces = 12;

        const std::vector<TReport> reports = Convert(job);

        ASSERT_EQ(Sequence(reports), Expected(0, {Failed}));
        EXPECT_EQ(reports[0].Error,
                  "Unable to write thumbnail: " + saveFolder + "clip/clip_0.jpg (" + reason + ")");
        EXPECT_EQ(reports[0].Progress.Current, 0);
    }
}

// Pictures after the failing one may be encoded already: none of them is written or announced.
TEST_F(ConvertFaults, APictureThatCannotBeWrittenEndsTheJobAndThoseBeforeItStay)
{
    TConvertRec pieces = Job(160, 128);
    pieces.Pieces = 4;
    TConvertRec whole = Job(160, 128);
    whole.Whole = true;
    for (const TConvertRec& job : {pieces, whole}) {
        SCOPED_TRACE(job.Whole ? "whole video" : "pieces");
        fs::remove_all(FFolder / "moved");
        fs::remove_all(FFolder / "clip");
        std::vector<TReport> reports;
        // After the second picture the job folder moves away and a file takes its name.
        TConvertThread thread(FDecoder, FTotalSeconds, job, [&](TStatusFlags status, const TConvertProgress* progress) {
            reports.push_back({status, *progress, thread.LastError()});
            if (status.Has(TStatusFlag::stFrameSaved) && progress->Current == 1) {
                fs::rename(FFolder / "clip", FFolder / "moved");
                std::ofstream(FFolder / "clip") << "not a folder";
            }
        });

        thread.Start();
        thread.WaitFor();

        ASSERT_EQ(Sequence(reports), Expected(2, {Failed}));
        EXPECT_EQ(reports.back().Progress.Current, 1);
        EXPECT_EQ(reports.back().Error,
                  "Unable to write thumbnail: " + SaveFolder() + "clip/clip_2.jpg (Not a directory)");
        EXPECT_EQ(FileNames(FFolder / "moved"), NumberedNames("clip", 2));
    }
}

// Files of this process may grow to Bytes only while it lives; writing past that fails with EFBIG
// instead of raising SIGXFSZ.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t Bytes)
    {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int);
};

TEST_F(ConvertFaults, AFullDiskStopsTheJobWithoutLeavingAPartOfThePicture)
{
    TConvertRec job = Job(720, 576);
    job.Pieces = 12;
    std::vector<TReport> reports;
    {
        const TFileSizeLimit limit(4096);
        reports = Convert(job);
    }

    ASSERT_EQ(Sequence(reports), Expected(0, {Failed}));
    EXPECT_EQ(reports[0].Error, "Unable to write thumbnail: " + SaveFolder() + "clip/clip_0.jpg (File too large)");
    EXPECT_EQ(FileNames(FFolder / "clip"), std::vector<std::string>{});
}

}  // namespace
