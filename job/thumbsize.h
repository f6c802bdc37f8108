// The size of the pictures: the one every open proposes, and the arithmetic that keeps a size in
// the video's aspect ratio.
#pragma once

#include <cstdint>
#include <optional>

namespace job {

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// What the decoder library tells of a video's picture.
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    double aspectRatio = 0;  // display width over display height; 0 or less when the library knows none
};

// Nearest(width / aspectRatio) and Nearest(height * aspectRatio), in extended precision so that a
// quotient just above a tie is not rounded onto it first. A ratio that is not positive counts as
// 1.0; results beyond the 32-bit range stop at its ends.
std::int32_t HeightForWidth(std::int32_t width, double aspectRatio);
std::int32_t WidthForHeight(std::int32_t height, double aspectRatio);

// The size asked for: both sides as given; a width alone with the height its aspect ratio gives;
// neither, the picture's width with that height. Without a known ratio the picture's own shape
// stands in.
Size ThumbnailSize(const Picture& picture, std::optional<std::int32_t> width = {},
                   std::optional<std::int32_t> height = {});

}  // namespace job
