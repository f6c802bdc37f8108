// Conversion between RGB and HSL with the integer ranges hue 0..239, saturation and lightness 0..240.
#pragma once

#include <QColor>

struct THSL {
    int H = 0;
    int S = 0;
    int L = 0;
    bool operator==(const THSL&) const = default;
};

THSL RGBToHSL(QColor Color);
QColor HSLToRGB(int H, int S, int L);
