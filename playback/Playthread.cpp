#include "playback/Playthread.h"

#include "common/Nearest.h"
#include "platform/clock.h"
#include "playback/previewsurface.h"

#include <utility>

TPlayThread::TPlayThread(TDecoder& Decoder, TPreviewSurface& Panel, TStatusEvent OnStatus)
    : FFrequency(PerformanceFrequency()), FPanel(Panel), FDecoder(Decoder), FOnStatus(std::move(OnStatus))
{
}

TPlayThread::~TPlayThread()
{
    DetachAndWait();
}

void TPlayThread::DoStatus()
{
    FOnStatus(FStatus, nullptr);
}

void TPlayThread::Report()
{
    if (FOnStatus)
        SynchronizeReport([this] { DoStatus(); });
}

void TPlayThread::Execute()
{
    std::int64_t frames = 0;
    std::int64_t windowStart = PerformanceCounter();
    try {
        while (!Terminated()) {
            FFrameStart = PerformanceCounter();
            const PDecodedFrame frame = FDecoder.GetNextFrame();
            if (!frame) {
                FStatus = {TStatusFlag::stPlayStopped, TStatusFlag::stPlayEnd};
                Report();
                return;
            }
            FPanel.ShowFrame(frame);
            FStatus = {TStatusFlag::stFrameShown};
            ++frames;
            const std::int64_t now = PerformanceCounter();
            const double elapsed = static_cast<double>(now - windowStart) / static_cast<double>(FFrequency);
            if (elapsed >= 1.0) {
                FRate = static_cast<double>(frames) / elapsed;
                frames = 0;
                windowStart = now;
                FStatus.Include(TStatusFlag::stPlayRate);
            }
            Report();
            Pace();
        }
    } catch (...) {
        FStatus = {TStatusFlag::stPlayError, TStatusFlag::stPlayStopped};
        Report();
    }
}

void TPlayThread::Pace()
{
    const double fps = FDecoder.FileInfo()->Fps;
    // A rate that is not positive gives no slot to keep: play as fast as decoding allows.
    if (!(fps > 0))
        return;
    const std::int64_t now = PerformanceCounter();
    const double period = 1.0 / fps;
    const double spent = static_cast<double>(now - FFrameStart) / static_cast<double>(FFrequency);
    if (period > spent)
        Sleep(static_cast<std::uint32_t>(Nearest((period - spent) * 1000.0)));
}
