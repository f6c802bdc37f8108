#include "playback/sdlutils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A 32-bit surface in the frames' layout whose pixel (x, y) holds Value(x, y).
TSurfacePtr MakeSurface(int Width, int Height)
{
    return TSurfacePtr(SDL_CreateRGBSurface(SDL_SWSURFACE, Width, Height, 32, 0, 0, 0, 0));
}

std::uint32_t Value(int X, int Y)
{
    return 0xFF000000u | static_cast<std::uint32_t>(Y) << 12 | static_cast<std::uint32_t>(X + 1);
}

std::uint32_t& Pixel(SDL_Surface* Surface, int X, int Y)
{
    return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(Surface->pixels) + Y * Surface->pitch)[X];
}

void Fill(SDL_Surface* Surface)
{
    for (int y = 0; y < Surface->h; ++y)
        for (int x = 0; x < Surface->w; ++x)
            Pixel(Surface, x, y) = Value(x, y);
}

// The source pixel that StretchLine put into each pixel of one destination row.
std::vector<int> StretchedRow(int SourceCount, int Count)
{
    const TSurfacePtr source = MakeSurface(SourceCount, 1);
    const TSurfacePtr dest = MakeSurface(Count, 1);
    Fill(source.get());
    StretchLine(source.get(), dest.get(), 0, Count, 0, SourceCount, 0, 0, 4);
    std::vector<int> taken;
    for (int x = 0; x < Count; ++x)
        taken.push_back(static_cast<int>(Pixel(dest.get(), x, 0) & 0xFFF) - 1);
    return taken;
}

// Destination pixel i takes source pixel i * s / n to the nearest integer, halves upward, held at
// the last pixel.
int ClosedForm(int I, int SourceCount, int Count)
{
    return std::min((2 * I * SourceCount + Count) / (2 * Count), SourceCount - 1);
}

TEST(StretchLine, TakesTheDocumentedSourcePixels)
{
    EXPECT_EQ(StretchedRow(4, 8), (std::vector<int>{0, 1, 1, 2, 2, 3, 3, 3}));
    EXPECT_EQ(StretchedRow(8, 4), (std::vector<int>{0, 2, 4, 6}));
    EXPECT_EQ(StretchedRow(3, 5), (std::vector<int>{0, 1, 1, 2, 2}));
}

TEST(StretchLine, MatchesTheClosedFormAndNeverLeavesTheRow)
{
    for (int s = 1; s <= 40; ++s)
        for (int n = 1; n <= 40; ++n) {
            const std::vector<int> taken = StretchedRow(s, n);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(taken[i], ClosedForm(i, s, n)) << s << " -> " << n << ", pixel " << i;
        }
}

TEST(StretchLine, WritesOnlyItsSpanAndNothingBelowTheLastRow)
{
    const TSurfacePtr source = MakeSurface(6, 2);
    const TSurfacePtr dest = MakeSurface(8, 2);
    Fill(source.get());
    SDL_FillRect(dest.get(), nullptr, 7);
    StretchLine(source.get(), dest.get(), 2, 6, 3, 5, 1, 0, 4);
    StretchLine(source.get(), dest.get(), 0, 8, 0, 6, 0, 2, 4);
    const std::uint32_t expected[8] = {7, 7, Value(3, 1), Value(4, 1), Value(4, 1), Value(4, 1), 7, 7};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(Pixel(dest.get(), x, 0), expected[x]) << x;
        EXPECT_EQ(Pixel(dest.get(), x, 1), 7u) << x;
    }
}

TEST(ScaleSurface, MapsRowsAndColumnsOfTheRectangleByTheSameRule)
{
    const TSurfacePtr source = MakeSurface(10, 9);
    Fill(source.get());
    SDL_SetColorKey(source.get(), SDL_SRCCOLORKEY, 0);
    // The rectangle at (2, 1), 4 x 3, enlarged to 8 x 5: rows 4 -> 8 in width, 3 -> 5 in height.
    const TSurfacePtr scaled = ScaleSurface(source.get(), 2, 1, 4, 3, 8, 5);
    ASSERT_TRUE(scaled);
    ASSERT_EQ(scaled->w, 8);
    ASSERT_EQ(scaled->h, 5);
    EXPECT_EQ(scaled->format->BitsPerPixel, 32);
    EXPECT_EQ(scaled->format->Rmask, source->format->Rmask);
    EXPECT_EQ(scaled->format->Bmask, source->format->Bmask);
    EXPECT_TRUE(scaled->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(scaled->format->colorkey, 0u);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(Pixel(scaled.get(), x, y), Value(2 + ClosedForm(x, 4, 8), 1 + ClosedForm(y, 3, 5)))
                << x << ", " << y;
}

TEST(ScaleSurface, HoldsTheLastRowWhenEnlargingTwiceOrMore)
{
    const TSurfacePtr source = MakeSurface(2, 3);
    Fill(source.get());
    const TSurfacePtr scaled = ScaleSurface(source.get(), 0, 0, 2, 2, 2, 4);
    ASSERT_TRUE(scaled);
    const int rows[4] = {0, 1, 1, 1};
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(Pixel(scaled.get(), 0, y), Value(0, rows[y])) << y;
}

}  // namespace
