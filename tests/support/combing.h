// How combed a picture is: the teeth that an interlaced frame shows along moving edges when its
// two fields, taken at different moments, are shown together.
#pragma once

#include <cstddef>
#include <cstdint>

// The mean difference of each row to its two neighbours (the other field), over the same measure
// taken two rows apart (the row's own field). Rows of one moment change smoothly from row to row,
// so a clean picture gives well under 1; fields of two moments alternate, so a combed one gives
// several times more. 0 for a picture without vertical detail.
//
// `pixels` points at the top row; pixels are BGRX (4 bytes) or BGR (3 bytes), full range.
double CombingOf(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t strideBytes, int bytesPerPixel = 4);
