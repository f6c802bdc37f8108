// One continuous timeline over a file whose timestamps restart or jump, as they do at the
// cell boundaries of multi-cell DVD titles: each stretch of steady timestamps continues
// where the previous one ended.
#pragma once

#include <cstdint>
#include <vector>

namespace decoderlib {

constexpr std::int64_t kTicksPerSecond = 90000;

// Timestamps count in 33 bits and start again from zero every 26.5 hours. FFmpeg carries them on
// across such a wrap, the pack scanner reads them as the stream has them: compared through
// TicksBetween, both agree, and a wrap is no break (a stretch runs on across it).
constexpr std::int64_t kClockWrap = std::int64_t{1} << 33;

// Ticks from `from` to `to` on the wrapping clock: the difference modulo 2^33, in [-2^32, 2^32).
constexpr std::int64_t TicksBetween(std::int64_t from, std::int64_t to)
{
    const std::int64_t ahead = (to - from) & (kClockWrap - 1);
    return ahead >= kClockWrap / 2 ? ahead - kClockWrap : ahead;
}

struct Stretch {
    std::int64_t startPos = 0;      // first byte of the stretch in the file
    std::int64_t firstPts = 0;      // PTS of its first picture
    std::int64_t lastPts = 0;       // PTS of its last picture
    std::int64_t timelineStart = 0; // where its first picture lands on the timeline, in ticks
};

class Timeline {
public:
    Timeline() = default;
    // `stretches` in file order with their PTS ranges; each lasts until the next one's first
    // picture, the last one until its last picture plus one frame.
    Timeline(std::vector<Stretch> stretches, std::int64_t frameTicks);

    const std::vector<Stretch>& Stretches() const { return stretches_; }
    std::int64_t Duration() const { return duration_; }

    // The stretch that holds the byte at `pos`, and the one that holds timeline time `ticks`.
    std::size_t StretchAtPos(std::int64_t pos) const;
    std::size_t StretchAtTime(std::int64_t ticks) const;

    // Timeline time of a picture with this PTS carried by the packet at `pos`.
    std::int64_t TimeOf(std::int64_t pts, std::int64_t pos) const;
    // Where the stretch that holds the byte at `pos` ends on the timeline: no picture it carries
    // is shown later.
    std::int64_t EndAtPos(std::int64_t pos) const;
    // The PTS that timeline time `ticks` has in stretch `k`.
    std::int64_t PtsAt(std::size_t k, std::int64_t ticks) const;

private:
    std::vector<Stretch> stretches_;
    std::int64_t duration_ = 0;
};

} // namespace decoderlib
