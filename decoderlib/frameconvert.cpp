#include "decoderlib/frameconvert.h"

namespace decoderlib {

BgrxConverter::BgrxConverter(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::uint8_t*>(av_malloc(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4)))
{
    if (!pixels_)
        throw DecodeError("out of memory for the frame buffer");
}

std::uint8_t* BgrxConverter::Convert(const AVFrame& frame)
{
    SwsContext* previous = sws_.get();
    // Same size in and out: the filter only upsamples the chroma.
    SwsContext* ctx = sws_getCachedContext(sws_.release(), frame.width, frame.height,
                                           static_cast<AVPixelFormat>(frame.format), width_, height_,
                                           AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr);
    sws_.reset(ctx);
    if (!ctx)
        throw DecodeError("unsupported picture format");
    if (ctx != previous) {
        // DVD video is BT.601 in limited range (0 below), the pixels full range (1); brightness,
        // contrast and saturation neutral (16.16 fixed point).
        const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(ctx, bt601, 0, bt601, 1, 0, 1 << 16, 1 << 16);
    }
    std::uint8_t* dst[4] = {pixels_.get(), nullptr, nullptr, nullptr};
    int dstStride[4] = {width_ * 4, 0, 0, 0};
    sws_scale(ctx, frame.data, frame.linesize, 0, frame.height, dst, dstStride);
    return pixels_.get();
}

} // namespace decoderlib
