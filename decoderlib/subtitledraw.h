// A subtitle drawn into a delivered frame, as a DVD player lays its subpicture over the video.
#pragma once

#include "decoderlib/subtitletrack.h"

#include <cstdint>

namespace decoderlib {

// Blends `unit`'s picture, each pixel by its colour's contrast, into `bgrx`: width x height 32-bit
// pixels, blue in the low byte, rows top-down without padding. What lies off the frame is left out.
void DrawSubtitle(std::uint8_t* bgrx, int width, int height, const SubtitleUnit& unit);

}  // namespace decoderlib
