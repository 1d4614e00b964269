#include "app/mainwindow/view_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pellix {
namespace {

// Rounds to the nearest integer, an exact half to the even one, and keeps
// the result in the 32-bit range.
std::int32_t RoundToInt32(double value) {
    const double rounded = std::nearbyint(value); // the default mode rounds half to even
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(rounded, lowest, highest));
}

} // namespace

Size AtLeastMinimum(Size outer) {
    return {std::max(outer.width, kMinimumWidth), std::max(outer.height, kMinimumHeight)};
}

ViewLayout LayOutView(Size client, int toolbarHeight, int folderHeight, int statusHeight) {
    ViewLayout l;
    l.holderWidth = std::max(0, client.width);
    l.holderHeight = std::max(0, client.height - statusHeight - folderHeight - toolbarHeight + 3);
    l.vScrollLeft = std::max(0, l.holderWidth - kScrollBarThickness - 4);
    l.hScrollTop = std::max(0, l.holderHeight - kScrollBarThickness - 4);
    l.vScrollHeight = l.hScrollTop;
    l.hScrollWidth = l.vScrollLeft;
    l.cornerTop = l.vScrollHeight;
    l.cornerLeft = l.hScrollWidth;
    return l;
}

ScrollMaxima RecalculateScrollbars(double pictureWidth, double pictureHeight,
                                   const ViewLayout& layout) {
    ScrollMaxima m;
    m.vertical = RoundToInt32(pictureHeight - layout.holderHeight + kScrollBarThickness + 6);
    m.horizontal = RoundToInt32(pictureWidth - layout.holderWidth + kScrollBarThickness + 6);
    return m;
}

std::int32_t ClampScrollValue(std::int64_t value, std::int32_t maximum) {
    const std::int64_t low = std::min<std::int64_t>(0, maximum);
    const std::int64_t high = std::max<std::int64_t>(0, maximum);
    return static_cast<std::int32_t>(std::clamp(value, low, high));
}

} // namespace pellix
