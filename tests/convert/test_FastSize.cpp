#include "convert/FastFX.h"
#include "convert/FastSize.h"
#include "dibtesting.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// The resampling formula worked through pixel by pixel in 64-bit arithmetic, with none of the
// production code's tables. channel(dib, x, row, k) reads channel k of a pixel as an 8-bit value;
// the result holds, per target row, the channel values of every pixel.
using TChannelReader = std::uint32_t (*)(const TFastDIB&, std::int64_t x, std::int64_t row, int k);

std::vector<std::vector<std::uint32_t>> ReferenceResample(const TFastDIB& source, const TFastDIB& target,
                                                          int channels, TChannelReader channel, bool rounded)
{
    const std::int64_t xs = std::int64_t(source.Width()) * 65536 / target.Width();
    const std::int64_t ys = std::int64_t(source.Rows()) * 65536 / target.Rows();
    std::vector<std::vector<std::uint32_t>> result;
    for (std::int64_t ty = 0; ty < target.Rows(); ++ty) {
        const std::int64_t y = ys / 2 - 32768 + ty * ys;
        const std::int64_t sy = y < 0 ? 0 : y / 65536;
        const std::int64_t fy = y < 0 ? 0 : y % 65536;
        const std::int64_t wy = 65536 - fy;
        const std::int64_t sy2 = sy < source.Rows() - 1 ? sy + 1 : sy;
        std::vector<std::uint32_t> row;
        for (std::int64_t tx = 0; tx < target.Width(); ++tx) {
            const std::int64_t x = xs / 2 - 32768 + tx * xs;
            const std::int64_t sx = x < 0 ? 0 : x / 65536;
            const std::int64_t fx = x < 0 ? 0 : x % 65536;
            const std::int64_t sx2 = sx < source.Width() - 1 ? sx + 1 : sx;
            const std::int64_t w01 = wy * fx / 65536;
            const std::int64_t w00 = wy - w01;
            const std::int64_t w11 = fy * fx / 65536;
            const std::int64_t w10 = fy - w11;
            for (int k = 0; k < channels; ++k) {
                const std::int64_t sum = channel(source, sx, sy, k) * w00 + channel(source, sx2, sy, k) * w01 +
                                         channel(source, sx, sy2, k) * w10 + channel(source, sx2, sy2, k) * w11;
                row.push_back(std::uint32_t((sum + (rounded ? 32768 : 0)) / 65536));
            }
        }
        result.push_back(row);
    }
    return result;
}

template <int Bytes>
std::uint32_t ByteChannel(const TFastDIB& dib, std::int64_t x, std::int64_t row, int k)
{
    return dib.Scanline(std::int32_t(row))[x * Bytes + k];
}

std::vector<std::vector<std::uint32_t>> ByteChannels(const TFastDIB& dib)
{
    const int bytes = dib.Bpp() / 8;
    std::vector<std::vector<std::uint32_t>> result;
    for (std::int32_t row = 0; row < dib.Rows(); ++row)
        result.emplace_back(dib.Scanline(row), dib.Scanline(row) + bytes * dib.Width());
    return result;
}

// A 16-bit channel, found through the bitmap's masks and widened to 8 bits by shifting left.
std::uint32_t WordChannel(const TFastDIB& dib, std::int64_t x, std::int64_t row, int k)
{
    std::uint16_t word;
    std::memcpy(&word, dib.Scanline(std::int32_t(row)) + 2 * x, 2);
    const std::uint32_t mask = dib.ColorMask(2 - k);  // k: 0 blue, 1 green, 2 red
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    int depth = 0;
    while (((mask >> (shift + depth)) & 1) != 0)
        ++depth;
    return ((word & mask) >> shift) << (8 - depth) & 255;
}

// Channels of a 16-bit bitmap, rounded down to each channel's depth as a written word keeps them.
std::vector<std::vector<std::uint32_t>> WordChannels(const TFastDIB& dib)
{
    std::vector<std::vector<std::uint32_t>> result;
    for (std::int32_t row = 0; row < dib.Rows(); ++row) {
        std::vector<std::uint32_t> line;
        for (std::int32_t x = 0; x < dib.Width(); ++x)
            for (int k = 0; k < 3; ++k)
                line.push_back(WordChannel(dib, x, row, k));
        result.push_back(line);
    }
    return result;
}

std::vector<std::vector<std::uint32_t>> Truncated(std::vector<std::vector<std::uint32_t>> channels,
                                                  const TFastDIB& target)
{
    const std::array<int, 3> depths = {target.BlueBits(), target.GreenBits(), target.RedBits()};
    for (auto& row : channels)
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = row[i] >> (8 - depths[i % 3]) << (8 - depths[i % 3]);
    return channels;
}

}  // namespace

