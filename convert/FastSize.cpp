#include "convert/FastSize.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

bool HasPixels(const TFastDIB& dib) noexcept
{
    return dib.Width() != 0 && dib.Height() != 0 && dib.Bits() != nullptr;
}

// Source length over target length in 16.16, with the 32-bit wrap of the original arithmetic.
std::int32_t Step(std::int32_t sourceLength, std::int32_t targetLength) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(sourceLength) << 16) / targetLength;
}

// Half a step minus half a pixel, so that pixel centres line up.
std::int32_t FirstPosition(std::int32_t step) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(step) >> 1) - 32768;
}

struct TSample {
    std::int32_t Index;
    std::uint32_t Fraction;
};

// Positions before the first pixel centre clamp to it.
TSample Sample(std::int32_t position) noexcept
{
    if (position < 0)
        return {0, 0};
    return {position >> 16, static_cast<std::uint32_t>(position) & 65535};
}

std::int32_t Next(std::int32_t index, std::int32_t length) noexcept
{
    return index < length - 1 ? index + 1 : index;
}

// Where target column i reads: byte offsets of its two source pixels within a row, and the weight
// of the right one. The same for every row, so worked out once per call.
struct TColumn {
    std::int32_t Left;
    std::int32_t Right;
    std::uint32_t Fraction;
};

std::vector<TColumn> Columns(std::int32_t sourceWidth, std::int32_t targetWidth, std::int32_t pixelBytes)
{
    const std::int32_t xs = Step(sourceWidth, targetWidth);
    std::vector<TColumn> columns(static_cast<std::size_t>(targetWidth));
    std::int32_t x = FirstPosition(xs);
    for (TColumn& column : columns) {
        const TSample sample = Sample(x);
        column = {sample.Index * pixelBytes, Next(sample.Index, sourceWidth) * pixelBytes, sample.Fraction};
        x += xs;
    }
    return columns;
}

// Walks Target's rows in memory order; makeRow(out, upper, lower, wy, fy) fills one row from the two
// source rows it lies between, upper weighing wy and lower fy (in 1/65536).
template <class MakeRow>
void ForEachTargetRow(const TFastDIB& source, TFastDIB& target, MakeRow makeRow)
{
    const std::int32_t ys = Step(source.Rows(), target.Rows());
    std::int32_t y = FirstPosition(ys);
    std::uint8_t* out = target.Bits();
    for (std::int32_t row = 0; row < target.Rows(); ++row, y += ys) {
        const TSample sample = Sample(y);
        makeRow(out, source.Scanline(sample.Index), source.Scanline(Next(sample.Index, source.Rows())),
                65536 - sample.Fraction, sample.Fraction);
        out += target.RowBytes();
    }
}

