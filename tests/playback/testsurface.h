// A preview surface for the play manager's tests: it keeps a copy of the frame last shown, so a test
// reads which frame the preview shows, as it would from the screen, without SDL or a window.
#pragma once

#include "playback/previewsurface.h"

#include <cstdint>
#include <mutex>
#include <vector>

class TTestSurface : public TPreviewSurface {
public:
    void SetFrameSize(std::int32_t width, std::int32_t height) override;
    // Runs on the playback thread during playback, as on the real panel.
    void ShowFrame(PDecodedFrame frame) override;
    // Any colour hides the frame shown, as black bars do on the panel.
    void Clear(std::uint32_t color) override;
    // Nothing to present: tests read what was drawn.
    void Flip() override {}

    // The frame index (from the fixtures' code) of the frame shown, or -1: none, cleared, unreadable.
    int ShownIndex() const;
    // The middle pixel of the frame shown, without its unused byte; 0 when none is shown.
    std::uint32_t MiddlePixel() const;

private:
    mutable std::mutex lock_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<std::uint32_t> shown_;  // empty while nothing is shown
};
