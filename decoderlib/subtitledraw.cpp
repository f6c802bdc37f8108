#include "decoderlib/subtitledraw.h"

#include <algorithm>
#include <cstddef>

namespace decoderlib {

namespace {

std::uint8_t Blend(std::uint32_t over, std::uint8_t under, std::uint32_t alpha)
{
    return static_cast<std::uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

}  // namespace

void DrawSubtitle(std::uint8_t* bgrx, int width, int height, const SubtitleUnit& unit)
{
    const int left = std::max(unit.x, 0);
    const int top = std::max(unit.y, 0);
    const int right = std::min(unit.x + unit.width, width);
    const int bottom = std::min(unit.y + unit.height, height);
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* index =
            unit.indices.data() + static_cast<std::size_t>(y - unit.y) * static_cast<std::size_t>(unit.width);
        std::uint8_t* pixel = bgrx + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width)) * 4;
        for (int x = left; x < right; ++x) {
            const std::uint32_t colour = unit.colours[index[x - unit.x] & 3];
            const std::uint32_t alpha = colour >> 24;
            if (alpha == 0)
                continue;
            std::uint8_t* p = pixel + static_cast<std::size_t>(x) * 4;
            p[0] = Blend(colour & 0xff, p[0], alpha);
            p[1] = Blend((colour >> 8) & 0xff, p[1], alpha);
            p[2] = Blend((colour >> 16) & 0xff, p[2], alpha);
        }
    }
}

}  // namespace decoderlib
