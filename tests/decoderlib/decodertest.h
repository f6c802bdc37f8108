// What the decoder library tests share: the real library through its binding, and frame indices.
#pragma once

#include "decoder/decoder.h"
#include "support/fixtures.h"
#include "support/frameindex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

// The index painted into a delivered frame, -1 when the picture carries none.
inline int IndexOf(const TDecoder& decoder, PDecodedFrame frame)
{
    return ReadFrameIndex(frame->Pixels, decoder.Width(), decoder.Height(), std::ptrdiff_t{decoder.Width()} * 4);
}

// Frames per second as an exact fraction, so frame/second arithmetic has no rounding doubt.
struct Rate {
    std::int64_t num;
    std::int64_t den;
    double Value() const { return double(num) / double(den); }
    // The first frame whose time is at or after `second`.
    std::int64_t FirstFrameAt(std::int64_t second) const { return (second * num + den - 1) / den; }
    // The whole second in which frame `n` starts.
    std::int64_t SecondOf(std::int64_t n) const { return n * den / num; }
};

inline constexpr Rate kPal{25, 1};
inline constexpr Rate kNtsc{30000, 1001};
inline constexpr Rate kFilm{24000, 1001};
