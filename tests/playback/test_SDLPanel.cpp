#include "playbacktest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <ostream>
#include <thread>
#include <vector>

namespace {

constexpr int FrameWidth = 720;
constexpr int FrameHeight = 576;

// A decoded frame whose every pixel differs from the others (and from black), so the source of each
// screen pixel can be told.
struct TTestFrame {
    std::vector<std::uint32_t> Pixels;
    TDecodedFrame Frame{};

    TTestFrame(int Width, int Height, std::uint32_t (*Value)(int, int)) : Pixels(std::size_t(Width) * Height)
    {
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                Pixels[std::size_t(y) * Width + x] = Value(x, y);
        Frame.Pixels = reinterpret_cast<std::uint8_t*>(Pixels.data());
    }
};

// The unused byte is set, as a decoder may leave it.
std::uint32_t Distinct(int X, int Y)
{
    return 0xFF000000u | static_cast<std::uint32_t>(Y) << 12 | static_cast<std::uint32_t>(X + 1);
}

std::uint32_t White(int, int)
{
    return 0xFFFFFFFFu;
}

std::uint32_t BlackLeftHalf(int X, int)
{
    return X < FrameWidth / 2 ? 0 : 0xFFFFFFFFu;
}

std::uint32_t ScreenPixel(const TSDLPanel& Panel, int X, int Y)
{
    const SDL_Surface* screen = Panel.Screen();
    return reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(screen->pixels) +
                                                  Y * screen->pitch)[X] &
           0x00FFFFFF;
}

// Source pixel of destination pixel I when N pixels are made of S: nearest, halves up, held at the end.
int Source(int I, int S, int N)
{
    return std::min((2 * I * S + N) / (2 * N), S - 1);
}

class SDLPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartApplication("offscreen"); }

    void SetUp() override
    {
        Panel.resize(395, 193);
        Panel.InitSDL();
        ASSERT_NE(Panel.Screen(), nullptr);
    }

    TSDLPanel Panel;
};

TEST_F(SDLPanelTest, ScreenIsA32BitSurfaceOfThePanelsSize)
{
    const SDL_Surface* screen = Panel.Screen();
    EXPECT_EQ(screen->w, 395);
    EXPECT_EQ(screen->h, 193);
    EXPECT_EQ(screen->format->BitsPerPixel, 32);
    EXPECT_EQ(screen->format->Rmask, 0x00FF0000u);
    EXPECT_EQ(screen->format->Gmask, 0x0000FF00u);
    EXPECT_EQ(screen->format->Bmask, 0x000000FFu);
}

struct TLetterboxCase {
    const char* Name;
    double AspectRatio;
    TPictureRect Expected;
};

void PrintTo(const TLetterboxCase& Case, std::ostream* Out)
{
    *Out << "aspect " << Case.AspectRatio;
}

class SDLPanelLetterbox : public SDLPanelTest, public ::testing::WithParamInterface<TLetterboxCase> {};

// Every screen pixel: black outside the picture, and inside it the frame's pixel that nearest-
// neighbour scaling maps there.
TEST_P(SDLPanelLetterbox, DrawsTheFrameScaledAndCentredWithBlackBars)
{
    const TLetterboxCase& c = GetParam();
    const TTestFrame frame(FrameWidth, FrameHeight, Distinct);
    Panel.AspectRatio = c.AspectRatio;
    Panel.SetFrameSize(FrameWidth, FrameHeight);
    Panel.Clear(0x00FF00FF);
    Panel.ShowFrame(const_cast<PDecodedFrame>(&frame.Frame));

    const TPictureRect r = c.Expected;
    for (int y = 0; y < 193; ++y)
        for (int x = 0; x < 395; ++x) {
            const bool inside = x >= r.X && x < r.X + r.Width && y >= r.Y && y < r.Y + r.Height;
            const std::uint32_t expected =
                inside ? Distinct(Source(x - r.X, FrameWidth, r.Width), Source(y - r.Y, FrameHeight, r.Height)) &
                             0x00FFFFFF
                       : 0;
            ASSERT_EQ(ScreenPixel(Panel, x, y), expected) << "pixel " << x << ", " << y;
        }
    // The centre of the picture shows the centre of the frame.
    EXPECT_EQ(ScreenPixel(Panel, r.X + r.Width / 2, r.Y + r.Height / 2),
              Distinct(Source(r.Width / 2, FrameWidth, r.Width), Source(r.Height / 2, FrameHeight, r.Height)) &
                  0x00FFFFFF);
}

