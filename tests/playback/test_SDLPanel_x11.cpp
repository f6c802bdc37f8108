// The preview in a real X server (Xvfb, started here on a free display): SDL draws into the panel's
// native child window, and the window's pixels are read back with Xlib. Skipped, saying why, when
// no X server can be started.
#include "support/fixtures.h"
#include "support/frameindex.h"
#include "support/xvfb.h"
#include "playback/playManager.h"
#include "playbacktest.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>


#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Last: Xlib defines macros (Status, None, Bool) that clash with ordinary names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// The window's pixels, read from the X server (0x00RRGGBB each); empty when they cannot be read.
std::vector<std::uint32_t> ReadWindow(Display* Connection, unsigned long Window, int Width, int Height)
{
    std::vector<std::uint32_t> pixels;
    XSync(Connection, False);
    // An unmapped window is a protocol error, which Xlib's default handler would make fatal.
    const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XImage* image = XGetImage(Connection, Window, 0, 0, Width, Height, AllPlanes, ZPixmap);
    XSync(Connection, False);
    XSetErrorHandler(previous);
    if (!image)
        return pixels;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0x00FFFFFF);
    XDestroyImage(image);
    return pixels;
}

std::vector<std::uint32_t> ScreenPixels(const TSDLPanel& Panel)
{
    const SDL_Surface* screen = Panel.Screen();
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x)
            pixels.push_back(reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(screen->pixels) +
                                                                    y * screen->pitch)[x] &
                             0x00FFFFFF);
    return pixels;
}

class SDLPanelX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static TXvfb server;
        static const std::string failure = server.Start("640x480x24");
        Failure = &failure;
        if (failure.empty())
            StartApplication("xcb");
    }

    void SetUp() override
    {
        if (!Failure->empty())
            GTEST_SKIP() << "No X server for this test: " << *Failure;
        Connection = XOpenDisplay(nullptr);
        ASSERT_NE(Connection, nullptr);
        // The panel where the main window has it, in a window of about the main window's size.
        Window = std::make_unique<QWidget>();
        Window->resize(470, 400);
        Panel = new TSDLPanel(Window.get());
        Panel->setGeometry(37, 151, 395, 193);
        Panel->InitSDL();
        Manager.Panel = Panel;
    }

    void TearDown() override
    {
        if (Connection)
            XCloseDisplay(Connection);
    }

    std::vector<std::uint32_t> PanelPixels() const
    {
        return ReadWindow(Connection, Panel->winId(), Panel->width(), Panel->height());
    }

    // Waits until the window shows exactly what the screen surface holds.
    bool WindowShowsScreen()
    {
        return RunUntil([&] { return PanelPixels() == ScreenPixels(*Panel); }, 5000);
    }

    static const std::string* Failure;
    Display* Connection = nullptr;
    std::unique_ptr<QWidget> Window;  // made once the X server is known to run
    TSDLPanel* Panel = nullptr;       // owned by Window
    TPlayManager Manager;
};

const std::string* SDLPanelX11Test::Failure = nullptr;

// As the window does it: the panel is hidden until a file is open, then shown.
TEST_F(SDLPanelX11Test, AWindowShowsTheFirstFrameLetterboxed)
{
    Panel->hide();
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    Manager.OpenFile(FixturePath("pal.vob"));
    Panel->show();
    ASSERT_TRUE(WindowShowsScreen());

    const std::vector<std::uint32_t> pixels = PanelPixels();
    for (int y = 0; y < 193; ++y) {
        for (int x = 0; x < 395; ++x) {
            if (x < 69 || x >= 69 + 257) {
                ASSERT_EQ(pixels[y * 395 + x], 0u) << "bar pixel " << x << ", " << y;
            }
        }
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels.data());
    EXPECT_EQ(ReadFrameIndex(bytes + 69 * 4, 257, 193, 395 * 4, 4), 0);
}

TEST_F(SDLPanelX11Test, FlipPresentsNothingBeforeAFrameSize)
{
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    RunFor(100);
    constexpr std::uint32_t Red = 0x00FF0000;
    Panel->Clear(Red);
    Panel->Flip();
    RunFor(100);
    std::vector<std::uint32_t> pixels = PanelPixels();
    ASSERT_EQ(pixels.size(), 395u * 193u);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), Red), 0);

    Panel->SetFrameSize(8, 8);
    Panel->Flip();
    pixels = PanelPixels();
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), Red), static_cast<long>(pixels.size()));
}

// The window's contents are lost (drawn over here by another client); the expose that follows
// makes the panel present the last frame again, without decoding.
TEST_F(SDLPanelX11Test, AnExposeShowsTheLastFrameAgain)
{
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    Manager.OpenFile(FixturePath("pal.vob"));
    Manager.Seek(4);
    ASSERT_TRUE(WindowShowsScreen());

    const GC pen = XCreateGC(Connection, Panel->winId(), 0, nullptr);
    XSetForeground(Connection, pen, 0x00FFFFFF);
    XFillRectangle(Connection, Panel->winId(), pen, 0, 0, 395, 193);
    XFreeGC(Connection, pen);
    const std::vector<std::uint32_t> scribbled = PanelPixels();
    ASSERT_EQ(std::count(scribbled.begin(), scribbled.end(), 0x00FFFFFFu), 395 * 193);

    XClearArea(Connection, Panel->winId(), 0, 0, 0, 0, True);
    ASSERT_TRUE(WindowShowsScreen());
    const std::vector<std::uint32_t> pixels = PanelPixels();
    EXPECT_EQ(ReadFrameIndex(reinterpret_cast<const std::uint8_t*>(pixels.data()) + 69 * 4, 257, 193, 395 * 4, 4),
              100);
}

// The main thread replaces the screen surface while the playback thread draws into it.
TEST_F(SDLPanelX11Test, ResizingWhilePlayingIsSafe)
{
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    Manager.OpenFile(FixturePath("pal.vob"));
    Manager.Play();
    for (int i = 0; i < 40; ++i) {
        Panel->resize(395 - i % 4 * 60, 193 + i % 3 * 40);
        RunFor(25);
    }
    Panel->resize(395, 193);
    RunFor(150);
    Manager.Pause();
    ASSERT_EQ(Panel->Screen()->w, 395);
    // The report of the last frame drawn may have been dropped by the pause; a repaint presents it.
    Panel->update();
    ASSERT_TRUE(WindowShowsScreen());
    const std::vector<std::uint32_t> pixels = PanelPixels();
    EXPECT_GT(ReadFrameIndex(reinterpret_cast<const std::uint8_t*>(pixels.data()) + 69 * 4, 257, 193, 395 * 4, 4), 1);
}

}  // namespace
