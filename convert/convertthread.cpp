#include "convert/convertthread.h"

#include "common/Nearest.h"
#include "common/exceptions.h"
#include "convert/FastFX.h"
#include "convert/FastSize.h"
#include "convert/uniform.h"
#include "platform/clock.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace {

// One level; a directory that is already there is fine.
void MakeFolder(const std::string& Folder)
{
    if (mkdir(Folder.c_str(), 0777) == 0)
        return;
    const int error = errno;
    struct stat info {};
    if (error == EEXIST && stat(Folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return;
    ThrowSystemError(error == EEXIST ? ENOTDIR : error);
}

// How far a cell's search for a picture that shows anything reaches on either side: black lead-ins
// and fades last seconds, and twenty probes cost about what a sheet of sixteen cells does.
constexpr std::int32_t kSearchSeconds = 10;

// Cell Index of Cells over Frames: the frames [First, End) and the one nearest their middle.
struct TFrameSpan {
    std::int64_t First;
    std::int64_t Centre;
    std::int64_t End;
};

TFrameSpan SpanOf(std::int32_t Index, std::int32_t Cells, std::int64_t Frames)
{
    const std::int64_t k = Index;
    const std::int64_t n = Cells;
    const std::int64_t first = (k * Frames + n - 1) / n;
    const std::int64_t end = std::max(first + 1, ((k + 1) * Frames + n - 1) / n);
    // (k + 0.5) x Frames / Cells, halves up; a video of fewer frames than cells repeats them.
    const std::int64_t centre = std::clamp(((2 * k + 1) * Frames + n) / (2 * n), first, end - 1);
    return {first, centre, end};
}

[[noreturn]] void ThrowAllocationError(std::int32_t Width, std::int32_t Height)
{
    throw Exception("Unable to allocate a picture of " + std::to_string(Width) + " x " + std::to_string(Height) +
                    " pixels.");
}

}  // namespace

TConvertThread::TConvertThread(TDecoder& Decoder, std::int32_t TotalSeconds, TConvertRec AJob, TStatusEvent OnStatus,
                               std::unique_ptr<TPictureSink> Sheet)
    : Job(std::move(AJob)), FOnStatus(std::move(OnStatus)), FDecoder(Decoder), FTotalSeconds(TotalSeconds),
      FWriter(TThumbnailWriter::DefaultThreads()), FSheet(std::move(Sheet)), FFrequency(PerformanceFrequency())
{
    FOut.resize(static_cast<std::size_t>(FWriter.Threads()) + 4);
}

TConvertThread::~TConvertThread()
{
    DetachAndWait();
}

void TConvertThread::DoStatus()
{
    FOnStatus(FStatus, &FProgress);
}

void TConvertThread::Notify()
{
    if (FOnStatus)
        SynchronizeReport([this] { DoStatus(); });
}

void TConvertThread::Execute()
{
    try {
        FDecoder.Rewind();
        FRate = FrameRateOf(Fps());
        SizeThumbDib();
        if (FSheet)
            FSheet->Begin(FDecoder.FrameCount());
        FRateMark = PerformanceCounter();
        if (Job.Whole)
            ConvertWhole();
        else if (Job.StartEnd)
            ConvertRange();
        else if (!Job.Chapters.empty())
            ConvertChapters();
        else if (Job.Spread)
            ConvertSpread();
        else
            ConvertPieces();
        AnnounceWritten();
        // A sheet is written once whole; one without a single picture would only say nothing came.
        if (FSheet && FSaved > 0 && !Detached())
            FSheet->Finish();
        FStatus = {TStatusFlag::stConvertStopped, TStatusFlag::stConvertEnd};
        Notify();
        FStatus = {TStatusFlag::stConvertDone};
        Notify();
    } catch (...) {
        // The pictures begun before the failing one are written and announced first; a failure to
        // write one of them came first and is the one reported.
        std::exception_ptr failure = std::current_exception();
        try {
            AnnounceWritten();
        } catch (...) {
            failure = std::current_exception();
        }
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            Fail(error.what());
        } catch (...) {
            Fail("Unknown error.");
        }
    }
}

