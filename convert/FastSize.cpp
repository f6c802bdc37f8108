#include "convert/FastSize.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

bool HasPixels(const TFastDIB& Dib) noexcept
{
    return Dib.Width() != 0 && Dib.Height() != 0 && Dib.Bits() != nullptr;
}

// Source length over target length in 16.16, in 32 bits: exact for sources below 32768 pixels, as
// every video frame is.
std::int32_t Step(std::int32_t SourceLength, std::int32_t TargetLength) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(SourceLength) << 16) / TargetLength;
}

// Half a step minus half a pixel, so that pixel centres line up.
std::int32_t FirstPosition(std::int32_t Step) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Step) >> 1) - 32768;
}

struct TSample {
    std::int32_t Index;
    std::uint32_t Fraction;
};

// Positions before the first pixel centre clamp to it.
TSample Sample(std::int32_t Position) noexcept
{
    if (Position < 0)
        return {0, 0};
    return {Position >> 16, static_cast<std::uint32_t>(Position) & 65535};
}

std::int32_t Next(std::int32_t Index, std::int32_t Length) noexcept
{
    return Index < Length - 1 ? Index + 1 : Index;
}

// Where target column i reads: byte offsets of its two source pixels within a row, and the weight
// of the right one. The same for every row, so worked out once per call.
struct TColumn {
    std::int32_t Left;
    std::int32_t Right;
    std::uint32_t Fraction;
};

std::vector<TColumn> Columns(std::int32_t SourceWidth, std::int32_t TargetWidth, std::int32_t PixelBytes)
{
    const std::int32_t xs = Step(SourceWidth, TargetWidth);
    std::vector<TColumn> columns(static_cast<std::size_t>(TargetWidth));
    std::int32_t x = FirstPosition(xs);
    for (TColumn& column : columns) {
        const TSample sample = Sample(x);
        column = {sample.Index * PixelBytes, Next(sample.Index, SourceWidth) * PixelBytes, sample.Fraction};
        x += xs;
    }
    return columns;
}

// Walks Target's rows in memory order, or from the last to the first with Flip; AMakeRow(Out, Upper,
// Lower, Wy, Fy) fills one row from the two source rows it lies between, Upper weighing Wy and Lower
// Fy (in 1/65536).
template <class MakeRow>
void ForEachTargetRow(const TFastDIB& Source, TFastDIB& Target, bool Flip, MakeRow AMakeRow)
{
    const std::int32_t ys = Step(Source.Rows(), Target.Rows());
    std::int32_t y = FirstPosition(ys);
    for (std::int32_t row = 0; row < Target.Rows(); ++row, y += ys) {
        const TSample sample = Sample(y);
        AMakeRow(Target.Scanline(Flip ? Target.Rows() - 1 - row : row), Source.Scanline(sample.Index),
                 Source.Scanline(Next(sample.Index, Source.Rows())), 65536 - sample.Fraction, sample.Fraction);
    }
}

// A target row as the blend of two source rows, byte by byte, Lower weighing Fy: the same
// value as (Upper * (65536 - Fy) + Lower * Fy + 32768) shr 16, with one product instead of two.
// Built for AVX2 as well, used where the processor has it: at equal widths this is all the
// scaling of a whole-video job. Sanitizer builds take the plain version: the clone is chosen by an
// ifunc resolver that runs, instrumented, before the sanitizer's runtime is up.
#ifdef STILLREEL_SANITIZED
#define STILLREEL_AVX2_CLONE
#else
#define STILLREEL_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#if defined(__x86_64__)
#define STILLREEL_AVX2_LANES
#endif
#endif
STILLREEL_AVX2_CLONE void BlendRows(std::uint8_t* __restrict Out, const std::uint8_t* __restrict Upper,
                                    const std::uint8_t* __restrict Lower, std::int32_t Count, std::int32_t Fy)
{
    for (std::int32_t i = 0; i < Count; ++i)
        Out[i] = static_cast<std::uint8_t>(Upper[i] + (((Lower[i] - Upper[i]) * Fy + 32768) >> 16));
}

