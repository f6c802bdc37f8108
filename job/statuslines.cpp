#include "job/statuslines.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cmath>
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

std::string UnreadableLine(const TDecoderUnreadable& unreadable)
{
    if (unreadable.Bytes <= 0)
        return {};
    constexpr std::int64_t kKiB = 1024;
    constexpr std::int64_t kMiB = 1024 * kKiB;
    char amount[64];
    // Rounded up: a few bytes short of a whole KiB were still lost.
    if (unreadable.Bytes < kKiB)
        std::snprintf(amount, sizeof amount, "%" PRId64 " bytes", unreadable.Bytes);
    else if (unreadable.Bytes < kMiB)
        std::snprintf(amount, sizeof amount, "%" PRId64 " KiB", (unreadable.Bytes + kKiB - 1) / kKiB);
    else
        std::snprintf(amount, sizeof amount, "%.1f MiB", static_cast<double>(unreadable.Bytes) / kMiB);
    std::string line = std::string(amount) + " could not be read";
    const int shown = std::min(unreadable.Places, kUnreadablePlaces);
    // Two places are named in full; a long list of a badly scratched disc would bury the line.
    const int named = shown > 3 ? 2 : shown;
    for (int i = 0; i < named; ++i)
        line += (i == 0 ? " (near " : ", ") + FormatHms(SplitSeconds(unreadable.Seconds[i]), 1);
    if (unreadable.Places > named && named > 0)
        line += " and " + std::to_string(unreadable.Places - named) + " more places";
    if (named > 0)
        line += ")";
    return line;
}

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

std::string LiveLine(std::int64_t written, std::int64_t total, double seconds)
{
    total = std::max(total, written);
    std::string line = Count("Processing", written, total);
    if (total > 0)
        line += " " + std::to_string(written * 100 / total) + "%";
    if (seconds < 0.5 || written == 0)
        return line;
    const double rate = static_cast<double>(written) / seconds;
    char text[32];
    std::snprintf(text, sizeof text, " %.1f pictures/s ", rate);
    const auto left = static_cast<std::int64_t>(std::ceil(static_cast<double>(total - written) / rate));
    return line + text + ClockText(SplitSeconds(left)) + " left";
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
