#include "platform/clock.h"

#include <gtest/gtest.h>

TEST(Clock, CounterAndTickCountMeasureASleep)
{
    const std::int64_t counterBefore = PerformanceCounter();
    const std::uint32_t ticksBefore = TickCount();
    Sleep(50);
    const double seconds = double(PerformanceCounter() - counterBefore) / double(PerformanceFrequency());
    const std::uint32_t ticks = TickCount() - ticksBefore;

    EXPECT_GE(seconds, 0.050);
    EXPECT_LT(seconds, 5.0);
    EXPECT_GE(ticks, 50u);
    EXPECT_LT(ticks, 5000u);
}
