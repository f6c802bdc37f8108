#include "controls/HSLUtils.h"

#include "common/Nearest.h"

#include <algorithm>

namespace {

// Hue runs one short of the other two ranges.
constexpr double HueRange = 239;
constexpr double Range = 240;

int NearestInt(double X)
{
    return static_cast<int>(Nearest(X));
}

// A lightness pushed past the range (the advanced colours add 10 before they bound it) would give
// channels above 255; they stop at the channel's end.
int Channel(double X)
{
    return std::clamp(NearestInt(255 * X), 0, 255);
}

double HueToChannel(double M1, double M2, double T)
{
    if (T < 0)
        T += 1;
    else if (T > 1)
        T -= 1;
    if (6 * T < 1)
        return M1 + (M2 - M1) * 6 * T;
    if (2 * T < 1)
        return M2;
    if (3 * T < 2)
        return M1 + (M2 - M1) * (2.0 / 3 - T) * 6;
    return M1;
}

}  // namespace

THSL RGBToHSL(QColor Color)
{
    const double r = Color.red() / 255.0;
    const double g = Color.green() / 255.0;
    const double b = Color.blue() / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double l = (max + min) / 2;
    double h = 0;
    double s = 0;
    if (max != min) {
        const double d = max - min;
        s = l < 0.5 ? d / (max + min) : d / (2 - max - min);
        if (r == max)
            h = (g - b) / d;
        else if (g == max)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    return {NearestInt(h * HueRange), NearestInt(s * Range), NearestInt(l * Range)};
}

QColor HSLToRGB(int H, int S, int L)
{
    const double h = H / HueRange;
    const double s = S / Range;
    const double l = L / Range;
    if (s == 0) {
        const int grey = Channel(l);
        return QColor(grey, grey, grey);
    }
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    return QColor(Channel(HueToChannel(m1, m2, h + 1.0 / 3)), Channel(HueToChannel(m1, m2, h)),
                  Channel(HueToChannel(m1, m2, h - 1.0 / 3)));
}
