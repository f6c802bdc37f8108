#include "convert/FastDIB.h"
#include "convert/FastSize.h"
#include "convert/FreeBitmap.h"
#include "dibtesting.h"

#include <gtest/gtest.h>

TEST(FastDIB, RowBytesAndRowPadFollowTheDepth)
{
    struct TCase {
        std::uint16_t Bpp;
        std::int32_t Width;
        std::int32_t RowBytes;
        std::int32_t RowPad;
    };
    const TCase cases[] = {
        {1, 1, 4, 3},   {1, 33, 8, 3},  {4, 3, 4, 2},   {4, 9, 8, 3},  {8, 5, 8, 3},    {8, 8, 8, 0},
        {16, 3, 8, 2},  {16, 2, 4, 0},  {24, 1, 4, 1},  {24, 5, 16, 1}, {24, 4, 12, 0}, {32, 7, 28, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Bpp << " bits, width " << c.Width);
        TFastDIB dib;
        dib.SetSize(c.Width, 3, c.Bpp);
        EXPECT_EQ(dib.RowBytes(), c.RowBytes);
        EXPECT_EQ(dib.RowPad(), c.RowPad);
        EXPECT_EQ(dib.Header().Info.biSizeImage, std::uint32_t(3 * c.RowBytes));
        ASSERT_NE(dib.Bits(), nullptr);
        EXPECT_EQ(dib.Scanline(2), dib.Bits() + 2 * c.RowBytes);
    }
}

TEST(FastDIB, ThirtyTwoBitsArePlainRGBWithByteMasks)
{
    TFastDIB dib;
    dib.SetSize(5, 2, 32);
    EXPECT_EQ(dib.Header().Info.biCompression, BI_RGB);
    EXPECT_EQ(dib.ColorMask(0), 0xFF0000u);
    EXPECT_EQ(dib.ColorMask(1), 0xFF00u);
    EXPECT_EQ(dib.ColorMask(2), 0xFFu);
    EXPECT_EQ(dib.Header().Info.biSize, 40u);
    EXPECT_EQ(dib.Header().Info.biPlanes, 1);
}

TEST(FastDIB, ScreenDepthIsThirtyTwoBitsWithBitFields)
{
    TFastDIB dib;
    dib.SetSize(5, 2, 0);
    EXPECT_EQ(dib.Bpp(), 32);
    EXPECT_EQ(dib.RowBytes(), 20);
    EXPECT_EQ(dib.Header().Info.biCompression, BI_BITFIELDS);
    EXPECT_EQ(dib.ColorMask(0), 0xFF0000u);
    EXPECT_EQ(dib.ColorMask(1), 0xFF00u);
    EXPECT_EQ(dib.ColorMask(2), 0xFFu);
}

TEST(FastDIB, SixteenBitsDefaultTo555AndTakeGivenDepths)
{
    TFastDIB plain;
    plain.SetSize(4, 4, 16);
    EXPECT_EQ(plain.Header().Info.biCompression, BI_RGB);
    EXPECT_EQ(plain.ColorMask(0), 0x7C00u);
    EXPECT_EQ(plain.ColorMask(1), 0x03E0u);
    EXPECT_EQ(plain.ColorMask(2), 0x001Fu);
    EXPECT_EQ(plain.GreenShift(), 5);
    EXPECT_EQ(plain.RedShift(), 10);
    EXPECT_EQ(plain.GreenDrop(), 3);

    TFastDIB fields;
    fields.Allocate(nullptr, 4, 4, 16, 5, 6, 5);
    EXPECT_EQ(fields.Header().Info.biCompression, BI_BITFIELDS);
    EXPECT_EQ(fields.ColorMask(0), 0xF800u);
    EXPECT_EQ(fields.ColorMask(1), 0x07E0u);
    EXPECT_EQ(fields.ColorMask(2), 0x001Fu);
    EXPECT_EQ(fields.RedShift(), 11);
    EXPECT_EQ(fields.GreenDrop(), 2);
    EXPECT_EQ(fields.RedDrop(), 3);
}

