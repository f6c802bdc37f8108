// The program's clocks on the steady clock: a high-resolution counter with its frequency, a 32-bit
// millisecond tick count that wraps like the one it stands for, and a millisecond sleep.
#pragma once

#include <cstdint>

// Counter ticks per second.
std::int64_t PerformanceFrequency() noexcept;
std::int64_t PerformanceCounter() noexcept;
// Milliseconds of the steady clock, wrapping at 2^32: take differences as unsigned 32-bit values.
std::uint32_t TickCount() noexcept;
void Sleep(std::uint32_t Milliseconds);
