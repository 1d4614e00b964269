// Twips, the unit window designs are measured in: 1/1440 inch, 15 twips per
// pixel at 96 dots per inch. Platform-neutral.
#pragma once

#include <cmath>

namespace pellix {

inline constexpr int kTwipsPerInch = 1440;

// Pixels at a resolution, rounded to the nearest (halves away from zero).
inline int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

inline double PixelsToTwips(int pixels, int dpi) {
    return pixels * static_cast<double>(kTwipsPerInch) / dpi;
}

} // namespace pellix
