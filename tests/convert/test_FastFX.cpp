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
