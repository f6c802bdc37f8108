// Reads back the frame index that framegen painted into a picture (layout: frameindexlayout.h).
#pragma once

#include <cstddef>
#include <cstdint>

// Answers the index (0..32767) carried by a decoded picture, or -1 when the picture does not carry a
// readable code: a block that is not flat (noise, a broken or smeared picture), not grey (the three
// channels differ), or whose level is far from every digit (for instance a black or a mid-grey
// picture, or a picture of the wrong size).
//
// `pixels` points at the TOP row of the picture; row r starts at pixels + r * strideBytes (so a
// bottom-up bitmap is read by passing its last row in memory and a negative stride). Each pixel is
// `bytesPerPixel` bytes: 4 for BGRX (blue, green, red, unused) or 3 for BGR (a 24-bit picture, such as
// a JPEG decoded back). Channels are full-range 0..255.
int ReadFrameIndex(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t strideBytes,
                   int bytesPerPixel = 4);
