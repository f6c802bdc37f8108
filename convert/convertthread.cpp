#include "convert/convertthread.h"

#include "common/Nearest.h"
#include "common/exceptions.h"
#include "convert/FastFX.h"
#include "convert/FastSize.h"
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

[[noreturn]] void ThrowAllocationError(std::int32_t Width, std::int32_t Height)
{
    throw Exception("Unable to allocate a picture of " + std::to_string(Width) + " x " + std::to_string(Height) +
                    " pixels.");
}

}  // namespace

TConvertThread::TConvertThread(TDecoder& Decoder, std::int32_t TotalSeconds, TConvertRec AJob, TStatusEvent OnStatus,
                               std::unique_ptr<TPictureSink> Sheet)
    : Job(std::move(AJob)), FOnStatus(std::move(OnStatus)), FDecoder(Decoder), FTotalSeconds(TotalSeconds),
      FSheet(std::move(Sheet)), FFrequency(PerformanceFrequency())
{
    FSourceDib.SetSize(FDecoder.Width(), FDecoder.Height(), 32);
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
        SizeThumbDib();
        FRateMark = PerformanceCounter();
        if (Job.Whole)
            ConvertWhole();
        else if (Job.StartEnd)
            ConvertRange();
        else if (!Job.Chapters.empty())
            ConvertChapters();
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
        // A picture still being written when the job fails is announced first if it got to disk;
        // a failure to write it came first and is the one reported.
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
    FThumbDib.SetSize(Job.Width, Job.Height, 32);
    if (!FThumbDib.Bits())
        ThrowAllocationError(Job.Width, Job.Height);
}

void TConvertThread::ConvertWhole()
{
    FProgress.Total = Nearest(static_cast<double>(std::int64_t{FTotalSeconds}) * Fps());
    for (std::int32_t i = 0; !Terminated(); ++i)
        if (!FrameStep(i))
            break;
}

void TConvertThread::ConvertRange()
{
    FProgress.Total = Nearest(static_cast<double>(Job.EndPoint - Job.StartPoint + 1) * Fps());
    FDecoder.Seek(static_cast<std::int32_t>(Job.StartPoint));
    const auto count = static_cast<std::int32_t>(FProgress.Total);
    for (std::int32_t i = 0; i < count && !Detached(); ++i)
        if (!FrameStep(i))
            break;
}

void TConvertThread::ConvertPieces()
{
    if (const char* problem = PiecesProblem(Job.Pieces))
        throw Exception(problem);
    FProgress.Total = Job.Pieces;
    for (std::int32_t i = 0; i < Job.Pieces && !Detached(); ++i) {
        FDecoder.Seek(PieceSecond(FTotalSeconds, Job.Pieces, i));
        if (!FrameStep(i))
            break;
    }
}

void TConvertThread::ConvertChapters()
{
    FProgress.Total = static_cast<std::int64_t>(Job.Chapters.size());
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(Job.Chapters.size()) && !Detached(); ++i) {
        const TStillPoint& point = Job.Chapters[static_cast<std::size_t>(i)];
        FDecoder.Seek(point.Second);
        // Past the end, FrameStep finds no frame either and ends the job.
        for (std::int32_t skipped = 0; skipped < point.Skip && FDecoder.GetNextFrame(); ++skipped) {
        }
        if (!FrameStep(i))
            break;
    }
}

bool TConvertThread::FrameStep(std::int32_t Index)
{
    const PDecodedFrame frame = FDecoder.GetNextFrame();
    if (!frame) {
        AnnounceWritten();
        // A whole video's total was reckoned from its length; now that it has run out, the
        // pictures written are the total.
        if (Job.Whole)
            FProgress.Total = FSaved;
        FStatus = {TStatusFlag::stConvertStopped, TStatusFlag::stConvertEnd};
        Notify();
        return false;
    }
    if (!FSourceDib.Bits())
        ThrowAllocationError(FDecoder.Width(), FDecoder.Height());
    // The decoder's rows run top-down, the bitmap's bottom-up: the copy stands upside down.
    CopyLongs(frame->Pixels, FSourceDib.Bits(), FSourceDib.Width() * FSourceDib.Rows());
    const TFastDIB* picture = &FSourceDib;
    if (FThumbDib.Width() == FSourceDib.Width() && FThumbDib.Rows() == FSourceDib.Rows()) {
        FlipRows(FSourceDib);
    } else {
        Resample(FSourceDib, FThumbDib);
        FlipRows(FThumbDib);
        picture = &FThumbDib;
    }
    if (FSheet) {
        FSheet->Put(*picture, Index, FDecoder.FrameDeinterlaced());
        Announce(Index);
    } else {
        WriteThumbnail(*picture, Index);
    }
    return true;
}

void TConvertThread::WriteThumbnail(const TFastDIB& Picture, std::int32_t Index)
{
    const std::string folder = ThumbFolder(Job);
    const std::string fileName = folder + "/" + PictureFileName(Job, Index);
    // Two bitmaps take turns: one is being written while the next picture goes into the other.
    TFreeBitmap& out = FOutBitmap[Index & 1];
    try {
        MakeFolder(folder);
        CopyToFreeBitmap(Picture, out);
        if (!out.IsValid() || !out.ConvertTo24Bits())
            ThrowSystemError(ENOMEM);
    } catch (const std::system_error& error) {
        throw Exception(WriteFailure(fileName, error));
    }
    AnnounceWritten();
    // A stop request made while the last picture was announced comes before this one, and so does
    // an owner that let go meanwhile.
    if ((Job.Whole && Terminated()) || Detached())
        return;
    FWriter.Begin(out.Dib(), fileName);
    FWriting = Index;
    FWritingName = fileName;
}

void TConvertThread::AnnounceWritten()
{
    if (FWriting < 0)
        return;
    const std::int32_t index = std::exchange(FWriting, -1);
    try {
        FWriter.Finish();
    } catch (const std::system_error& error) {
        throw Exception(WriteFailure(FWritingName, error));
    }
    Announce(index);
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