TEST(FastDIB, NegativeHeightCountsItsRows)
{
    TFastDIB dib;
    dib.SetSize(3, -4, 24);
    EXPECT_EQ(dib.Height(), -4);
    EXPECT_EQ(dib.Rows(), 4);
    EXPECT_EQ(dib.Header().Info.biSizeImage, 48u);
}

TEST(FastDIB, UnchangedSetSizeKeepsThePixels)
{
    for (bool useGdi : {true, false}) {
        SCOPED_TRACE(useGdi ? "section" : "heap");
        std::mt19937 random(7);
        TFastDIB dib;
        dib.SetUseGdi(useGdi);
        dib.SetSize(9, 6, 32);
        FillRandom(dib, random);
        const std::vector<std::uint8_t> before(dib.Bits(), dib.Bits() + dib.Header().Info.biSizeImage);

        dib.SetSize(9, 6, 32);

        ASSERT_NE(dib.Bits(), nullptr);
        EXPECT_EQ(std::vector<std::uint8_t>(dib.Bits(), dib.Bits() + dib.Header().Info.biSizeImage), before);
    }
}

TEST(FastDIB, ResizedSectionStartsBlank)
{
    std::mt19937 random(8);
    TFastDIB dib;
    dib.SetSize(9, 6, 32);
    FillRandom(dib, random);
    dib.SetSize(9, 7, 32);
    const std::vector<std::uint8_t> pixels(dib.Bits(), dib.Bits() + dib.Header().Info.biSizeImage);
    EXPECT_EQ(pixels, std::vector<std::uint8_t>(pixels.size(), 0));
}

TEST(FastDIB, ZeroSizeLeavesNoPixelsAndNothingToCopyOrResample)
{
    TFastDIB empty;
    empty.SetSize(0, 10, 32);
    EXPECT_EQ(empty.Bits(), nullptr);

    TFastDIB other;
    other.SetSize(4, 4, 32);
    SetPixel32(other, 1, 1, 0x11223344);
    Resample(empty, other);
    Resample(other, empty);
    EXPECT_EQ(Pixel32(other, 1, 1), 0x11223344u);

    TFreeBitmap bitmap;
    CopyToFreeBitmap(empty, bitmap);
    EXPECT_FALSE(bitmap.IsValid());
}

TEST(FastDIB, ExternalMemoryServesAsPixelsUntilOwnIsAskedFor)
{
    std::vector<std::uint8_t> memory(4 * 4 * 2, 0xAB);
    TFastDIB dib;
    dib.Allocate(memory.data(), 4, 2, 32, 0, 0, 0);
    EXPECT_EQ(dib.Bits(), memory.data());
    EXPECT_EQ(dib.Scanline(1), memory.data() + 16);

    dib.SetSize(4, 2, 32);
    ASSERT_NE(dib.Bits(), nullptr);
    EXPECT_NE(dib.Bits(), memory.data());
    EXPECT_EQ(memory, std::vector<std::uint8_t>(32, 0xAB));
}

TEST(FastDIB, CopyToFreeBitmapGivesItTheSizeAndTheRowsBottomFirst)
{
    std::mt19937 random(9);
    TFastDIB dib;
    dib.SetSize(13, 5, 32);
    FillRandom(dib, random);
    TFreeBitmap bitmap;

    CopyToFreeBitmap(dib, bitmap);

    ASSERT_TRUE(bitmap.IsValid());
    EXPECT_EQ(FreeImage_GetWidth(bitmap.Dib()), 13u);
    EXPECT_EQ(FreeImage_GetHeight(bitmap.Dib()), 5u);
    EXPECT_EQ(FreeImage_GetBPP(bitmap.Dib()), 32u);
    for (std::int32_t row = 0; row < 5; ++row) {
        const BYTE* line = FreeImage_GetScanLine(bitmap.Dib(), row);
        EXPECT_EQ(std::vector<std::uint8_t>(line, line + 52), RowCopy(dib, row)) << "row " << row;
    }
}
