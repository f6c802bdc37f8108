// The number of pictures a job expects, on scripted videos whose length times their rate ends in a
// half: ties go to the even neighbour.
#include "convertthreadtest.h"

#include <optional>
#include <tuple>

namespace {

class ConvertScripted : public TConvertTest {
protected:
    ~ConvertScripted() override { unsetenv("STILLREEL_FAKE_DECODER"); }

    std::vector<TReport> Convert(const std::string& script, const TConvertRec& job)
    {
        setenv("STILLREEL_FAKE_DECODER", script.c_str(), 1);
        FDecoder.emplace(STILLREEL_FAKE_DECODER_DIR);
        FDecoder->OpenFile("scripted.vob", 0, 0);
        return RunJob(*FDecoder, FDecoder->FileInfo()->TotalSeconds, job);
    }

    std::optional<TDecoder> FDecoder;
};

TEST_F(ConvertScripted, RangeTotalRoundsHalvesToEven)
{
    // 2.5 frames per second: one second gives 2.5 frames, three give 7.5.
    for (const auto& [endPoint, total] : {std::pair{3, 2}, std::pair{5, 8}}) {
        SCOPED_TRACE(endPoint);
        TConvertRec job = Job(64, 48, "range" + std::to_string(endPoint));
        job.StartEnd = true;
        job.StartPoint = 3;
        job.EndPoint = endPoint;

        const std::vector<TReport> reports = Convert("fps=2.5;seconds=10;width=64;height=48", job);

        ASSERT_EQ(Sequence(reports), Expected(total, {StoppedEnd, Done}));
        EXPECT_EQ(reports.back().Progress.Total, total);
        EXPECT_EQ(FileNames(FFolder / job.VideoName), NumberedNames(job.VideoName, total));
    }
}

TEST_F(ConvertScripted, WholeVideoTotalRoundsHalvesToEvenUntilThePicturesRunOut)
{
    // The scripts hold 3 frames for 2.5 expected, and 8 for 7.5: the estimate stands until the
    // video runs out, then the pictures written are the total.
    for (const auto& [seconds, total, frames] : {std::tuple{1, 2, 3}, std::tuple{3, 8, 8}}) {
        SCOPED_TRACE(seconds);
        TConvertRec job = Job(64, 48, "whole" + std::to_string(seconds));
        job.Whole = true;

        const std::vector<TReport> reports = Convert(
            "fps=2.5;seconds=" + std::to_string(seconds) + ";frames=" + std::to_string(frames) + ";width=64;height=48",
            job);

        ASSERT_EQ(Sequence(reports), Expected(frames, {StoppedEnd, StoppedEnd, Done}));
        EXPECT_EQ(reports.front().Progress.Total, total);
        EXPECT_EQ(reports.back().Progress.Total, frames);
        EXPECT_EQ(FileNames(FFolder / job.VideoName), NumberedNames(job.VideoName, frames));
    }
}

}  // namespace
