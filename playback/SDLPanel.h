// TSDLPanel: the preview's child window. SDL 1.2 draws into it through "SDL_WINDOWID=": each frame
// is copied into a frame-sized surface, scaled by nearest neighbour to the largest size that keeps
// the video's aspect ratio, and drawn centred with black bars into the screen surface, which Flip
// presents.
#pragma once

#include "decoder/decoderrecords.h"
#include "playback/previewsurface.h"
#include "playback/sdl.h"

#include <QWidget>

#include <cstdint>
#include <mutex>

class TSDLPanel : public QWidget, public TPreviewSurface {
public:
    explicit TSDLPanel(QWidget* Owner = nullptr);
    // Shuts SDL down for the whole process.
    ~TSDLPanel() override;

    // Binds SDL to this widget's native window and sets the video mode at its size; called once.
    void InitSDL();
    // Replaces the frame surface by one of that size, 32 bits per pixel.
    void SetFrameSize(std::int32_t Width, std::int32_t Height) override;
    // Copies, scales and draws the frame (FrameSurface's size) into Screen; nothing is presented.
    // Runs on the playback thread during playback.
    void ShowFrame(PDecodedFrame Frame) override;
    void Clear(std::uint32_t Color) override;
    // Presents Screen in the window once a frame surface with pixels exists.
    void Flip() override;

    // The SDL video surface bound to the window; SDL owns it. None before InitSDL.
    SDL_Surface* Screen() const noexcept { return FScreen; }

    // SDL draws into the window: Qt must neither paint over it nor buffer it.
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void resizeEvent(QResizeEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    void SetVideoEnvironment();
    void SetVideoMode();

    TSurfacePtr FFrameSurface;
    SDL_Surface* FScreen = nullptr;
    // Setting the video mode replaces the screen surface, which the playback thread may be drawing
    // into; SDL crashes when the two overlap.
    std::mutex FScreenLock;
};
