// Whether a picture shows anything: black, a fade or a flat card show nothing to tell a video by.
#pragma once

#include <cstdint>

// Whether the BT.601 luma (0..255) of a BGRX picture, rows top-down without padding, spreads less
// than 8 in standard deviation over a grid of 64 x 64 points.
bool NearlyUniform(const std::uint8_t* Bgrx, std::int32_t Width, std::int32_t Height);
