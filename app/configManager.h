// TConfigManager: the thumbnail size for the run, and the arithmetic that keeps it in the video's
// aspect ratio. Nothing here is saved between runs.
#pragma once

#include <cstdint>

class TConfigManager {
public:
    std::int32_t Width = 400;
    std::int32_t Height = 225;
    bool Constrain = true;
};

// Nearest(Width / AspectRatio) and Nearest(Height * AspectRatio), computed in extended precision so a
// quotient just above a tie is not rounded onto it first. A ratio that is not positive counts as 1.0;
// results beyond the 32-bit range stop at its ends.
std::int32_t HeightForWidth(std::int32_t Width, double AspectRatio);
std::int32_t WidthForHeight(std::int32_t Height, double AspectRatio);

// The settings every open starts from: the video's width, the height its aspect ratio gives (a ratio of
// 0 or less, which the library reports when it knows none, counts as VideoWidth / VideoHeight), and
// CONSTRAIN on.
void ResetToVideo(TConfigManager& Settings, std::int32_t VideoWidth, std::int32_t VideoHeight, double AspectRatio);