void TConvertThread::Fail(const std::string& Message)
{
    FLastError = Message;
    FStatus = {TStatusFlag::stConvertError, TStatusFlag::stConvertStopped};
    Notify();
}

double TConvertThread::Fps() const
{
    const TDecoderFileInfo* info = FDecoder.FileInfo();
    if (!info)
        throw Exception("No video is opened!");
    return info->Fps;
}

void TConvertThread::SizeThumbDib()
{
    if (const char* problem = SizeProblem(Job.Width, Job.Height))
        throw Exception(problem);
    // The bitmap counts its bytes in 32 bits; a larger one would be made too small.
    if (std::int64_t{Job.Width} * Job.Height * 4 > std::numeric_limits<std::uint32_t>::max())
        ThrowAllocationError(Job.Width, Job.Height);
    if (FSheet) {
        FThumbDib.SetSize(Job.Width, Job.Height, 32);
        if (!FThumbDib.Bits())
            ThrowAllocationError(Job.Width, Job.Height);
    } else {
        // The first picture is made now, so that a size that cannot be had fails at the start.
        OutPicture(0);
    }
}

TConvertThread::TOutPicture& TConvertThread::OutPicture(std::size_t Place)
{
    std::unique_ptr<TOutPicture>& out = FOut[(FOutFirst + Place) % FOut.size()];
    if (!out) {
        auto made = std::make_unique<TOutPicture>();
        if (!made->Bitmap.SetSize(FIT_BITMAP, Job.Width, Job.Height, 24))
            ThrowAllocationError(Job.Width, Job.Height);
        // The resampler writes straight into the pixels the JPEG writer reads; FreeImage's rows are
        // laid out as the bitmap's are, bottom row first, each padded to whole words.
        made->Pixels.Allocate(FreeImage_GetBits(made->Bitmap.Dib()), Job.Width, Job.Height, 24, 0, 0, 0);
        if (static_cast<std::uint32_t>(made->Pixels.RowBytes()) != FreeImage_GetPitch(made->Bitmap.Dib()))
            ThrowAllocationError(Job.Width, Job.Height);
        out = std::move(made);
    }
    return *out;
}

void TConvertThread::ConvertWhole()
{
    FProgress.Total = Nearest(static_cast<double>(std::int64_t{FTotalSeconds}) * Fps());
    for (std::int32_t i = 0; !Terminated(); ++i)
        if (!FrameStep(i, i))
            break;
}

void TConvertThread::ConvertRange()
{
    FProgress.Total = Nearest(static_cast<double>(Job.EndPoint - Job.StartPoint + 1) * Fps());
    FDecoder.Seek(static_cast<std::int32_t>(Job.StartPoint));
    const std::int64_t first = FirstFrameOfSecond(Job.StartPoint, FRate);
    const auto count = static_cast<std::int32_t>(FProgress.Total);
    for (std::int32_t i = 0; i < count && !Detached(); ++i)
        if (!FrameStep(i, first + i))
            break;
}

void TConvertThread::ConvertPieces()
{
    if (const char* problem = PiecesProblem(Job.Pieces))
        throw Exception(problem);
    FProgress.Total = Job.Pieces;
    for (std::int32_t i = 0; i < Job.Pieces && !Detached(); ++i) {
        const std::int32_t second = PieceSecond(FTotalSeconds, Job.Pieces, i);
        FDecoder.Seek(second);
        if (!FrameStep(i, FirstFrameOfSecond(second, FRate)))
            break;
    }
}

void TConvertThread::ConvertSpread()
{
    if (const char* problem = PiecesProblem(Job.Pieces))
        throw Exception(problem);
    FProgress.Total = Job.Pieces;
    const std::int64_t frames = FDecoder.FrameCount();
    for (std::int32_t i = 0; i < Job.Pieces && !Detached(); ++i) {
        const TFrameSpan span = SpanOf(i, Job.Pieces, frames);
        std::int64_t shown = span.Centre;
        PDecodedFrame decoded = SeekPoint(StillPointOfFrame(shown, FRate)) ? FDecoder.GetNextFrame() : nullptr;
        if (decoded && !Job.KeepBlank && NearlyUniform(decoded->Pixels, FDecoder.Width(), FDecoder.Height())) {
            shown = NearestVisible(span.First, span.Centre, span.End);
            decoded = SeekPoint(StillPointOfFrame(shown, FRate)) ? FDecoder.GetNextFrame() : nullptr;
        }
        if (!Deliver(decoded, i, shown))
            break;
    }
}

