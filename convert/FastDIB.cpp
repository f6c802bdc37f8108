#include "convert/FastDIB.h"

#include "convert/FreeBitmap.h"

#include <cstring>
#include <new>

namespace {

// The screen depth that Bpp 0 stands for. With a 32-bit screen the 16-bit colour probe never applies.
constexpr std::uint16_t ScreenDepth = 32;

constexpr std::uint32_t LowBits(unsigned count) noexcept
{
    return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1;
}

constexpr std::uint8_t Drop(std::uint8_t depth) noexcept
{
    return depth < 8 ? static_cast<std::uint8_t>(8 - depth) : 0;
}

// The depths a section can be made for.
constexpr bool KnownDepth(std::uint16_t bpp) noexcept
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

}  // namespace

TFastDIB::TFastDIB() : FHeader{}
{
    FHeader.Info.biSize = sizeof(TBitmapInfoHeader);
    FHeader.Info.biPlanes = 1;
}

std::uint32_t TFastDIB::ColorMask(int index) const noexcept
{
    std::uint32_t word;
    std::memcpy(&word, &FHeader.ColorTable[index], sizeof word);
    return word;
}

void TFastDIB::SetColorMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) noexcept
{
    std::memcpy(&FHeader.ColorTable[0], &red, sizeof red);
    std::memcpy(&FHeader.ColorTable[1], &green, sizeof green);
    std::memcpy(&FHeader.ColorTable[2], &blue, sizeof blue);
}

void TFastDIB::SetSize(std::int32_t width, std::int32_t height, std::uint16_t bpp)
{
    Allocate(nullptr, width, height, bpp, 0, 0, 0);
}

void TFastDIB::Allocate(std::uint8_t* bits, std::int32_t width, std::int32_t height, std::uint16_t bpp,
                        std::uint8_t redBits, std::uint8_t greenBits, std::uint8_t blueBits)
{
    if (bpp == 0) {
        bpp = ScreenDepth;
        redBits = greenBits = blueBits = 8;
    }

    TBitmapInfoHeader& info = FHeader.Info;
    if (redBits != 0 || greenBits != 0 || blueBits != 0) {
        info.biCompression = BI_BITFIELDS;
    } else {
        info.biCompression = BI_RGB;
        if (bpp == 16)
            redBits = greenBits = blueBits = 5;
        else if (bpp == 32)
            redBits = greenBits = blueBits = 8;
    }

    if (bpp == 16 || bpp == 32) {
        const std::uint32_t blue = LowBits(blueBits);
        const std::uint32_t green = LowBits(unsigned{blueBits} + greenBits) & ~blue;
        const std::uint32_t red = LowBits(unsigned{blueBits} + greenBits + redBits) & ~(blue | green);
        SetColorMasks(red, green, blue);
    }

    if (!bits && width == Width() && height == Height() && bpp == Bpp() && redBits == FRedBits &&
        greenBits == FGreenBits && blueBits == FBlueBits && FUseGdi && FSection)
        return;

    info.biWidth = width;
    info.biHeight = height;
    info.biBitCount = bpp;
    FRows = height < 0 ? -height : height;
    FRedBits = redBits;
    FGreenBits = greenBits;
    FBlueBits = blueBits;
    FGreenShift = blueBits;
    FRedShift = static_cast<std::uint8_t>(blueBits + greenBits);
    FRedDrop = Drop(redBits);
    FGreenDrop = Drop(greenBits);
    FBlueDrop = Drop(blueBits);
    ComputeRowLayout();
    info.biSizeImage = static_cast<std::uint32_t>(FRows) * static_cast<std::uint32_t>(FRowBytes);

    if (bits) {
        // Memory of our own would no longer be reachable through Bits.
        FSection.reset();
        FHeapBits.reset();
        FBits = bits;
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
        // A section, like the platform's, cannot be made empty or at a depth the format lacks; the
        // bitmap is then left without pixels. Its memory starts zeroed.
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

void CopyLongs(const void* source, void* dest, std::int32_t count) noexcept
{
    if (source == dest || count <= 0)
        return;
    std::memcpy(dest, source, static_cast<std::size_t>(count) * 4);
}

void CopyToFreeBitmap(const TFastDIB& dib, TFreeBitmap& bitmap)
{
    if (!dib.Bits())
        return;
    bitmap.SetSize(FIT_UNKNOWN, dib.Width(), dib.Height(), dib.Bpp(), 0, 0, 0);
    if (bitmap.IsValid())
        CopyLongs(dib.Bits(), FreeImage_GetBits(bitmap.Dib()), dib.Width() * dib.Rows());
}
