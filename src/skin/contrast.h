#pragma once

// The contrast of two colours as accessibility guidelines measure it (WCAG 2): the focus mark
// picks its colour by it, and the focus-mark test checks the ratio the mark reaches.

#include <algorithm>
#include <cmath>

namespace zel::skin {

// The relative luminance of an sRGB colour (channels 0 ... 255), 0 for black ... 1 for white.
inline double RelativeLuminance(int red, int green, int blue) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(red) + 0.7152 * channel(green) + 0.0722 * channel(blue);
}

// 1 (the same) ... 21 (black on white), whichever luminance is the lighter.
inline double ContrastRatio(double luminanceA, double luminanceB) {
    return (std::max(luminanceA, luminanceB) + 0.05) / (std::min(luminanceA, luminanceB) + 0.05);
}

}  // namespace zel::skin