std::int64_t TConvertThread::NearestVisible(std::int64_t First, std::int64_t Centre, std::int64_t End)
{
    // The probes so far on either side, all nearly uniform: the first frames of whole seconds
    // outward from the centre's, the cell's ends standing in for those beyond them.
    std::int64_t later = Centre;
    std::int64_t earlier = Centre;
    std::int64_t laterSecond = SecondOfFrame(Centre, FRate);
    std::int64_t earlierSecond = laterSecond;
    for (std::int32_t step = 0; step < kSearchSeconds; ++step) {
        const std::int64_t laterProbe =
            later + 1 < End ? std::min(FirstFrameOfSecond(++laterSecond, FRate), End - 1) : later;
        std::int64_t earlierProbe = earlier;
        while (earlierProbe == earlier && earlier > First)
            earlierProbe = std::max(FirstFrameOfSecond(earlierSecond--, FRate), First);
        if (laterProbe == later && earlierProbe == earlier)
            break;
        const bool laterFound = laterProbe != later && Visible(laterProbe);
        const bool earlierFound = earlierProbe != earlier && Visible(earlierProbe);
        if (!laterFound && !earlierFound) {
            later = laterProbe;
            earlier = earlierProbe;
            continue;
        }
        // Probes a second apart pass over little: the frames between the last two on a side are
        // taken to be as uniform as the nearer one, and decoded only to find the exact frame.
        const std::int64_t afterCentre = laterFound ? FirstVisible(later + 1, laterProbe) : -1;
        const std::int64_t beforeCentre = earlierFound ? LastVisible(earlierProbe, earlier) : -1;
        // The later one wins a tie.
        if (afterCentre < 0 || (beforeCentre >= 0 && Centre - beforeCentre < afterCentre - Centre))
            return beforeCentre;
        return afterCentre;
    }
    return Centre;
}

bool TConvertThread::Visible(std::int64_t Frame)
{
    if (!SeekPoint(StillPointOfFrame(Frame, FRate)))
        return false;
    return VisibleNext();
}

bool TConvertThread::VisibleNext()
{
    const PDecodedFrame decoded = FDecoder.GetNextFrame();
    return decoded && !NearlyUniform(decoded->Pixels, FDecoder.Width(), FDecoder.Height());
}

std::int64_t TConvertThread::FirstVisible(std::int64_t From, std::int64_t Probe)
{
    if (From < Probe && SeekPoint(StillPointOfFrame(From, FRate)))
        for (std::int64_t f = From; f < Probe; ++f)
            if (VisibleNext())
                return f;
    return Probe;
}

std::int64_t TConvertThread::LastVisible(std::int64_t Probe, std::int64_t To)
{
    std::int64_t last = Probe;
    if (Probe + 1 < To && SeekPoint(StillPointOfFrame(Probe + 1, FRate)))
        for (std::int64_t f = Probe + 1; f < To; ++f)
            if (VisibleNext())
                last = f;
    return last;
}

void TConvertThread::ConvertChapters()
{
    FProgress.Total = static_cast<std::int64_t>(Job.Chapters.size());
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(Job.Chapters.size()) && !Detached(); ++i) {
        const TStillPoint& point = Job.Chapters[static_cast<std::size_t>(i)];
        // Past the end, FrameStep finds no frame either and ends the job.
        SeekPoint(point);
        if (!FrameStep(i, FrameOfStillPoint(point, FRate)))
            break;
    }
}

bool TConvertThread::SeekPoint(const TStillPoint& Point)
{
    FDecoder.Seek(Point.Second);
    for (std::int32_t skipped = 0; skipped < Point.Skip; ++skipped)
        if (!FDecoder.GetNextFrame())
            return false;
    return true;
}

