// TPlayThread: plays the open video into the preview, one frame per slot of 1/Fps seconds measured
// with the performance counter, reporting every drawn frame to the main thread and measuring the
// rate at which frames are actually shown.
#pragma once

#include "convert/_consts.h"
#include "decoder/decoder.h"
#include "platform/thread.h"

#include <cstdint>

class TPreviewSurface;

class TPlayThread : public TThread {
public:
    // Created suspended: it will draw into Panel and report to OnStatus on the main thread. Decoder
    // and Panel must outlive the thread.
    TPlayThread(TDecoder& Decoder, TPreviewSurface& Panel, TStatusEvent OnStatus);
    // Stops the reports first, so one made while the thread is being stopped reaches nobody; then
    // asks the thread to stop and waits for it while serving its hand-offs.
    ~TPlayThread() override;

    // Frames per second shown over the last measuring window of at least one second; 0 before the
    // first. Read on the main thread during a report.
    double Rate() const noexcept { return FRate; }

protected:
    void Execute() override;

private:
    void DoStatus();
    // Hands Status over to OnStatus on the main thread and waits until it has run.
    void Report();
    // Sleeps out the rest of the current frame's slot.
    void Pace();

    std::int64_t FFrequency;
    TPreviewSurface& FPanel;
    TStatusFlags FStatus;
    TDecoder& FDecoder;
    const TStatusEvent FOnStatus;
    double FRate = 0;
    std::int64_t FFrameStart = 0;
};
