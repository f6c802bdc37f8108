// The timeline: stretches of steady timestamps laid end to end, and the finding of the breaks
// between them from pack and PES headers alone, on program streams made in the test.
#include "psbytes.h"

#include "decoderlib/timeline.h"
#include "decoderlib/timelinescan.h"
#include "decoderlib/videofile.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace {

using namespace psbytes;
using decoderlib::kClockWrap;
using decoderlib::Stretch;
using decoderlib::Timeline;

// 10 s from PTS 0.5 s, then 5 s whose timestamps restart at 0.5 s, from byte 1 MiB.
constexpr std::int64_t kSecondStart = 1 << 20;
Timeline TwoStretches()
{
    return Timeline({Stretch{0, kSecond / 2, kSecond / 2 + 10 * kSecond - kFrame},
                     Stretch{kSecondStart, kSecond / 2, kSecond / 2 + 5 * kSecond - kFrame}},
                    kFrame);
}

TEST(Timeline, EachStretchStartsWhereThePreviousEnds)
{
    const Timeline timeline = TwoStretches();
    EXPECT_EQ(timeline.Stretches()[1].timelineStart, 10 * kSecond);
    EXPECT_EQ(timeline.Duration(), 15 * kSecond);
}

TEST(Timeline, APictureIsTimedByTheStretchItsBytesLieIn)
{
    const Timeline timeline = TwoStretches();
    const std::int64_t pts = kSecond / 2 + 2 * kSecond;
    EXPECT_EQ(timeline.TimeOf(pts, kSecondStart - 1), 2 * kSecond);
    EXPECT_EQ(timeline.TimeOf(pts, kSecondStart), 12 * kSecond);
}

TEST(Timeline, ATimeLeadsToItsStretchAndBackToItself)
{
    const Timeline timeline = TwoStretches();
    for (std::int64_t ticks : {std::int64_t{0}, 10 * kSecond - kFrame, 10 * kSecond, 15 * kSecond - kFrame}) {
        const std::size_t k = timeline.StretchAtTime(ticks);
        EXPECT_EQ(k, ticks < 10 * kSecond ? 0u : 1u) << ticks;
        EXPECT_EQ(timeline.TimeOf(timeline.PtsAt(k, ticks), timeline.Stretches()[k].startPos), ticks);
    }
}

// The decoder's timestamps run on past 2^33, the stream's start again from zero: both give the
// same time.
TEST(Timeline, TimeRunsOnAcrossAWrapOfTheClock)
{
    const Timeline timeline({Stretch{0, kClockWrap - 2 * kSecond, 3 * kSecond - kFrame}}, kFrame);
    EXPECT_EQ(timeline.Duration(), 5 * kSecond);
    EXPECT_EQ(timeline.TimeOf(kClockWrap - kSecond, 0), kSecond);
    EXPECT_EQ(timeline.TimeOf(kSecond, 0), 3 * kSecond);
    EXPECT_EQ(timeline.TimeOf(kClockWrap + kSecond, 0), 3 * kSecond);
}

// A part of a stream: its length, its first PTS, the clock at its start (running on from the
// part before when not given) and the cell its navigation packs name (none when -1).
struct Part {
    int gops;
    std::int64_t firstPts;
    std::optional<std::int64_t> firstScr;
    int cell = -1;
};

struct Stream {
    Bytes bytes;
    std::vector<std::int64_t> starts; // offset of each part's first picture
    std::vector<std::pair<std::int64_t, int>> cells;  // where each part with a cell begins, and its cell
};

constexpr int kGop = 12;
// The pictures of a closed GOP in the order they are sent, by their place in display order.
constexpr int kCodedOrder[kGop] = {0, 3, 1, 2, 6, 4, 5, 9, 7, 8, 11, 10};
constexpr std::int64_t kGopTicks = kGop * kFrame;

