#include "convert/FastDIB.h"

#include "convert/FreeBitmap.h"

#include <bit>
#include <cstring>
#include <new>

// Sanitizer builds take the plain copy, as they do the resampler's plain blend.
#if defined(__x86_64__) && !defined(STILLREEL_SANITIZED)
#define STILLREEL_SSSE3
#include <immintrin.h>
#endif

namespace {

// The screen depth that Bpp 0 stands for. With a 32-bit screen the 16-bit colour probe never applies.
constexpr std::uint16_t ScreenDepth = 32;

constexpr std::uint32_t LowBits(unsigned Count) noexcept
{
    return Count >= 32 ? 0xFFFFFFFFu : (1u << Count) - 1;
}

constexpr std::uint8_t Drop(std::uint8_t Depth) noexcept
{
    return Depth < 8 ? static_cast<std::uint8_t>(8 - Depth) : 0;
}

// The depths ComputeRowLayout has a row layout for; pixel memory is made only at these.
constexpr bool KnownDepth(std::uint16_t Bpp) noexcept
{
    return Bpp == 1 || Bpp == 4 || Bpp == 8 || Bpp == 16 || Bpp == 24 || Bpp == 32;
}

std::uint32_t LoadLong(const std::uint8_t* P) noexcept
{
    std::uint32_t value;
    std::memcpy(&value, P, sizeof value);
    return value;
}

void StoreLong(std::uint8_t* P, std::uint32_t Value) noexcept
{
    std::memcpy(P, &Value, sizeof Value);
}

#ifdef STILLREEL_SSSE3
// Four pixels at a time by one byte shuffle: half the time of the shifts. Each store writes 16 bytes
// for 12, so it stops while the four bytes past them are still pixels of its own, to be written
// next: past the row lie its padding or another row. Answers how many pixels it copied.
__attribute__((target("ssse3"))) std::int32_t CopyGroupsTo24(const std::uint8_t* In, std::uint8_t* Out,
                                                             std::int32_t Count) noexcept
{
    const __m128i firstThree = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    std::int32_t i = 0;
    for (; i + 6 <= Count; i += 4, In += 16, Out += 12)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Out),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(In)), firstThree));
    return i;
}
#endif

}  // namespace

TFastDIB::TFastDIB() : FHeader{}
{
    FHeader.Info.biSize = sizeof(TBitmapInfoHeader);
    FHeader.Info.biPlanes = 1;
}

std::uint32_t TFastDIB::ColorMask(int Index) const noexcept
{
    std::uint32_t word;
    std::memcpy(&word, &FHeader.ColorTable[Index], sizeof word);
    return word;
}

void TFastDIB::SetColorMasks(std::uint32_t Red, std::uint32_t Green, std::uint32_t Blue) noexcept
{
    std::memcpy(&FHeader.ColorTable[0], &Red, sizeof Red);
    std::memcpy(&FHeader.ColorTable[1], &Green, sizeof Green);
    std::memcpy(&FHeader.ColorTable[2], &Blue, sizeof Blue);
}

void TFastDIB::SetSize(std::int32_t AWidth, std::int32_t AHeight, std::uint16_t ABpp)
{
    Allocate(nullptr, AWidth, AHeight, ABpp, 0, 0, 0);
}

void TFastDIB::Allocate(std::uint8_t* ABits, std::int32_t AWidth, std::int32_t AHeight, std::uint16_t ABpp,
                        std::uint8_t ARedBits, std::uint8_t AGreenBits, std::uint8_t ABlueBits)
{
    if (ABpp == 0) {
        ABpp = ScreenDepth;
        ARedBits = AGreenBits = ABlueBits = 8;
    }

    TBitmapInfoHeader& info = FHeader.Info;
    if (ARedBits != 0 || AGreenBits != 0 || ABlueBits != 0) {
        info.biCompression = BI_BITFIELDS;
    } else {
        info.biCompression = BI_RGB;
        if (ABpp == 16)
            ARedBits = AGreenBits = ABlueBits = 5;
        else if (ABpp == 32)
            ARedBits = AGreenBits = ABlueBits = 8;
    }

    if (ABpp == 16 || ABpp == 32) {
        const std::uint32_t blue = LowBits(ABlueBits);
        const std::uint32_t green = LowBits(unsigned{ABlueBits} + AGreenBits) & ~blue;
        const std::uint32_t red = LowBits(unsigned{ABlueBits} + AGreenBits + ARedBits) & ~(blue | green);
        SetColorMasks(red, green, blue);
    }

    if (!ABits && AWidth == Width() && AHeight == Height() && ABpp == Bpp() && ARedBits == FRedBits &&
        AGreenBits == FGreenBits && ABlueBits == FBlueBits && FUseGdi && FSection)
        return;

    info.biWidth = AWidth;
    info.biHeight = AHeight;
    info.biBitCount = ABpp;
    FRows = AHeight < 0 ? -AHeight : AHeight;
    FRedBits = ARedBits;
    FGreenBits = AGreenBits;
    FBlueBits = ABlueBits;
    FGreenShift = ABlueBits;
    FRedShift = static_cast<std::uint8_t>(ABlueBits + AGreenBits);
    FRedDrop = Drop(ARedBits);
    FGreenDrop = Drop(AGreenBits);
    FBlueDrop = Drop(ABlueBits);
    ComputeRowLayout();
    info.biSizeImage = static_cast<std::uint32_t>(FRows) * static_cast<std::uint32_t>(FRowBytes);

    if (ABits) {
        // Memory of our own would no longer be reachable through Bits.
        FSection.reset();
        FHeapBits.reset();
        FBits = ABits;
    } else {
        ProvidePixels();
    }

    FLineTable.assign(static_cast<std::size_t>(FRows), nullptr);
    if (FBits)
        for (std::int32_t i = 0; i < FRows; ++i)
            FLineTable[static_cast<std::size_t>(i)] = FBits + static_cast<std::ptrdiff_t>(i) * FRowBytes;
}