INSTANTIATE_TEST_SUITE_P(Screen395x193, SDLPanelLetterbox,
                         ::testing::Values(TLetterboxCase{"FourThirds", 4.0 / 3.0, {69, 0, 257, 193}},
                                           TLetterboxCase{"SixteenNinths", 16.0 / 9.0, {26, 0, 343, 193}},
                                           TLetterboxCase{"Three", 3.0, {0, 30, 395, 132}}),
                         [](const ::testing::TestParamInfo<TLetterboxCase>& Info) { return Info.param.Name; });

// Black pixels are the scaled surface's colour key and are not blitted: they show black only
// because the screen is cleared first, not the earlier frame.
TEST_F(SDLPanelTest, BlackPartsOfAFrameDoNotShowTheFrameBefore)
{
    const TTestFrame white(FrameWidth, FrameHeight, White);
    const TTestFrame halfBlack(FrameWidth, FrameHeight, BlackLeftHalf);
    Panel.AspectRatio = 4.0 / 3.0;
    Panel.SetFrameSize(FrameWidth, FrameHeight);
    Panel.ShowFrame(const_cast<PDecodedFrame>(&white.Frame));
    ASSERT_EQ(ScreenPixel(Panel, 100, 96), 0x00FFFFFFu);
    Panel.ShowFrame(const_cast<PDecodedFrame>(&halfBlack.Frame));
    EXPECT_EQ(ScreenPixel(Panel, 100, 96), 0u);
    EXPECT_EQ(ScreenPixel(Panel, 300, 96), 0x00FFFFFFu);
}

// A size change sets the video mode again at the new size; the picture comes back with the next
// frame, letterboxed into the new screen.
TEST_F(SDLPanelTest, ResizeSetsTheVideoModeAgain)
{
    const TTestFrame frame(FrameWidth, FrameHeight, White);
    Panel.AspectRatio = 4.0 / 3.0;
    Panel.SetFrameSize(FrameWidth, FrameHeight);
    Panel.show();
    Panel.resize(200, 300);
    ASSERT_NE(Panel.Screen(), nullptr);
    EXPECT_EQ(Panel.Screen()->w, 200);
    EXPECT_EQ(Panel.Screen()->h, 300);
    Panel.ShowFrame(const_cast<PDecodedFrame>(&frame.Frame));
    // 4/3 in 200 x 300: 200 x 150 at y 75.
    EXPECT_EQ(ScreenPixel(Panel, 100, 74), 0u);
    EXPECT_EQ(ScreenPixel(Panel, 100, 75), 0x00FFFFFFu);
    EXPECT_EQ(ScreenPixel(Panel, 100, 224), 0x00FFFFFFu);
    EXPECT_EQ(ScreenPixel(Panel, 100, 225), 0u);
}

// Replacing the screen while another thread draws into it must not break either.
TEST_F(SDLPanelTest, ResizingWhileAnotherThreadDrawsIsSafe)
{
    const TTestFrame frame(FrameWidth, FrameHeight, White);
    Panel.AspectRatio = 4.0 / 3.0;
    Panel.SetFrameSize(FrameWidth, FrameHeight);
    Panel.show();
    std::atomic<bool> stop{false};
    std::thread drawer([&] {
        while (!stop)
            Panel.ShowFrame(const_cast<PDecodedFrame>(&frame.Frame));
    });
    // Small and large in turn, so that drawing at one size into the memory of the other overruns it.
    for (int i = 0; i < 1000; ++i)
        Panel.resize(i % 2 ? 640 : 40 + i % 7 * 10, i % 2 ? 480 : 30 + i % 5 * 10);
    stop = true;
    drawer.join();
    Panel.ShowFrame(const_cast<PDecodedFrame>(&frame.Frame));
    EXPECT_EQ(Panel.Screen()->w, Panel.width());
    EXPECT_EQ(Panel.Screen()->h, Panel.height());
    EXPECT_EQ(ScreenPixel(Panel, Panel.width() / 2, Panel.height() / 2), 0x00FFFFFFu);
}

}  // namespace