#ifdef STILLREEL_AVX2_LANES
// The same blend in 16-bit lanes, twice as many to an instruction as the compiler's 32-bit ones, and
// the same values: with D = Lower - Upper and Y = Fy read as a signed 16-bit number (Fy - 65536 from
// 32768 on), D * Fy + 32768 = D * Y + 32768 + (Fy >= 32768 ? 65536 * D : 0), so the result is the
// high half of D * Y, plus one where its low half reaches 32768, plus D for the large weights. A check by
// hand against the plain blend, over every pair of bytes and every weight, found no difference.
__attribute__((target("avx2"))) void BlendRowsInLanes(std::uint8_t* __restrict Out,
                                                      const std::uint8_t* __restrict Upper,
                                                      const std::uint8_t* __restrict Lower, std::int32_t Count,
                                                      std::int32_t Fy)
{
    const __m256i y = _mm256_set1_epi16(static_cast<short>(static_cast<std::uint16_t>(Fy)));
    const __m256i whole = _mm256_set1_epi16(static_cast<short>(Fy >= 32768 ? -1 : 0));
    const __m256i zero = _mm256_setzero_si256();
    std::int32_t i = 0;
    for (; i + 32 <= Count; i += 32) {
        const __m256i upper = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Upper + i));
        const __m256i lower = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Lower + i));
        // Unpacked and packed again within each 128-bit half, so the bytes keep their order.
        __m256i halves[2];
        for (int h = 0; h < 2; ++h) {
            const __m256i u = h == 0 ? _mm256_unpacklo_epi8(upper, zero) : _mm256_unpackhi_epi8(upper, zero);
            const __m256i l = h == 0 ? _mm256_unpacklo_epi8(lower, zero) : _mm256_unpackhi_epi8(lower, zero);
            const __m256i d = _mm256_sub_epi16(l, u);
            __m256i v = _mm256_add_epi16(u, _mm256_mulhi_epi16(d, y));
            v = _mm256_add_epi16(v, _mm256_srli_epi16(_mm256_mullo_epi16(d, y), 15));
            halves[h] = _mm256_add_epi16(v, _mm256_and_si256(d, whole));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Out + i), _mm256_packus_epi16(halves[0], halves[1]));
    }
    BlendRows(Out + i, Upper + i, Lower + i, Count - i, Fy);
}
#endif

void Blend(std::uint8_t* __restrict Out, const std::uint8_t* __restrict Upper, const std::uint8_t* __restrict Lower,
           std::int32_t Count, std::int32_t Fy)
{
#ifdef STILLREEL_AVX2_LANES
    static const bool lanes = __builtin_cpu_supports("avx2");
    if (lanes) {
        BlendRowsInLanes(Out, Upper, Lower, Count, Fy);
        return;
    }
#endif
    BlendRows(Out, Upper, Lower, Count, Fy);
}

struct TWeights {
    std::uint32_t W00, W01, W10, W11;
};

// The general case: ABlend makes each target pixel from its four source pixels, SourceBytes and
// TargetBytes long. Both bitmaps must have pixels.
template <std::int32_t SourceBytes, std::int32_t TargetBytes, class Blend>
void ResampleWith(const TFastDIB& Source, TFastDIB& Target, bool Flip, Blend ABlend)
{
    const std::vector<TColumn> columns = Columns(Source.Width(), Target.Width(), SourceBytes);
    ForEachTargetRow(Source, Target, Flip,
                     [&](std::uint8_t* Out, const std::uint8_t* Upper, const std::uint8_t* Lower, std::uint32_t Wy,
                         std::uint32_t Fy) {
                         for (const TColumn& column : columns) {
                             const std::uint32_t w01 = (Wy * column.Fraction) >> 16;
                             const std::uint32_t w11 = (Fy * column.Fraction) >> 16;
                             ABlend(Out, Upper + column.Left, Upper + column.Right, Lower + column.Left,
                                    Lower + column.Right, TWeights{Wy - w01, w01, Fy - w11, w11});
                             Out += TargetBytes;
                         }
                     });
}

