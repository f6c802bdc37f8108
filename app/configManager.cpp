#include "app/configManager.h"

#include "job/thumbsize.h"

void ResetToVideo(TConfigManager& Settings, std::int32_t VideoWidth, std::int32_t VideoHeight, double AspectRatio)
{
    const job::Size size = job::ThumbnailSize({VideoWidth, VideoHeight, AspectRatio});
    Settings.Width = size.width;
    Settings.Height = size.height;
    Settings.Constrain = true;
}
