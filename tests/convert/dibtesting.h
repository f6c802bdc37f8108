// Helpers for tests that fill and compare TFastDIB pixels.
#pragma once

#include "convert/FastDIB.h"

#include <cstring>
#include <random>
#include <vector>

inline std::int32_t PixelBytes(const TFastDIB& dib)
{
    return dib.RowBytes() - dib.RowPad();
}

// Random pixel bytes in every row; padding too, so that nothing can depend on it being zero.
inline void FillRandom(TFastDIB& dib, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::int32_t row = 0; row < dib.Rows(); ++row)
        for (std::int32_t i = 0; i < dib.RowBytes(); ++i)
            dib.Scanline(row)[i] = static_cast<std::uint8_t>(byte(random));
}

inline std::vector<std::uint8_t> RowCopy(const TFastDIB& dib, std::int32_t row)
{
    const std::uint8_t* line = dib.Scanline(row);
    return {line, line + dib.RowBytes()};
}

inline void SetPixel32(TFastDIB& dib, std::int32_t x, std::int32_t row, std::uint32_t value)
{
    std::memcpy(dib.Scanline(row) + 4 * x, &value, 4);
}

inline std::uint32_t Pixel32(const TFastDIB& dib, std::int32_t x, std::int32_t row)
{
    std::uint32_t value;
    std::memcpy(&value, dib.Scanline(row) + 4 * x, 4);
    return value;
}
