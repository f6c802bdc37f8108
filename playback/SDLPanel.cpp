#include "playback/SDLPanel.h"

#include "common/Nearest.h"
#include "playback/sdlutils.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Where the scaled picture goes in the screen.
struct TLetterbox {
    int X;
    int Y;
    int Width;
    int Height;
};

// The largest size that keeps AspectRatio and fits the screen, centred.
TLetterbox Letterbox(int ScreenWidth, int ScreenHeight, double AspectRatio)
{
    auto width = static_cast<std::int64_t>(ScreenWidth);
    std::int64_t height = Nearest(static_cast<double>(width) / AspectRatio);
    if (height > ScreenHeight) {
        height = ScreenHeight;
        width = Nearest(static_cast<double>(height) * AspectRatio);
    }
    return {static_cast<int>((ScreenWidth - width) / 2), static_cast<int>((ScreenHeight - height) / 2),
            static_cast<int>(width), static_cast<int>(height)};
}

// SDL binds to an X11 window when Qt runs on X; otherwise (offscreen) it draws into memory only.
// Left unset without a display, SDL would fall back to a driver that draws into the terminal.
bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

TSDLPanel::TSDLPanel(QWidget* Owner) : QWidget(Owner)
{
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
}

TSDLPanel::~TSDLPanel()
{
    FFrameSurface.reset();
    SDL_Quit();
}

void TSDLPanel::SetVideoEnvironment()
{
    setenv("SDL_VIDEODRIVER", OnX11() ? "x11" : "dummy", 1);
    setenv("SDL_WINDOWID", std::to_string(winId()).c_str(), 1);
}

void TSDLPanel::SetVideoMode()
{
    // Depth 0 is the display's depth under X; the memory driver would make it an 8-bit palette.
    const int depth = OnX11() ? 0 : 32;
    const std::lock_guard lock(FScreenLock);
    FScreen = SDL_SetVideoMode(width(), height(), depth, SDL_HWSURFACE | SDL_HWACCEL);
}

void TSDLPanel::InitSDL()
{
    SetVideoEnvironment();
    SDL_Init(SDL_INIT_VIDEO);
    SetVideoMode();
}

void TSDLPanel::resizeEvent(QResizeEvent* Event)
{
    // Qt also sends the size a hidden widget was given when it is first shown; that is no change,
    // and setting the mode again would blank the frame already drawn.
    if (!FScreen || FScreen->w != width() || FScreen->h != height()) {
        // SDL initialises its video part by itself if this comes before InitSDL.
        SetVideoEnvironment();
        SetVideoMode();
    }
    QWidget::resizeEvent(Event);
}

void TSDLPanel::paintEvent(QPaintEvent*)
{
    Flip();
}

void TSDLPanel::SetFrameSize(std::int32_t Width, std::int32_t Height)
{
    FFrameSurface.reset(SDL_CreateRGBSurface(SDL_HWSURFACE, Width, Height, 32, 0, 0, 0, 0));
}

void TSDLPanel::ShowFrame(PDecodedFrame Frame)
{
    SDL_Surface* frame = FFrameSurface.get();
    if (!frame || SDL_LockSurface(frame) < 0)
        return;
    // A 32-bit surface's rows are exactly 4 x width bytes, as the decoded frame's are.
    std::memcpy(frame->pixels, Frame->Pixels, static_cast<std::size_t>(frame->w) * static_cast<std::size_t>(frame->h) * 4);
    SDL_UnlockSurface(frame);

    const std::lock_guard lock(FScreenLock);
    if (!FScreen)
        return;
    const TLetterbox box = Letterbox(FScreen->w, FScreen->h, AspectRatio);
    const TSurfacePtr ScaledSurface = ScaleSurface(frame, 0, 0, frame->w, frame->h, box.Width, box.Height);
    Clear(0);
    SDL_Rect place{static_cast<Sint16>(box.X), static_cast<Sint16>(box.Y), 0, 0};
    SDL_UpperBlit(ScaledSurface.get(), nullptr, FScreen, &place);
}

void TSDLPanel::Clear(std::uint32_t Color)
{
    if (!FScreen)
        return;
    SDL_Rect whole{0, 0, static_cast<Uint16>(FScreen->w), static_cast<Uint16>(FScreen->h)};
    SDL_FillRect(FScreen, &whole, Color);
}

void TSDLPanel::Flip()
{
    if (FScreen && FFrameSurface && FFrameSurface->pixels)
        SDL_Flip(FScreen);
}
