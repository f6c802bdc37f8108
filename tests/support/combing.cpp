#include "support/combing.h"

#include <cmath>
#include <vector>

double CombingOf(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t strideBytes, int bytesPerPixel)
{
    if (width <= 0 || height < 5)
        return 0;
    // BT.601 luma weights: the eye's brightness, which is what combing disturbs.
    std::vector<double> luma(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels + y * strideBytes;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + x * bytesPerPixel;
            luma[static_cast<std::size_t>(y) * width + x] = 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2];
        }
    }
    auto at = [&](int x, int y) { return luma[static_cast<std::size_t>(y) * width + x]; };
    double otherField = 0;
    double ownField = 0;
    for (int y = 2; y < height - 2; ++y) {
        for (int x = 0; x < width; ++x) {
            otherField += std::fabs(2 * at(x, y) - at(x, y - 1) - at(x, y + 1));
            ownField += std::fabs(2 * at(x, y) - at(x, y - 2) - at(x, y + 2));
        }
    }
    return ownField > 0 ? otherField / ownField : 0;
}
