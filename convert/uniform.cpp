#include "convert/uniform.h"

#include <cmath>

namespace {

// 4096 points see anything larger than a few per cent of the picture, at no cost beside decoding it.
constexpr std::int32_t kGridPoints = 64;

// Black frames of real discs measure 0; flat frames with grain, as MPEG-2 keeps it at DVD rates,
// 1 to 7; pictures with anything to see (menus, scenes) 26 to 70, and a scene of 50 faded to a
// sixth of its brightness 8. So 8 stands clear of noise, and a picture wrongly passed over costs
// only one further on, where a uniform one would show nothing.
constexpr double kUniformSpread = 8.0;

// The standard deviation of the luma over the grid, exact in integers.
double LumaSpread(const std::uint8_t* Bgrx, std::int32_t Width, std::int32_t Height)
{
    std::int64_t sum = 0;
    std::int64_t squares = 0;
    for (std::int32_t gy = 0; gy < kGridPoints; ++gy) {
        const std::int64_t y = (2 * std::int64_t{gy} + 1) * Height / (2 * kGridPoints);
        for (std::int32_t gx = 0; gx < kGridPoints; ++gx) {
            const std::int64_t x = (2 * std::int64_t{gx} + 1) * Width / (2 * kGridPoints);
            const std::uint8_t* p = Bgrx + (y * Width + x) * 4;
            // 256 times the luma: 0.114 B + 0.587 G + 0.299 R.
            const std::int64_t luma = 29 * p[0] + 150 * p[1] + 77 * p[2];
            sum += luma;
            squares += luma * luma;
        }
    }
    constexpr std::int64_t kCount = std::int64_t{kGridPoints} * kGridPoints;
    const std::int64_t spread = kCount * squares - sum * sum;
    return std::sqrt(static_cast<double>(spread)) / static_cast<double>(kCount) / 256.0;
}

}  // namespace

bool NearlyUniform(const std::uint8_t* Bgrx, std::int32_t Width, std::int32_t Height)
{
    return LumaSpread(Bgrx, Width, Height) < kUniformSpread;
}
