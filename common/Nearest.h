// Rounding to the nearest integer with ties going to the even neighbour, the rounding every
// computed size, position and count of the program uses.
#pragma once

#include <cmath>
#include <cstdint>

// std::nearbyint rounds in the current mode, which is round-to-nearest-even unless someone changed it.
inline std::int64_t Nearest(double X) noexcept
{
    return static_cast<std::int64_t>(std::nearbyint(X));
}

// The same in extended precision, for arithmetic whose ties must not be blurred by rounding each
// step to double (a width of 14 at 4/3 gives a height of exactly 10.5, which goes to 10).
inline std::int64_t NearestExtended(long double X) noexcept
{
    return static_cast<std::int64_t>(std::nearbyint(X));
}
