// The in-memory bitmap the conversion works on: a device-independent bitmap with a row table, its
// header and colour table kept as the bitmap format has them, and the pixel-memory rules of Allocate.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

class TFreeBitmap;

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;

struct TBitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;  // positive: rows stored bottom-up
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(TBitmapInfoHeader) == 40);

struct TRGBQuad {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};

// With BI_BITFIELDS the first three colour-table words are the red, green and blue masks.
struct TDibHeader {
    TBitmapInfoHeader Info;
    TRGBQuad ColorTable[256];
};

class TFastDIB {
public:
    TFastDIB();
    ~TFastDIB() = default;
    TFastDIB(const TFastDIB&) = delete;
    TFastDIB& operator=(const TFastDIB&) = delete;

    void SetSize(std::int32_t AWidth, std::int32_t AHeight, std::uint16_t ABpp);
    // ABits: memory of the caller to use as the pixels, or null to have the bitmap provide them.
    // ABpp 0 means the screen's depth.
    void Allocate(std::uint8_t* ABits, std::int32_t AWidth, std::int32_t AHeight, std::uint16_t ABpp,
                  std::uint8_t ARedBits, std::uint8_t AGreenBits, std::uint8_t ABlueBits);
    void ReleaseResources();

    std::int32_t Width() const noexcept { return FHeader.Info.biWidth; }
    std::int32_t Height() const noexcept { return FHeader.Info.biHeight; }
    std::uint16_t Bpp() const noexcept { return FHeader.Info.biBitCount; }
    std::int32_t Rows() const noexcept { return FRows; }
    std::int32_t RowBytes() const noexcept { return FRowBytes; }
    std::int32_t RowPad() const noexcept { return FRowPad; }

    // Null when there is no pixel memory (no size yet, a depth without a row layout, or no memory left).
    std::uint8_t* Bits() noexcept { return FBits; }
    const std::uint8_t* Bits() const noexcept { return FBits; }
    // Memory row Row; row 0 is the bottom row of the picture.
    std::uint8_t* Scanline(std::int32_t Row) noexcept { return FLineTable[static_cast<std::size_t>(Row)]; }
    const std::uint8_t* Scanline(std::int32_t Row) const noexcept { return FLineTable[static_cast<std::size_t>(Row)]; }

    const TDibHeader& Header() const noexcept { return FHeader; }
    std::uint32_t ColorMask(int Index) const noexcept;

    std::uint8_t RedBits() const noexcept { return FRedBits; }
    std::uint8_t GreenBits() const noexcept { return FGreenBits; }
    std::uint8_t BlueBits() const noexcept { return FBlueBits; }
    std::uint8_t RedDrop() const noexcept { return FRedDrop; }
    std::uint8_t GreenDrop() const noexcept { return FGreenDrop; }
    std::uint8_t BlueDrop() const noexcept { return FBlueDrop; }
    std::uint8_t GreenShift() const noexcept { return FGreenShift; }
    std::uint8_t RedShift() const noexcept { return FRedShift; }

    // With UseGdi (the default) the pixels are a zero-filled block made anew whenever the layout changes,
    // and kept when Allocate asks for the same layout again; without it they are heap memory that a
    // resize reallocates, keeping what fits of the old bytes.
    bool UseGdi() const noexcept { return FUseGdi; }
    void SetUseGdi(bool Value) noexcept { FUseGdi = Value; }

private:
    struct TFree {
        void operator()(std::uint8_t* P) const noexcept { std::free(P); }
    };

    void SetColorMasks(std::uint32_t Red, std::uint32_t Green, std::uint32_t Blue) noexcept;
    void ComputeRowLayout() noexcept;
    void ProvidePixels();

    TDibHeader FHeader;
    std::int32_t FRowBytes = 0;
    std::int32_t FRows = 0;
    std::int32_t FRowPad = 0;
    std::uint8_t* FBits = nullptr;
    std::uint8_t FBlueBits = 0, FGreenBits = 0, FRedBits = 0;
    std::uint8_t FBlueDrop = 0, FGreenDrop = 0, FRedDrop = 0;
    std::uint8_t FGreenShift = 0, FRedShift = 0;
    std::vector<std::uint8_t*> FLineTable;
    bool FUseGdi = true;
    // The zero-filled pixel block of UseGdi; empty without it, and while the caller's memory is used.
    std::unique_ptr<std::uint8_t[]> FSection;
    std::unique_ptr<std::uint8_t, TFree> FHeapBits;
};

// Copies Count 32-bit words; the areas must not overlap, unless they are the same.
void CopyLongs(const void* Source, void* Dest, std::int32_t Count) noexcept;
// Copies Count 32-bit pixels as 24-bit ones, the first three bytes of each (blue, green, red): a
// row for the 24-bit bitmap the JPEG writer takes. The areas must not overlap.
void CopyLongsTo24(const void* Source, void* Dest, std::int32_t Count) noexcept;

// Gives Bitmap the size, depth and pixels of Dib; meant for 32 bits per pixel, where both keep
// unpadded rows with the bottom row first.
void CopyToFreeBitmap(const TFastDIB& Dib, TFreeBitmap& Bitmap);
