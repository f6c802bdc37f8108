#include "decoderlib/timeline.h"

#include <algorithm>

namespace decoderlib {

Timeline::Timeline(std::vector<Stretch> stretches, std::int64_t frameTicks) : stretches_(std::move(stretches))
{
    std::int64_t t = 0;
    for (Stretch& s : stretches_) {
        s.timelineStart = t;
        t += std::max<std::int64_t>(TicksBetween(s.firstPts, s.lastPts), 0) + frameTicks;
    }
    duration_ = t;
}

std::size_t Timeline::StretchAtPos(std::int64_t pos) const
{
    auto it = std::upper_bound(stretches_.begin(), stretches_.end(), pos,
                               [](std::int64_t p, const Stretch& s) { return p < s.startPos; });
    return it == stretches_.begin() ? 0 : static_cast<std::size_t>(it - stretches_.begin() - 1);
}

std::size_t Timeline::StretchAtTime(std::int64_t ticks) const
{
    auto it = std::upper_bound(stretches_.begin(), stretches_.end(), ticks,
                               [](std::int64_t t, const Stretch& s) { return t < s.timelineStart; });
    return it == stretches_.begin() ? 0 : static_cast<std::size_t>(it - stretches_.begin() - 1);
}

std::int64_t Timeline::TimeOf(std::int64_t pts, std::int64_t pos) const
{
    if (stretches_.empty())
        return 0;
    const Stretch& s = stretches_[StretchAtPos(pos)];
    return s.timelineStart + TicksBetween(s.firstPts, pts);
}

std::int64_t Timeline::EndAtPos(std::int64_t pos) const
{
    const std::size_t k = StretchAtPos(pos);
    return k + 1 < stretches_.size() ? stretches_[k + 1].timelineStart : duration_;
}

std::int64_t Timeline::PtsAt(std::size_t k, std::int64_t ticks) const
{
    const Stretch& s = stretches_[k];
    return s.firstPts + (ticks - s.timelineStart);
}

} // namespace decoderlib