// One pack per picture with its PES and PTS, then five packs of its data without timestamps
// (12 KB a picture: 5 or 10 s of video make 16 samples' spacing in the files below).
Stream MakeStream(std::initializer_list<Part> parts)
{
    Stream stream;
    std::int64_t scr = 0;
    for (const Part& part : parts) {
        scr = part.firstScr.value_or(scr);
        if (part.cell >= 0)
            stream.cells.emplace_back(static_cast<std::int64_t>(stream.bytes.size()), part.cell);
        for (int gop = 0; gop < part.gops; ++gop) {
            if (part.cell >= 0)
                Append(stream.bytes, NavigationPack(scr % kClockWrap, 1, part.cell));
            if (gop == 0)
                stream.starts.push_back(static_cast<std::int64_t>(stream.bytes.size()));
            for (int i = 0; i < kGop; ++i) {
                const std::int64_t pts = (part.firstPts + gop * kGopTicks + kCodedOrder[i] * kFrame) % kClockWrap;
                Append(stream.bytes, Pack(scr % kClockWrap, {VideoPes(pts, i == 0 ? SequenceStart() : PPicture())}));
                for (int k = 0; k < 5; ++k)
                    Append(stream.bytes, Pack(scr % kClockWrap, {VideoPes(std::nullopt, Bytes(2000, 0x55))}));
                scr += kFrame;
            }
        }
    }
    return stream;
}

std::vector<std::int64_t> Breaks(const Stream& stream)
{
    TempFile file(stream.bytes);
    return decoderlib::FindBreaks(decoderlib::VideoFile(file.Path()));
}

// The stream as a disc's title, whose cell table says which cell each byte belongs to.
class TitleBytes final : public decoderlib::ByteSource {
public:
    explicit TitleBytes(const Stream& stream) : stream_(stream) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(stream_.bytes.size()); }
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const override
    {
        const std::size_t n = std::min(count, stream_.bytes.size() - static_cast<std::size_t>(offset));
        std::copy_n(stream_.bytes.begin() + offset, n, static_cast<std::uint8_t*>(buffer));
        return n;
    }
    int CellAt(std::int64_t offset) const override
    {
        int cell = -1;
        for (const auto& [start, id] : stream_.cells)
            if (start <= offset)
                cell = id;
        return cell;
    }
    std::int64_t CellStartAfter(std::int64_t offset) const override
    {
        for (const auto& [start, id] : stream_.cells)
            if (start > offset)
                return start;
        return -1;
    }

private:
    const Stream& stream_;
};

std::vector<std::int64_t> BreaksInTitle(const Stream& stream)
{
    return decoderlib::FindBreaks(decoderlib::VideoFile(std::make_unique<TitleBytes>(stream)));
}

// Parts of about 40 s, the second of a different length, so no sample falls on its start; or of
// twice that, where the samples lie megabytes apart and are taken at any picture, not only at
// I-pictures, unless navigation packs name cells.
class FindBreaks : public ::testing::TestWithParam<int> {
protected:
    const int firstGops_ = 80 * GetParam();
    const int secondGops_ = 90 * GetParam();
    const std::int64_t firstEnd_ = firstGops_ * kGopTicks; // ticks after the first part's start
};

INSTANTIATE_TEST_SUITE_P(Files, FindBreaks, ::testing::Values(1, 2), [](const ::testing::TestParamInfo<int>& file) {
    return file.param == 1 ? std::string("SamplesCloseTogether") : std::string("SamplesMegabytesApart");
});

TEST_P(FindBreaks, SteadyTimestampsWithBPicturesHaveNone)
{
    EXPECT_EQ(Breaks(MakeStream({{firstGops_ + secondGops_, kSecond / 2, 0}})), std::vector<std::int64_t>{});
}

