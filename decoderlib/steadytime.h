// The times of frames delivered one after another, held against damaged timestamps: they never run
// back, and a time far ahead of the last one counts only once the frame after it agrees. So one
// garbage timestamp moves no frame but its own, while a real jump (pictures lost to damage) holds.
#pragma once

#include "decoderlib/timeline.h"

#include <algorithm>
#include <cstdint>

namespace decoderlib {

class SteadyTime {
public:
    // A time known to be wrong: later than anything, agreeing with nothing, far from overflowing.
    static constexpr std::int64_t kImplausible = INT64_MAX / 4;

    explicit SteadyTime(std::int64_t frameTicks = 3600) : frameTicks_(frameTicks) {}

    // The frame at `time` is the one delivered last (after a seek).
    void Restart(std::int64_t time) { last_ = lastRaw_ = time; }

    // The time of the next frame, whose timestamp places it at `raw`.
    std::int64_t Next(std::int64_t raw)
    {
        const bool farAhead = raw - last_ > kMostAhead;
        const bool agreesWithLast = raw > lastRaw_ && raw - lastRaw_ <= kMostAhead;
        lastRaw_ = raw;
        last_ = farAhead && !agreesWithLast ? last_ + frameTicks_ : std::max(raw, last_);
        return last_;
    }

private:
    // Pictures lost to a few damaged sectors leave gaps well under this.
    static constexpr std::int64_t kMostAhead = kTicksPerSecond;

    std::int64_t frameTicks_;
    std::int64_t last_ = 0;
    std::int64_t lastRaw_ = 0;
};

}  // namespace decoderlib