// Every byte of the pixel is interpolated on its own, rounded to nearest. A target pixel of fewer
// bytes than the source's (24 bits from 32) takes the first ones.
template <std::int32_t SourceBytes, std::int32_t TargetBytes = SourceBytes>
void ResampleBytes(const TFastDIB& Source, TFastDIB& Target, bool Flip = false)
{
    static_assert(TargetBytes == SourceBytes || (SourceBytes == 4 && TargetBytes == 3));
    if (!HasPixels(Source) || !HasPixels(Target))
        return;
    // At equal widths every target column sits on its source column with no fraction, so the two
    // right-hand weights are 0 and a row is a blend of two source rows, byte by byte. This is the
    // thumbnail as wide as the frame, the common case of a whole-video job.
    if (Source.Width() == Target.Width()) {
        const std::int32_t width = Target.Width();
        const std::int32_t rowBytes = SourceBytes * width;
        if constexpr (TargetBytes == SourceBytes) {
            ForEachTargetRow(
                Source, Target, Flip,
                [rowBytes](std::uint8_t* Out, const std::uint8_t* Upper, const std::uint8_t* Lower, std::uint32_t,
                           std::uint32_t Fy) { Blend(Out, Upper, Lower, rowBytes, static_cast<std::int32_t>(Fy)); });
        } else {
            // Blended whole, as fast as the bytes go, then packed while the row is in the cache.
            std::vector<std::uint8_t> blended(static_cast<std::size_t>(rowBytes));
            ForEachTargetRow(Source, Target, Flip,
                             [&](std::uint8_t* Out, const std::uint8_t* Upper, const std::uint8_t* Lower, std::uint32_t,
                                 std::uint32_t Fy) {
                                 Blend(blended.data(), Upper, Lower, rowBytes, static_cast<std::int32_t>(Fy));
                                 CopyLongsTo24(blended.data(), Out, width);
                             });
        }
        return;
    }
    ResampleWith<SourceBytes, TargetBytes>(
        Source, Target, Flip,
        [](std::uint8_t* Out, const std::uint8_t* P00, const std::uint8_t* P01, const std::uint8_t* P10,
           const std::uint8_t* P11, TWeights W) {
            for (std::int32_t k = 0; k < TargetBytes; ++k)
                Out[k] = static_cast<std::uint8_t>(
                    (P00[k] * W.W00 + P01[k] * W.W01 + P10[k] * W.W10 + P11[k] * W.W11 + 32768) >> 16);
        });
}

std::uint16_t ReadWord(const std::uint8_t* P) noexcept
{
    std::uint16_t word;
    std::memcpy(&word, P, sizeof word);
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
    ResampleWith<2, 2>(
        Source, Target, false,
        [&](std::uint8_t* Out, const std::uint8_t* P00, const std::uint8_t* P01, const std::uint8_t* P10,
            const std::uint8_t* P11, TWeights W) {
            const std::uint16_t a = ReadWord(P00), b = ReadWord(P01), c = ReadWord(P10), d = ReadWord(P11);
            // No rounding term here, unlike the byte formats.
            auto mix = [&](const std::vector<std::uint8_t>& Channel) {
                return (Channel[a] * W.W00 + Channel[b] * W.W01 + Channel[c] * W.W10 + Channel[d] * W.W11) >> 16;
            };
            const std::uint16_t word = packBlue[mix(blue)] | packGreen[mix(green)] | packRed[mix(red)];
            std::memcpy(Out, &word, sizeof word);
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

void ResampleFlipped(const TFastDIB& Source, TFastDIB& Target)
{
    if (Source.Bpp() != 32)
        return;
    if (Target.Bpp() == 32)
        ResampleBytes<4>(Source, Target, true);
    else if (Target.Bpp() == 24)
        ResampleBytes<4, 3>(Source, Target, true);
}