TEST(FastSize, ShrinkingPalFrameStepsFourAndAHalfPixelsFromColumnOneAndThreeQuarters)
{
    TFastDIB source;
    source.SetSize(720, 576, 32);
    // Bytes blue, green, red, unused of the four pixels the first target pixel reads.
    SetPixel32(source, 1, 1, 0x000000FF);
    SetPixel32(source, 2, 1, 0x0000FF00);
    SetPixel32(source, 1, 2, 0x00FF0000);
    SetPixel32(source, 2, 2, 0xFF000000);
    // 4.5 pixels further the next column reads 6.25, and the next row 6.25 as well.
    SetPixel32(source, 6, 1, 0x000000FF);
    SetPixel32(source, 7, 1, 0x0000FF00);
    SetPixel32(source, 1, 6, 0x00FF0000);
    SetPixel32(source, 1, 7, 0xFF000000);
    TFastDIB target;
    target.SetSize(160, 128, 32);

    Resample(source, target);

    // Weights at (1.75, 1.75): 1/16, 3/16, 3/16, 9/16 of 255, rounded.
    EXPECT_EQ(Pixel32(target, 0, 0), 0x8F303010u);
    // At (6.25, 1.75): row 1 weighs 1/4, column 6 three quarters of that.
    EXPECT_EQ(Pixel32(target, 1, 0), 0x00001030u);
    // At (1.75, 6.25): column 1 weighs 1/4, row 6 three quarters of that.
    EXPECT_EQ(Pixel32(target, 0, 1), 0x10300000u);
}

TEST(FastSize, SameSizeCopiesEveryPixel)
{
    std::mt19937 random(1);
    TFastDIB source, target;
    source.SetSize(37, 23, 32);
    target.SetSize(37, 23, 32);
    FillRandom(source, random);

    Resample(source, target);

    EXPECT_EQ(ByteChannels(target), ByteChannels(source));
}

TEST(FastSize, EnlargingClampsToTheEdgePixels)
{
    std::mt19937 random(2);
    TFastDIB source, target;
    source.SetSize(2, 2, 32);
    target.SetSize(4, 4, 32);
    FillRandom(source, random);

    Resample(source, target);

    EXPECT_EQ(Pixel32(target, 0, 0), Pixel32(source, 0, 0));
    EXPECT_EQ(Pixel32(target, 3, 0), Pixel32(source, 1, 0));
    EXPECT_EQ(Pixel32(target, 0, 3), Pixel32(source, 0, 1));
    EXPECT_EQ(Pixel32(target, 3, 3), Pixel32(source, 1, 1));
}

TEST(FastSize, UniformColourStaysExactAtEveryDepth)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> length(1, 60);
    for (std::uint16_t bpp : {8, 16, 24, 32}) {
        for (int round = 0; round < 20; ++round) {
            TFastDIB source, target;
            source.SetSize(length(random), length(random), bpp);
            target.SetSize(length(random), length(random), bpp);
            const std::uint8_t colour[4] = {0x1F, 0xC8, 0x4D, 0xFF};
            const std::uint8_t word[2] = {0xA5, 0x5A};
            for (std::int32_t row = 0; row < source.Rows(); ++row)
                for (std::int32_t i = 0; i < PixelBytes(source); ++i)
                    source.Scanline(row)[i] = bpp == 16 ? word[i % 2] : colour[i % (bpp / 8)];

            Resample(source, target);

            for (std::int32_t row = 0; row < target.Rows(); ++row)
                for (std::int32_t i = 0; i < PixelBytes(target); ++i)
                    ASSERT_EQ(target.Scanline(row)[i], bpp == 16 ? word[i % 2] : colour[i % (bpp / 8)])
                        << bpp << " bits, " << source.Width() << "x" << source.Rows() << " to " << target.Width()
                        << "x" << target.Rows() << ", row " << row << ", byte " << i;
        }
    }
}

TEST(FastSize, Resample32MatchesTheFormulaOnManySizes)
{
    std::mt19937 random(4);
    std::uniform_int_distribution<int> length(1, 90);
    std::vector<std::array<int, 4>> sizes = {{720, 576, 720, 540}, {720, 576, 160, 128}, {1, 1, 7, 5}, {9, 3, 1, 1},
                                                 {33, 10, 33, 47}, {5, 40, 5, 3}, {64, 1, 64, 9}};
    for (int round = 0; round < 300; ++round)
        sizes.push_back({length(random), length(random), length(random), length(random)});
    for (const auto& [sw, sh, tw, th] : sizes) {
        SCOPED_TRACE(testing::Message() << sw << "x" << sh << " to " << tw << "x" << th);
        TFastDIB source, target;
        source.SetSize(sw, sh, 32);
        target.SetSize(tw, th, 32);
        FillRandom(source, random);

        Resample(source, target);

        ASSERT_EQ(ByteChannels(target), ReferenceResample(source, target, 4, ByteChannel<4>, true));
    }
}

