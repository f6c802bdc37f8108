#include "support/frameindex.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "support/frameindexlayout.h"

namespace {

using namespace FrameIndexLayout;

// Limits of what still counts as a flat grey block of a digit. MPEG-2 at DVD rates, scaling and JPEG
// at quality 100 move the mean by a few levels at most; neighbouring digits are about 33 apart.
constexpr double kMaxDistanceToDigit = 6.0;  // black (0) is about 9 from digit 0: it is rejected
constexpr double kMaxChannelDifference = 12.0;  // mean of one channel against another
// Standard deviation of any channel over the inner block. Encoded blocks stay near 5 even where a
// B-frame smears some texture into part of a block; noise or texture is far above (uniform noise: 74).
constexpr double kMaxDeviation = 12.0;

// Reads the digit of one block, or -1.
int ReadBlock(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t strideBytes, int bytesPerPixel,
              int block) {
    const TBlockRect r = InnerBlockRect(block, width, height);
    if (r.X1 <= r.X0 || r.Y1 <= r.Y0) return -1;
    long long sum[3] = {0, 0, 0};
    long long sumOfSquares[3] = {0, 0, 0};
    for (int y = r.Y0; y < r.Y1; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * strideBytes;
        for (int x = r.X0; x < r.X1; ++x) {
            const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
            for (int c = 0; c < 3; ++c) {
                sum[c] += p[c];
                sumOfSquares[c] += p[c] * p[c];
            }
        }
    }
    const double count = static_cast<double>(r.X1 - r.X0) * (r.Y1 - r.Y0);
    double mean[3];
    for (int c = 0; c < 3; ++c) {
        mean[c] = sum[c] / count;
        const double variance = sumOfSquares[c] / count - mean[c] * mean[c];
        if (variance > kMaxDeviation * kMaxDeviation) return -1;
    }
    const double spreadOfMeans = std::max({mean[0], mean[1], mean[2]}) - std::min({mean[0], mean[1], mean[2]});
    if (spreadOfMeans > kMaxChannelDifference) return -1;
    const double grey = (mean[0] + mean[1] + mean[2]) / 3.0;
    int best = 0;
    for (int d = 1; d < kDigitCount; ++d) {
        if (std::abs(grey - DigitRgb(d)) < std::abs(grey - DigitRgb(best))) best = d;
    }
    if (std::abs(grey - DigitRgb(best)) > kMaxDistanceToDigit) return -1;
    return best;
}

}  // namespace

int ReadFrameIndex(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t strideBytes,
                   int bytesPerPixel) {
    if (pixels == nullptr || width <= 0 || height <= 0) return -1;
    if (bytesPerPixel != 3 && bytesPerPixel != 4) return -1;
    int index = 0;
    for (int block = 0; block < kBlockCount; ++block) {
        const int digit = ReadBlock(pixels, width, height, strideBytes, bytesPerPixel, block);
        if (digit < 0) return -1;
        index = (index << kBitsPerBlock) | digit;
    }
    return index;
}
