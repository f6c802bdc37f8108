#include "app/configManager.h"

#include "common/Nearest.h"

#include <cmath>
#include <limits>

namespace {

long double UsableRatio(double AspectRatio)
{
    // Also catches NaN.
    return AspectRatio > 0 ? static_cast<long double>(AspectRatio) : 1.0L;
}

std::int32_t NearestInt32(long double X)
{
    constexpr auto Low = std::numeric_limits<std::int32_t>::min();
    constexpr auto High = std::numeric_limits<std::int32_t>::max();
    // A tiny ratio must not wrap a size around to a negative one.
    if (!(X < static_cast<long double>(High)))
        return High;
    if (!(X > static_cast<long double>(Low)))
        return Low;
    return static_cast<std::int32_t>(NearestExtended(X));
}

}  // namespace

std::int32_t HeightForWidth(std::int32_t Width, double AspectRatio)
{
    return NearestInt32(static_cast<long double>(Width) / UsableRatio(AspectRatio));
}

std::int32_t WidthForHeight(std::int32_t Height, double AspectRatio)
{
    return NearestInt32(static_cast<long double>(Height) * UsableRatio(AspectRatio));
}

void ResetToVideo(TConfigManager& Settings, std::int32_t VideoWidth, std::int32_t VideoHeight, double AspectRatio)
{
    Settings.Width = VideoWidth;
    if (AspectRatio > 0 || VideoHeight <= 0)
        Settings.Height = HeightForWidth(VideoWidth, AspectRatio);
    else
        Settings.Height = VideoHeight;  // Width / (Width / Height), without the round trip
    Settings.Constrain = true;
}