TEST_P(FindBreaks, FindsARestartOfTimestampsAndClockAtZero)
{
    const Stream stream = MakeStream({{firstGops_, 20 * kSecond, 19 * kSecond}, {secondGops_, 0, 0}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{stream.starts[1]});
}

TEST_P(FindBreaks, FindsAJumpBackwards)
{
    const Stream stream =
        MakeStream({{firstGops_, 100 * kSecond, 99 * kSecond}, {secondGops_, 60 * kSecond, 59 * kSecond}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{stream.starts[1]});
}

TEST_P(FindBreaks, FindsAJumpForwardThatTheClockDoesNotMake)
{
    const Stream stream = MakeStream({{firstGops_, kSecond, 0}, {secondGops_, 500 * kSecond, std::nullopt}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{stream.starts[1]});
}

// Back by 3 s: samples 5 or 10 s apart on either side still see the timestamps go forward, but not
// as far as the clock.
TEST_P(FindBreaks, FindsAJumpBackThatOnlyTheClockReveals)
{
    const Stream stream =
        MakeStream({{firstGops_, 10 * kSecond, 9 * kSecond}, {secondGops_, 7 * kSecond + firstEnd_, std::nullopt}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{stream.starts[1]});
}

// Timestamps and clock go back 3 s together, as where a DVD title's second cell was encoded on its own.
TEST_P(FindBreaks, FindsARestartThatOnlyTheCellNumberReveals)
{
    const Stream stream = MakeStream({{firstGops_, 10 * kSecond, 9 * kSecond, 1},
                                      {secondGops_, 7 * kSecond + firstEnd_, 6 * kSecond + firstEnd_, 2}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{stream.starts[1]});
}

// Where the title's cell table tells the cells apart, samples need not reach a navigation pack.
TEST_P(FindBreaks, InADiscTitleTheCellTableTellsTheCellsApart)
{
    const Stream restart = MakeStream({{firstGops_, 10 * kSecond, 9 * kSecond, 1},
                                       {secondGops_, 7 * kSecond + firstEnd_, 6 * kSecond + firstEnd_, 2}});
    EXPECT_EQ(BreaksInTitle(restart), std::vector<std::int64_t>{restart.starts[1]});
    const Stream runningOn = MakeStream(
        {{firstGops_, 10 * kSecond, 9 * kSecond, 1}, {secondGops_, 10 * kSecond + firstEnd_, std::nullopt, 2}});
    EXPECT_EQ(BreaksInTitle(runningOn), std::vector<std::int64_t>{});
}

TEST_P(FindBreaks, ANewCellWithTimestampsRunningOnIsNoBreak)
{
    const Stream stream = MakeStream(
        {{firstGops_, 10 * kSecond, 9 * kSecond, 1}, {secondGops_, 10 * kSecond + firstEnd_, std::nullopt, 2}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{});
}

TEST_P(FindBreaks, AClockRestartUnderSteadyTimestampsIsNoBreak)
{
    const Stream stream =
        MakeStream({{firstGops_, 10 * kSecond, 9 * kSecond}, {secondGops_, 10 * kSecond + firstEnd_, 0}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{});
}

// Timestamps and clock pass 2^33 and start again from zero, 40 s in: one stretch runs on.
TEST_P(FindBreaks, AWrapOfTheClockIsNoBreak)
{
    const Stream stream =
        MakeStream({{firstGops_ + secondGops_, kClockWrap - firstEnd_, kClockWrap - firstEnd_ - kSecond}});
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{});
}

// Damaged bytes in PES headers: timestamps far off, on I-pictures (where samples are taken) and
// on P-pictures alike. Each stands alone, and the stamps around it run on: no break.
TEST_P(FindBreaks, ADamagedTimestampIsNoBreak)
{
    Stream stream = MakeStream({{firstGops_ + secondGops_, kSecond / 2, 0}});
    constexpr std::size_t kPicturePacks = 6;
    constexpr std::size_t kPtsAt = 14 + 9;  // the pack header, then the PES header up to its PTS
    const auto pictures = static_cast<std::size_t>((firstGops_ + secondGops_) * kGop);
    for (std::size_t picture = 5; picture < pictures; picture += 29) {
        Bytes garbage;
        PutTimestamp(garbage, 0x2, picture % 2 ? 1000 * kSecond + picture : picture);
        const std::size_t at = picture * kPicturePacks * kPackSize + kPtsAt;
        ASSERT_EQ(stream.bytes[at - 6], 0xE0) << "no video PES at picture " << picture;
        std::copy(garbage.begin(), garbage.end(), stream.bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{});
}

// The first part ends on an I-picture alone, where the middle sample falls: its timestamp runs on
// from the samples before it, and only the next one shows the restart. The sample taking its
// place lies past the restart, so the pair before it has to be looked at again.
TEST(BreakSamples, ARestartRightAfterASampledPictureIsFound)
{
    constexpr std::size_t kPictureBytes = 6 * kPackSize;
    constexpr int kFirstGops = 80;
    Stream stream = MakeStream({{kFirstGops + 1, 20 * kSecond, 19 * kSecond}});
    stream.bytes.resize((kFirstGops * kGop + 1) * kPictureBytes);
    const auto restart = static_cast<std::int64_t>(stream.bytes.size());
    Append(stream.bytes, MakeStream({{kFirstGops - 1, 0, 0}}).bytes);
    EXPECT_EQ(Breaks(stream), std::vector<std::int64_t>{restart});
}

} // namespace
