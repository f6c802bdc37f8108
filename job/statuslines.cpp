#include "job/statuslines.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace job {

namespace {

std::string Count(const char* label, std::int64_t shown, std::int64_t total)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s: %" PRId64 "/%" PRId64, label, shown, total);
    return text;
}

}  // namespace

std::string InfoLine(double fps, std::int32_t width, std::int32_t height, const THms& duration,
                     const std::string& decimalPoint)
{
    // Not printf: the program runs in the user's locale, whose decimal point is passed in.
    char number[64];
    const auto end = std::to_chars(number, number + sizeof number, fps, std::chars_format::fixed, 2).ptr;
    std::string rate(number, end);
    if (const std::size_t dot = rate.find('.'); dot != std::string::npos)
        rate.replace(dot, 1, decimalPoint);
    return "FPS: " + rate + " Size: " + std::to_string(width) + "x" + std::to_string(height) +
        " Duration: " + ClockText(duration);
}

std::string ClockText(const THms& time)
{
    return FormatHms(time, 2);
}

std::string Progress::Saved(const TConvertProgress& progress)
{
    written_ = progress.Current + 1;
    return Count("Processing", written_, progress.Total);
}

std::string Progress::Done(const TConvertProgress& progress) const
{
    return Count("Done", written_, progress.Total);
}

}  // namespace job
