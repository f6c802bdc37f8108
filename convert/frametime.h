// Frames and the decoder's whole seconds: when frame n is shown, and how a seek to a whole second
// with frames skipped after it reaches it. Exact, the rate taken as the fraction it is.
#pragma once

#include "convert/_consts.h"

#include <cstdint>

// Frames a second as a fraction: MPEG's rates are whole numbers, or NTSC's and film's over 1001.
struct TFrameRate {
    std::int64_t Num = 25;
    std::int64_t Den = 1;
};

// The fraction the decoder's rate stands for; one to a thousandth of a frame where it is none of those.
TFrameRate FrameRateOf(double Fps);

// The whole second in which frame Frame (from 0) is shown.
std::int64_t SecondOfFrame(std::int64_t Frame, TFrameRate Rate);
// The first frame shown at or after Second: the one a seek to that second delivers.
std::int64_t FirstFrameOfSecond(std::int64_t Second, TFrameRate Rate);
// When frame Frame is shown, in seconds.
double FrameSeconds(std::int64_t Frame, TFrameRate Rate);

// Frame Frame as a seek to its second and the frames to skip after it, and back.
TStillPoint StillPointOfFrame(std::int64_t Frame, TFrameRate Rate);
std::int64_t FrameOfStillPoint(const TStillPoint& Point, TFrameRate Rate);
