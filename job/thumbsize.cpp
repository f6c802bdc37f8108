#include "job/thumbsize.h"

#include "common/Nearest.h"

#include <limits>

namespace job {

namespace {

long double UsableRatio(double aspectRatio)
{
    // Also catches NaN.
    return aspectRatio > 0 ? static_cast<long double>(aspectRatio) : 1.0L;
}

std::int32_t NearestInt32(long double x)
{
    constexpr auto kLow = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::int32_t>::max();
    // A tiny ratio must not wrap a size around to a negative one.
    if (!(x < static_cast<long double>(kHigh)))
        return kHigh;
    if (!(x > static_cast<long double>(kLow)))
        return kLow;
    return static_cast<std::int32_t>(NearestExtended(x));
}

}  // namespace

std::int32_t HeightForWidth(std::int32_t width, double aspectRatio)
{
    return NearestInt32(static_cast<long double>(width) / UsableRatio(aspectRatio));
}

std::int32_t WidthForHeight(std::int32_t height, double aspectRatio)
{
    return NearestInt32(static_cast<long double>(height) * UsableRatio(aspectRatio));
}

Size ThumbnailSize(const Picture& picture, std::optional<std::int32_t> width, std::optional<std::int32_t> height)
{
    const std::int32_t w = width.value_or(picture.width);
    if (height)
        return {w, *height};
    if (picture.aspectRatio > 0 || picture.height <= 0)
        return {w, HeightForWidth(w, picture.aspectRatio)};
    // The picture's own width keeps its own height, without a round trip through the ratio.
    if (w == picture.width)
        return {w, picture.height};
    return {w, HeightForWidth(w, static_cast<double>(picture.width) / picture.height)};
}

}  // namespace job