bool TConvertThread::FrameStep(std::int32_t Index, std::int64_t Frame)
{
    return Deliver(FDecoder.GetNextFrame(), Index, Frame);
}

bool TConvertThread::Deliver(PDecodedFrame Decoded, std::int32_t Index, std::int64_t Frame)
{
    if (!Decoded) {
        AnnounceWritten();
        // A whole video's total was reckoned from its length; now that it has run out, the
        // pictures written are the total.
        if (Job.Whole)
            FProgress.Total = FSaved;
        FStatus = {TStatusFlag::stConvertStopped, TStatusFlag::stConvertEnd};
        Notify();
        return false;
    }
    // The decoder's rows run top-down, the bitmap's bottom-up: the frame, read where it lies, stands
    // upside down, and is turned as it is scaled.
    FSourceDib.Allocate(Decoded->Pixels, FDecoder.Width(), FDecoder.Height(), 32, 0, 0, 0);
    if (FSheet) {
        Scale(FThumbDib);
        FSheet->Put(FThumbDib, Index, Frame, FDecoder.FrameDeinterlaced());
        Announce(Index);
    } else {
        WriteThumbnail(Index);
    }
    return true;
}

void TConvertThread::Scale(TFastDIB& Picture) const
{
    if (Picture.Width() == FSourceDib.Width() && Picture.Rows() == FSourceDib.Rows())
        FlipInto(FSourceDib, Picture);
    else
        ResampleFlipped(FSourceDib, Picture);
}

void TConvertThread::WriteThumbnail(std::int32_t Index)
{
    if (FOutCount == FOut.size())
        WriteOldest();
    // A stop request made while the last picture was announced comes before this one, and so does
    // an owner that let go meanwhile.
    if (Stopping())
        return;
    TOutPicture& out = OutPicture(FOutCount);
    Scale(out.Pixels);
    out.FileName = ThumbFolder(Job) + "/" + PictureFileName(Job, Index);
    out.Index = Index;
    FWriter.Begin(out.Bitmap.Dib(), out.Jpeg);
    ++FOutCount;
    // Pictures already encoded go to disk now rather than when the ring is full, so that they are
    // announced as soon as they can be.
    while (FOutCount > 0 && FWriter.Done())
        WriteOldest();
}

bool TConvertThread::Stopping() const noexcept
{
    return (Job.Whole && Terminated()) || Detached();
}

void TConvertThread::WriteOldest()
{
    if (Stopping()) {
        DropPending();
        return;
    }
    const TOutPicture& out = *FOut[FOutFirst];
    FOutFirst = (FOutFirst + 1) % FOut.size();
    --FOutCount;
    try {
        FWriter.Finish();
        MakeFolder(ThumbFolder(Job));
        WriteJpeg(out.FileName, out.Jpeg);
    } catch (const std::system_error& error) {
        DropPending();
        throw Exception(WriteFailure(out.FileName, error));
    } catch (...) {
        DropPending();
        throw;
    }
    Announce(out.Index);
}

void TConvertThread::AnnounceWritten()
{
    while (FOutCount > 0)
        WriteOldest();
}

void TConvertThread::DropPending()
{
    FWriter.Cancel();
    FOutCount = 0;
}

void TConvertThread::Announce(std::int32_t Index)
{
    FStatus = {TStatusFlag::stFrameSaved};
    FProgress.Current = Index;
    // A damaged video may hold more pictures than its length promised: the total grows with
    // them rather than be overtaken.
    FProgress.Total = std::max(FProgress.Total, std::int64_t{++FSaved});
    const std::int64_t now = PerformanceCounter();
    if (static_cast<double>(now - FRateMark) / static_cast<double>(FFrequency) >= 1.0) {
        FStatus.Include(TStatusFlag::stConvertRate);
        FRateMark = now;
    }
    Notify();
}

std::string TConvertThread::WriteFailure(const std::string& FileName, const std::system_error& Error)
{
    return "Unable to write thumbnail: " + FileName + " (" + Error.code().message() + ")";
}