void TFastDIB::ComputeRowLayout() noexcept
{
    const std::int32_t w = Width();
    switch (Bpp()) {
    case 1:
        FRowBytes = ((((w + 7) & ~7) + 31) & ~31) / 8;
        FRowPad = FRowBytes - ((w + 7) & ~7) / 8;
        break;
    case 4:
        FRowBytes = ((((4 * w + 7) & ~7) + 31) & ~31) / 8;
        FRowPad = FRowBytes - ((4 * w + 7) & ~7) / 8;
        break;
    case 8:
        FRowBytes = ((8 * w + 31) & ~31) / 8;
        FRowPad = FRowBytes - w;
        break;
    case 16:
        FRowBytes = ((16 * w + 31) & ~31) / 8;
        FRowPad = FRowBytes - 2 * w;
        break;
    case 24:
        FRowBytes = ((24 * w + 31) & ~31) / 8;
        FRowPad = FRowBytes - 3 * w;
        break;
    case 32:
        FRowBytes = 4 * w;
        FRowPad = 0;
        break;
    default:
        break;
    }
}

void TFastDIB::ProvidePixels()
{
    FSection.reset();
    const std::uint32_t size = FHeader.Info.biSizeImage;
    if (FUseGdi) {
        FHeapBits.reset();
        // An empty bitmap, or one at a depth without a row layout, is left without pixels, as is one
        // whose block cannot be had; the block starts zeroed.
        if (Width() > 0 && FRows > 0 && KnownDepth(Bpp()))
            FSection.reset(new (std::nothrow) std::uint8_t[size]());
        FBits = FSection.get();
    } else if (size == 0) {
        FHeapBits.reset();
        FBits = nullptr;
    } else {
        void* grown = std::realloc(FHeapBits.get(), size);
        if (!grown)
            throw std::bad_alloc();
        static_cast<void>(FHeapBits.release());
        FHeapBits.reset(static_cast<std::uint8_t*>(grown));
        FBits = FHeapBits.get();
    }
}

void TFastDIB::ReleaseResources()
{
    FSection.reset();
    FHeapBits.reset();
    FLineTable.clear();
    FBits = nullptr;
}

void CopyLongs(const void* Source, void* Dest, std::int32_t Count) noexcept
{
    if (Source == Dest || Count <= 0)
        return;
    std::memcpy(Dest, Source, static_cast<std::size_t>(Count) * 4);
}

void CopyLongsTo24(const void* Source, void* Dest, std::int32_t Count) noexcept
{
    static_assert(std::endian::native == std::endian::little, "a pixel's first byte is the low byte of its word");
    const auto* in = static_cast<const std::uint8_t*>(Source);
    auto* out = static_cast<std::uint8_t*>(Dest);
    std::int32_t i = 0;
#ifdef STILLREEL_SSSE3
    static const bool shuffles = __builtin_cpu_supports("ssse3");
    if (shuffles) {
        i = CopyGroupsTo24(in, out, Count);
        in += 4 * i;
        out += 3 * i;
    }
#endif
    // Four pixels make three whole words, built with shifts in registers: a byte at a time takes
    // over twice as long, and words gathered in a small array on the stack four times, as each is
    // read back before its store has landed.
    for (; i + 4 <= Count; i += 4, in += 16, out += 12) {
        const std::uint32_t p0 = LoadLong(in), p1 = LoadLong(in + 4), p2 = LoadLong(in + 8), p3 = LoadLong(in + 12);
        StoreLong(out, (p0 & 0xFFFFFFu) | p1 << 24);
        StoreLong(out + 4, (p1 >> 8 & 0xFFFFu) | p2 << 16);
        StoreLong(out + 8, (p2 >> 16 & 0xFFu) | p3 << 8);
    }
    for (; i < Count; ++i, in += 4, out += 3)
        std::memcpy(out, in, 3);
}

void CopyToFreeBitmap(const TFastDIB& Dib, TFreeBitmap& Bitmap)
{
    if (!Dib.Bits())
        return;
    Bitmap.SetSize(FIT_UNKNOWN, Dib.Width(), Dib.Height(), Dib.Bpp(), 0, 0, 0);
    if (Bitmap.IsValid())
        CopyLongs(Dib.Bits(), FreeImage_GetBits(Bitmap.Dib()), Dib.Width() * Dib.Rows());
}