TEST(FastSize, Resample24And8MatchTheFormulaWithPaddedRows)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> length(1, 50);
    for (std::uint16_t bpp : {8, 24}) {
        for (int round = 0; round < 100; ++round) {
            TFastDIB source, target;
            source.SetSize(length(random), length(random), bpp);
            // Every fourth picture keeps its width, which takes the row-blending path.
            target.SetSize(round % 4 == 0 ? source.Width() : length(random), length(random), bpp);
            SCOPED_TRACE(testing::Message() << bpp << " bits, " << source.Width() << "x" << source.Rows() << " to "
                                            << target.Width() << "x" << target.Rows());
            FillRandom(source, random);
            FillRandom(target, random);
            std::vector<std::vector<std::uint8_t>> padding;
            for (std::int32_t row = 0; row < target.Rows(); ++row)
                padding.emplace_back(target.Scanline(row) + PixelBytes(target),
                                     target.Scanline(row) + target.RowBytes());

            Resample(source, target);

            const auto expected = bpp == 8 ? ReferenceResample(source, target, 1, ByteChannel<1>, true)
                                           : ReferenceResample(source, target, 3, ByteChannel<3>, true);
            ASSERT_EQ(ByteChannels(target), expected);
            for (std::int32_t row = 0; row < target.Rows(); ++row)
                ASSERT_EQ(std::vector<std::uint8_t>(target.Scanline(row) + PixelBytes(target),
                                                    target.Scanline(row) + target.RowBytes()),
                          padding[row]);
        }
    }
}

TEST(FastSize, Resample16MatchesTheFormulaAcrossBitFieldLayouts)
{
    // Red, green and blue depths; all zero is the plain 5-5-5 layout.
    const std::array<std::array<std::uint8_t, 3>, 4> layouts = {{{0, 0, 0}, {5, 6, 5}, {5, 5, 6}, {4, 4, 4}}};
    std::mt19937 random(6);
    std::uniform_int_distribution<int> length(1, 40);
    std::uniform_int_distribution<std::size_t> layout(0, layouts.size() - 1);
    for (int round = 0; round < 80; ++round) {
        const auto& [sr, sg, sb] = layouts[layout(random)];
        const auto& [tr, tg, tb] = layouts[layout(random)];
        TFastDIB source, target;
        source.Allocate(nullptr, length(random), length(random), 16, sr, sg, sb);
        target.Allocate(nullptr, length(random), length(random), 16, tr, tg, tb);
        SCOPED_TRACE(testing::Message() << source.Width() << "x" << source.Rows() << " to " << target.Width() << "x"
                                        << target.Rows() << ", masks " << std::hex << source.ColorMask(0) << "/"
                                        << source.ColorMask(1) << " to " << target.ColorMask(0) << "/"
                                        << target.ColorMask(1));
        FillRandom(source, random);

        Resample(source, target);

        ASSERT_EQ(WordChannels(target), Truncated(ReferenceResample(source, target, 3, WordChannel, false), target));
    }
}

// The conversion resamples straight into the upright bitmap the JPEG writer takes: the same bytes as
// resampling, turning the result over and dropping each pixel's fourth byte; the padding of the
// 24-bit rows left as it was.
TEST(FastSize, ResampleFlippedGivesTheBytesOfResampleThenFlipRows)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> length(1, 90);
    std::vector<std::array<int, 4>> sizes = {{720, 576, 720, 540}, {720, 480, 720, 405},  {720, 576, 333, 187},
                                             {720, 576, 101, 76},  {720, 576, 1001, 777}, {1, 1, 3, 2},
                                             {5, 40, 5, 3}};
    for (int round = 0; round < 60; ++round) {
        const int sw = length(random);
        sizes.push_back({sw, length(random), round % 3 == 0 ? sw : length(random), length(random)});
    }
    for (const auto& [sw, sh, tw, th] : sizes) {
        TFastDIB source, expected;
        source.SetSize(sw, sh, 32);
        expected.SetSize(tw, th, 32);
        FillRandom(source, random);
        Resample(source, expected);
        FlipRows(expected);
        for (std::uint16_t bpp : {32, 24}) {
            SCOPED_TRACE(testing::Message()
                         << sw << "x" << sh << " to " << tw << "x" << th << " at " << bpp << " bits");
            TFastDIB target;
            target.SetSize(tw, th, bpp);
            FillRandom(target, random);
            std::vector<std::vector<std::uint8_t>> before;
            for (std::int32_t row = 0; row < th; ++row)
                before.push_back(RowCopy(target, row));

            ResampleFlipped(source, target);

            for (std::int32_t row = 0; row < th; ++row) {
                std::vector<std::uint8_t> want;
                for (std::int32_t x = 0; x < tw; ++x)
                    want.insert(want.end(), expected.Scanline(row) + 4 * x, expected.Scanline(row) + 4 * x + bpp / 8);
                want.insert(want.end(), before[row].begin() + PixelBytes(target), before[row].end());
                ASSERT_EQ(RowCopy(target, row), want) << "row " << row;
            }
        }
    }
}
