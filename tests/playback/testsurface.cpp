#include "testsurface.h"

#include "support/frameindex.h"

#include <cstddef>

void TTestSurface::SetFrameSize(std::int32_t width, std::int32_t height)
{
    const std::lock_guard guard(lock_);
    width_ = width;
    height_ = height;
}

void TTestSurface::ShowFrame(PDecodedFrame frame)
{
    const std::lock_guard guard(lock_);
    // Decoded frames have no row padding: the frame size gives the whole block.
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(frame->Pixels);
    shown_.assign(pixels, pixels + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
}

void TTestSurface::Clear(std::uint32_t)
{
    const std::lock_guard guard(lock_);
    shown_.clear();
}

int TTestSurface::ShownIndex() const
{
    const std::lock_guard guard(lock_);
    if (shown_.empty())
        return -1;
    return ReadFrameIndex(reinterpret_cast<const std::uint8_t*>(shown_.data()), width_, height_, width_ * 4, 4);
}

std::uint32_t TTestSurface::MiddlePixel() const
{
    const std::lock_guard guard(lock_);
    if (shown_.empty())
        return 0;
    return shown_[static_cast<std::size_t>(height_ / 2) * static_cast<std::size_t>(width_) +
                  static_cast<std::size_t>(width_ / 2)] &
           0x00FFFFFF;
}
