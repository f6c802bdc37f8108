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
