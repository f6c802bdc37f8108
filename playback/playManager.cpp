#include "playback/playManager.h"

#include "playback/Playthread.h"
#include "playback/previewsurface.h"

namespace {

void Raise(const TManagerEvent& Event, bool FromConversion, const TConvertProgress* Info)
{
    if (Event)
        Event(nullptr, FromConversion, Info);
}

}  // namespace

TPlayManager::TPlayManager() = default;

TPlayManager::~TPlayManager() = default;

void TPlayManager::UpdateInfo()
{
    const TDecoderFileInfo& info = *FDecoder.FileInfo();
    FWidth = info.Width;
    FHeight = info.Height;
    FAspectRatio = FDecoder.AspectRatio();
    FDurationHours = info.DurationHours;
    FDurationMinutes = info.DurationMinutes;
    FDurationSeconds = info.DurationSeconds;
    FTotalSeconds = info.TotalSeconds;
    FPosition = FDecoder.FrameInfo()->Timestamp;
    FFps = FDecoder.Fps();
}

void TPlayManager::ShowFrame(PDecodedFrame Frame)
{
    if (!Frame)
        return;
    Panel->SetFrameSize(FWidth, FHeight);
    Panel->ShowFrame(Frame);
    Panel->Flip();
}

void TPlayManager::OpenFile(const std::string& FileName, std::int32_t Title, std::int32_t Angle)
{
    FFileName = FileName;
    FDecoder.OpenFile(FileName, Title, Angle);
    // Position is the frame information right after opening, before any frame is taken.
    UpdateInfo();
    Panel->AspectRatio = FAspectRatio;
    Panel->Clear(0);
    FOpened = true;
    ShowFrame(FDecoder.GetNextFrame());
}

void TPlayManager::Play()
{
    if (FPlaying || !FOpened)
        return;
    // The previous thread, if any, has already ended.
    FPlayThread.reset();
    FPlayThread = std::make_unique<TPlayThread>(FDecoder, *Panel, StatusHandler());
    FPlayThread->Start();
    FPlaying = true;
}

void TPlayManager::Pause()
{
    if (!FOpened)
        return;
    FPlayThread.reset();
    FPlaying = false;
}

void TPlayManager::Stop()
{
    if (!FOpened)
        return;
    Pause();
    FDecoder.Rewind();
    const PDecodedFrame frame = FDecoder.GetNextFrame();
    UpdateInfo();
    ShowFrame(frame);
}

void TPlayManager::WhilePaused(const std::function<void()>& Use)
{
    const bool wasPlaying = FPlaying;
    if (wasPlaying)
        Pause();
    Use();
    if (wasPlaying)
        Play();
}

void TPlayManager::Seek(std::int32_t Seconds)
{
    WhilePaused([&] {
        FDecoder.Seek(Seconds);
        const PDecodedFrame frame = FDecoder.GetNextFrame();
        UpdateInfo();
        ShowFrame(frame);
    });
}

bool TPlayManager::SetSubtitles(std::int32_t Stream, bool ForcedOnly)
{
    if (!FOpened)
        return false;
    const bool wasPlaying = FPlaying;
    bool taken = false;
    WhilePaused([&] { taken = FDecoder.SetSubtitles(Stream, ForcedOnly); });
    if (taken && !wasPlaying)
        Seek(static_cast<std::int32_t>(FDecoder.FrameInfo()->Timestamp));
    return taken;
}

std::vector<TDecoderSubtitleStream> TPlayManager::SubtitleStreams()
{
    std::vector<TDecoderSubtitleStream> streams;
    if (FOpened)
        WhilePaused([&] { streams = FDecoder.SubtitleStreams(); });
    return streams;
}

void TPlayManager::Convert(TConvertRec Job, std::unique_ptr<TPictureSink> Sheet)
{
    FConvertThread.reset();
    FConvertThread =
        std::make_unique<TConvertThread>(FDecoder, FTotalSeconds, std::move(Job), StatusHandler(), std::move(Sheet));
    FConvertThread->Start();
    FConverting = true;
}

std::string TPlayManager::ConvertError() const
{
    return FConvertThread ? FConvertThread->LastError() : std::string();
}

void TPlayManager::EndConversion()
{
    FConverting = false;
    FDecoder.Rewind();
}

TStatusEvent TPlayManager::StatusHandler()
{
    return [this](TStatusFlags Status, const TConvertProgress* Info) { ThreadStatus(Status, Info); };
}

void TPlayManager::ThreadStatus(TStatusFlags Status, const TConvertProgress* Info)
{
    if (Status.Has(TStatusFlag::stFrameShown))
        Panel->Flip();
    if ((Status.Has(TStatusFlag::stPlayRate) || Status.Has(TStatusFlag::stPlayEnd)) && FPlayThread) {
        FPosition = FDecoder.FrameInfo()->Timestamp;
        FFps = FPlayThread->Rate();
        Raise(OnPosition, false, nullptr);
    }
    if (Status.Has(TStatusFlag::stPlayEnd)) {
        Raise(OnPlayEnd, false, nullptr);
        // The ended thread stays until the next Play or Pause frees it.
        FPlaying = false;
    }
    if (Status.Has(TStatusFlag::stFrameSaved))
        Raise(OnProgress, true, Info);
    // A report with both stFrameSaved and stConvertRate raises OnProgress twice.
    if ((Status.Has(TStatusFlag::stConvertRate) || Status.Has(TStatusFlag::stConvertEnd)) && FConvertThread)
        Raise(OnProgress, true, Info);
    // Converting stays set while the handlers run, so the window keeps ignoring commands until
    // they return (the completion dialog, an error message).
    if (Status.Has(TStatusFlag::stConvertDone)) {
        Raise(OnConvertDone, true, Info);
        EndConversion();
    }
    if (Status.Has(TStatusFlag::stConvertError)) {
        Raise(OnConvertFailed, true, Info);
        EndConversion();
    }
}
