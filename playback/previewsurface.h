// TPreviewSurface: what the play manager and the playback thread draw the preview through. The
// window's SDL panel is one; the play manager's tests record what is shown with another.
#pragma once

#include "decoder/decoderrecords.h"

#include <cstdint>

class TPreviewSurface {
public:
    TPreviewSurface() = default;
    virtual ~TPreviewSurface() = default;
    TPreviewSurface(const TPreviewSurface&) = delete;
    TPreviewSurface& operator=(const TPreviewSurface&) = delete;

    // Frames shown from now on have this size.
    virtual void SetFrameSize(std::int32_t Width, std::int32_t Height) = 0;
    // Draws the frame letterboxed to AspectRatio; nothing is presented yet. Runs on the playback
    // thread during playback and on the main thread otherwise, never on both at once.
    virtual void ShowFrame(PDecodedFrame Frame) = 0;
    // Fills the whole surface with the pixel value.
    virtual void Clear(std::uint32_t Color) = 0;
    // Presents what was drawn; nothing before the first SetFrameSize.
    virtual void Flip() = 0;

    // Display width / height of the video; set while no frame is being drawn.
    double AspectRatio = 1.0;
};
