// A sliding read window over a video file, so that walking pack and packet headers costs no system
// call per pack.
#pragma once

#include "decoderlib/videofile.h"
#include "mpeg/mpegps.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace decoderlib {

class ReadWindow {
public:
    ReadWindow(const VideoFile& file, std::size_t size) : file_(file), buf_(size) {}

    // Pointer to `n` bytes at `pos`, or null when the file ends before them.
    const std::uint8_t* At(std::int64_t pos, std::size_t n)
    {
        if (pos < start_ || pos + static_cast<std::int64_t>(n) > start_ + static_cast<std::int64_t>(len_)) {
            start_ = pos;
            len_ = file_.ReadAt(pos, buf_.data(), buf_.size());
        }
        if (pos + static_cast<std::int64_t>(n) > start_ + static_cast<std::int64_t>(len_))
            return nullptr;
        return buf_.data() + (pos - start_);
    }

    // Offset of the next pack start code at or after `pos` and before `end`, or -1.
    std::int64_t FindPack(std::int64_t pos, std::int64_t end)
    {
        using namespace mpegps;
        while (pos + static_cast<std::int64_t>(kStartCodeSize) <= end) {
            if (!At(pos, kStartCodeSize))
                return -1;
            const Bytes window(buf_.data() + (pos - start_), len_ - static_cast<std::size_t>(pos - start_));
            if (auto at = FindStartCode(window, kPackStart)) {
                const std::int64_t found = pos + static_cast<std::int64_t>(*at);
                return found < end ? found : -1;
            }
            // A start code may straddle the window's end: the next window starts at its first byte.
            pos += static_cast<std::int64_t>(window.size() - (kStartCodeSize - 1));
            start_ = 0;
            len_ = 0;  // force a refill at the new position
        }
        return -1;
    }

private:
    const VideoFile& file_;
    std::vector<std::uint8_t> buf_;
    std::int64_t start_ = 0;
    std::size_t len_ = 0;
};

}  // namespace decoderlib
