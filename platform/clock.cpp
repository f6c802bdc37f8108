#include "platform/clock.h"

#include <chrono>
#include <thread>

using Clock = std::chrono::steady_clock;

std::int64_t PerformanceFrequency() noexcept
{
    return Clock::period::den / Clock::period::num;
}

std::int64_t PerformanceCounter() noexcept
{
    return Clock::now().time_since_epoch().count();
}

std::uint32_t TickCount() noexcept
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

void Sleep(std::uint32_t Milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}
