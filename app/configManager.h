// TConfigManager: the thumbnail size for the run, reset to every video as it opens. Nothing here is
// saved between runs.
#pragma once

#include <cstdint>

class TConfigManager {
public:
    std::int32_t Width = 400;
    std::int32_t Height = 225;
    bool Constrain = true;
};

// The settings every open starts from: the video's width, the height its aspect ratio gives (a ratio of
// 0 or less, which the library reports when it knows none, counts as VideoWidth / VideoHeight), and
// CONSTRAIN on.
void ResetToVideo(TConfigManager& Settings, std::int32_t VideoWidth, std::int32_t VideoHeight, double AspectRatio);
