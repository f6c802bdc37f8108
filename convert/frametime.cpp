#include "convert/frametime.h"

#include <algorithm>
#include <cmath>

TFrameRate FrameRateOf(double Fps)
{
    if (!(Fps > 0) || !std::isfinite(Fps))
        return {};
    for (const std::int64_t den : {1, 1001}) {
        const double num = Fps * static_cast<double>(den);
        if (std::fabs(num - std::round(num)) < 1e-6 * static_cast<double>(den))
            return {std::llround(num), den};
    }
    return {std::max<std::int64_t>(1, std::llround(Fps * 1000)), 1000};
}

std::int64_t SecondOfFrame(std::int64_t Frame, TFrameRate Rate)
{
    return Frame * Rate.Den / Rate.Num;
}

std::int64_t FirstFrameOfSecond(std::int64_t Second, TFrameRate Rate)
{
    return (Second * Rate.Num + Rate.Den - 1) / Rate.Den;
}

double FrameSeconds(std::int64_t Frame, TFrameRate Rate)
{
    return static_cast<double>(Frame * Rate.Den) / static_cast<double>(Rate.Num);
}

TStillPoint StillPointOfFrame(std::int64_t Frame, TFrameRate Rate)
{
    const std::int64_t second = SecondOfFrame(Frame, Rate);
    return {static_cast<std::int32_t>(second), static_cast<std::int32_t>(Frame - FirstFrameOfSecond(second, Rate))};
}

std::int64_t FrameOfStillPoint(const TStillPoint& Point, TFrameRate Rate)
{
    return FirstFrameOfSecond(Point.Second, Rate) + Point.Skip;
}
