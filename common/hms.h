// Whole seconds as a clock shows them: hours, minutes and seconds.
#pragma once

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

struct THms {
    std::int64_t Hours = 0;
    std::int64_t Minutes = 0;  // 0 to 59
    std::int64_t Seconds = 0;  // 0 to 59
};

constexpr THms SplitSeconds(std::int64_t Seconds) noexcept
{
    return {Seconds / 3600, Seconds / 60 % 60, Seconds % 60};
}

// "h:mm:ss", the hours padded with zeros to HourDigits (1 or 2); hours beyond that show in full.
inline std::string FormatHms(const THms& Time, int HourDigits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*" PRId64 ":%.2" PRId64 ":%.2" PRId64, HourDigits, Time.Hours, Time.Minutes,
                  Time.Seconds);
    return text;
}
