#include "convert/FastFX.h"
#include "dibtesting.h"

#include <gtest/gtest.h>

TEST(FastFX, FlipRowsReversesTheRowOrderAndLeavesThePadding)
{
    std::mt19937 random(11);
    for (std::uint16_t bpp : {24, 32}) {
        for (std::int32_t rows : {1, 2, 3, 4, 5}) {
            SCOPED_TRACE(testing::Message() << bpp << " bits, " << rows << " rows");
            TFastDIB dib;
            dib.SetSize(5, rows, bpp);
            FillRandom(dib, random);
            std::vector<std::vector<std::uint8_t>> before;
            for (std::int32_t row = 0; row < rows; ++row)
                before.push_back(RowCopy(dib, row));

            FlipRows(dib);

            const std::int32_t pixels = PixelBytes(dib);
            for (std::int32_t row = 0; row < rows; ++row) {
                const std::vector<std::uint8_t> after = RowCopy(dib, row);
                const std::vector<std::uint8_t>& mirrored = before[rows - 1 - row];
                EXPECT_TRUE(std::equal(after.begin(), after.begin() + pixels, mirrored.begin())) << "row " << row;
                EXPECT_TRUE(std::equal(after.begin() + pixels, after.end(), before[row].begin() + pixels))
                    << "padding of row " << row;
            }
        }
    }
}

TEST(FastFX, FlipRowsLeavesABitmapWithoutRowsAlone)
{
    TFastDIB dib;
    dib.SetSize(5, 0, 32);
    FlipRows(dib);
    EXPECT_EQ(dib.Bits(), nullptr);
}

// A frame turned upright into the bitmap the JPEG writer takes: each row reversed in order, the
// fourth byte of each pixel dropped at 24 bits, any width (the words are packed four pixels at a time).
TEST(FastFX, FlipIntoCopiesTheRowsInReverseOrderAtThirtyTwoAndTwentyFourBits)
{
    std::mt19937 random(12);
    for (std::int32_t width : {1, 3, 4, 5, 8, 11, 720}) {
        TFastDIB source;
        source.SetSize(width, 7, 32);
        FillRandom(source, random);
        for (std::uint16_t bpp : {32, 24}) {
            SCOPED_TRACE(testing::Message() << width << " wide at " << bpp << " bits");
            TFastDIB target;
            target.SetSize(width, 7, bpp);
            FillRandom(target, random);
            std::vector<std::vector<std::uint8_t>> before;
            for (std::int32_t row = 0; row < 7; ++row)
                before.push_back(RowCopy(target, row));

            FlipInto(source, target);

            for (std::int32_t row = 0; row < 7; ++row) {
                std::vector<std::uint8_t> want;
                for (std::int32_t x = 0; x < width; ++x)
                    want.insert(want.end(), source.Scanline(6 - row) + 4 * x,
                                source.Scanline(6 - row) + 4 * x + bpp / 8);
                want.insert(want.end(), before[row].begin() + PixelBytes(target), before[row].end());
                ASSERT_EQ(RowCopy(target, row), want) << "row " << row;
            }
        }
    }
}
