#include "convert/FastFX.h"

#include <cstring>
#include <vector>

void FlipRows(TFastDIB& Dib)
{
    if (Dib.Rows() < 1 || !Dib.Bits())
        return;
    const std::size_t n = static_cast<std::size_t>(Dib.RowBytes() - Dib.RowPad());
    std::vector<std::uint8_t> scratch(n);
    std::uint8_t* top = Dib.Bits();
    std::uint8_t* bottom = Dib.Scanline(Dib.Rows() - 1);
    for (; top < bottom; top += Dib.RowBytes(), bottom -= Dib.RowBytes()) {
        std::memcpy(scratch.data(), top, n);
        std::memcpy(top, bottom, n);
        std::memcpy(bottom, scratch.data(), n);
    }
}

void FlipInto(const TFastDIB& Source, TFastDIB& Target)
{
    if (!Source.Bits() || !Target.Bits() || Source.Bpp() != 32 || Source.Width() != Target.Width() ||
        Source.Rows() != Target.Rows())
        return;
    const std::int32_t rows = Source.Rows();
    if (Target.Bpp() == 32) {
        for (std::int32_t row = 0; row < rows; ++row)
            CopyLongs(Source.Scanline(row), Target.Scanline(rows - 1 - row), Source.Width());
    } else if (Target.Bpp() == 24) {
        for (std::int32_t row = 0; row < rows; ++row)
            CopyLongsTo24(Source.Scanline(row), Target.Scanline(rows - 1 - row), Source.Width());
    }
}
