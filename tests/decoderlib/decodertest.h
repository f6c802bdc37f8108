// What the decoder library tests share: the real library through its binding, and frame indices.
#pragma once

#include "decoder/decoder.h"
#include "support/fixtures.h"
#include "support/frameindex.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Every frame left in the video, read to its end: how many there are, how many show their index, and
// how many of those come in order and in their own second. A picture with damage concealed may show
// no index, or the code blocks of the frame it was predicted from.
struct FrameTally {
    int frames = 0;
    int readable = 0;
    int inPlace = 0;
};

inline FrameTally TallyFrames(TDecoder& decoder, Rate rate)
{
    FrameTally tally;
    int lastIndex = -1;
    std::int64_t lastSecond = 0;
    while (PDecodedFrame frame = decoder.GetNextFrame()) {
        ++tally.frames;
        const std::int64_t second = decoder.FrameInfo()->Timestamp;
        EXPECT_GE(second, lastSecond) << "frame " << tally.frames << ": time runs back";
        lastSecond = second;
        const int index = IndexOf(decoder, frame);
        if (index < 0)
            continue;
        ++tally.readable;
        if (index > lastIndex && rate.SecondOf(index) == second)
            ++tally.inPlace;
        lastIndex = std::max(lastIndex, index);
    }
    return tally;
}
