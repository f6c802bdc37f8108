// Nearest(x): the integer nearest to x, ties going to the even neighbour.
#pragma once

#include <cmath>
#include <cstdint>

// std::nearbyint rounds in the current mode, which is round-to-nearest-even unless someone changed it.
inline std::int64_t Nearest(double x) noexcept
{
    return static_cast<std::int64_t>(std::nearbyint(x));
}
