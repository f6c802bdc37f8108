// Turns decoded pictures into the library's pixel format: 32-bit words with blue in the low
// byte, rows top-down without padding, from limited-range BT.601 video.
#pragma once

#include "decoderlib/avhandles.h"

#include <cstdint>

namespace decoderlib {

class BgrxConverter {
public:
    // Every picture is delivered at this size, whatever size a stray picture was coded at.
    BgrxConverter(int width, int height);

    // The converted pixels; valid until the next call.
    std::uint8_t* Convert(const AVFrame& frame);

private:
    struct AvFree {
        void operator()(std::uint8_t* p) const { av_free(p); }
    };
    int width_;
    int height_;
    std::unique_ptr<std::uint8_t, AvFree> pixels_;
    SwsContextPtr sws_;
};

} // namespace decoderlib