// A target row as the blend of two source rows, byte by byte, the lower weighing fy: the same
// value as (upper * (65536 - fy) + lower * fy + 32768) shr 16, with one product instead of two.
// Built for AVX2 as well, used where the processor has it: at equal widths this is all the
// scaling of a whole-video job. Sanitizer builds take the plain version: the clone is chosen by an
// ifunc resolver that runs, instrumented, before the sanitizer's runtime is up.
#ifdef STILLREEL_SANITIZED
#define STILLREEL_AVX2_CLONE
#else
#define STILLREEL_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#endif
STILLREEL_AVX2_CLONE void BlendRows(std::uint8_t* __restrict out,
                                                                 const std::uint8_t* __restrict upper,
                                                                 const std::uint8_t* __restrict lower,
                                                                 std::int32_t count, std::int32_t fy)
{
    for (std::int32_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint8_t>(upper[i] + (((lower[i] - upper[i]) * fy + 32768) >> 16));
}

struct TWeights {
    std::uint32_t W00, W01, W10, W11;
};

// The general case: blend makes each target pixel from its four source pixels. Both bitmaps must
// have pixels.
template <std::int32_t PixelBytes, class Blend>
void ResampleWith(const TFastDIB& source, TFastDIB& target, Blend blend)
{
    const std::vector<TColumn> columns = Columns(source.Width(), target.Width(), PixelBytes);
    ForEachTargetRow(source, target,
                     [&](std::uint8_t* out, const std::uint8_t* upper, const std::uint8_t* lower, std::uint32_t wy,
                         std::uint32_t fy) {
                         for (const TColumn& column : columns) {
                             const std::uint32_t w01 = (wy * column.Fraction) >> 16;
                             const std::uint32_t w11 = (fy * column.Fraction) >> 16;
                             blend(out, upper + column.Left, upper + column.Right, lower + column.Left,
                                   lower + column.Right, TWeights{wy - w01, w01, fy - w11, w11});
                             out += PixelBytes;
                         }
                     });
}

// Every byte of the pixel is interpolated on its own, rounded to nearest.
template <std::int32_t PixelBytes>
void ResampleBytes(const TFastDIB& source, TFastDIB& target)
{
    if (!HasPixels(source) || !HasPixels(target))
        return;
    // At equal widths every target column sits on its source column with no fraction, so the two
    // right-hand weights are 0 and a row is a blend of two source rows, byte by byte. This is the
    // thumbnail as wide as the frame, the common case of a whole-video job.
    if (source.Width() == target.Width()) {
        const std::int32_t rowBytes = PixelBytes * target.Width();
        ForEachTargetRow(source, target,
                         [rowBytes](std::uint8_t* out, const std::uint8_t* upper, const std::uint8_t* lower,
                                    std::uint32_t, std::uint32_t fy) {
                             BlendRows(out, upper, lower, rowBytes, static_cast<std::int32_t>(fy));
                         });
        return;
    }
    ResampleWith<PixelBytes>(source, target,
                             [](std::uint8_t* out, const std::uint8_t* p00, const std::uint8_t* p01,
                                const std::uint8_t* p10, const std::uint8_t* p11, TWeights w) {
                                 for (std::int32_t k = 0; k < PixelBytes; ++k)
                                     out[k] = static_cast<std::uint8_t>(
                                         (p00[k] * w.W00 + p01[k] * w.W01 + p10[k] * w.W10 + p11[k] * w.W11 + 32768) >> 16);
                             });
}

std::uint16_t ReadWord(const std::uint8_t* p) noexcept
{
    std::uint16_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace

void Resample(const TFastDIB& Source, TFastDIB& Target)
{
    switch (Target.Bpp()) {
    case 8:
        Resample8(Source, Target);
        break;
    case 16:
        Resample16(Source, Target);
        break;
    case 24:
        Resample24(Source, Target);
        break;
    case 32:
        Resample32(Source, Target);
        break;
    default:
        break;
    }
}

void Resample8(const TFastDIB& Source, TFastDIB& Target)
{
    ResampleBytes<1>(Source, Target);
}

void Resample16(const TFastDIB& Source, TFastDIB& Target)
{
    if (!HasPixels(Source) || !HasPixels(Target))
        return;
    // Each source word split into 8-bit channels, and each 8-bit channel placed in a target word.
    std::vector<std::uint8_t> blue(65536), green(65536), red(65536);
    for (std::uint32_t p = 0; p < 65536; ++p) {
        blue[p] = static_cast<std::uint8_t>((p << Source.BlueDrop()) & 255);
        green[p] = static_cast<std::uint8_t>(((p >> Source.GreenShift()) << Source.GreenDrop()) & 255);
        red[p] = static_cast<std::uint8_t>(((p >> Source.RedShift()) << Source.RedDrop()) & 255);
    }
    std::array<std::uint16_t, 256> packBlue, packGreen, packRed;
    for (std::uint32_t v = 0; v < 256; ++v) {
        packBlue[v] = static_cast<std::uint16_t>(v >> Target.BlueDrop());
        packGreen[v] = static_cast<std::uint16_t>((v >> Target.GreenDrop()) << Target.GreenShift());
        packRed[v] = static_cast<std::uint16_t>((v >> Target.RedDrop()) << Target.RedShift());
    }
    ResampleWith<2>(Source, Target,
                    [&](std::uint8_t* out, const std::uint8_t* p00, const std::uint8_t* p01, const std::uint8_t* p10,
                        const std::uint8_t* p11, TWeights w) {
                        const std::uint16_t a = ReadWord(p00), b = ReadWord(p01), c = ReadWord(p10), d = ReadWord(p11);
                        // No rounding term here, unlike the byte formats.
                        auto mix = [&](const std::vector<std::uint8_t>& channel) {
                            return (channel[a] * w.W00 + channel[b] * w.W01 + channel[c] * w.W10 + channel[d] * w.W11) >> 16;
                        };
                        const std::uint16_t word = packBlue[mix(blue)] | packGreen[mix(green)] | packRed[mix(red)];
                        std::memcpy(out, &word, sizeof word);
                    });
}

void Resample24(const TFastDIB& Source, TFastDIB& Target)
{
    ResampleBytes<3>(Source, Target);
}

void Resample32(const TFastDIB& Source, TFastDIB& Target)
{
    ResampleBytes<4>(Source, Target);
}
