// The main window's layout arithmetic, in twips: the minimum size, where
// the viewport and its scroll bars go on every resize, and the scroll
// ranges that let every part of the picture be brought into view.
// Platform-neutral.
#pragma once

#include <cstdint>

namespace pellix {

inline constexpr int kMinimumWidth = 4365;  // outer width, twips
inline constexpr int kMinimumHeight = 4470; // outer height, twips
inline constexpr int kScrollBarThickness = 255;

struct Size {
    int width = 0;
    int height = 0;
};

// The outer size the window must keep: never below the minimum.
Size AtLeastMinimum(Size outer);

struct ViewLayout {
    int holderWidth = 0, holderHeight = 0;  // the viewport picHolder
    int vScrollLeft = 0, vScrollHeight = 0; // VScroll1 (top 0)
    int hScrollTop = 0, hScrollWidth = 0;   // HScroll1 (left 0)
    int cornerLeft = 0, cornerTop = 0;      // picBlokje
};

// From the client size and the heights of the fixed strips above and below
// the viewport. A client area smaller than the strips (a minimised window)
// gives zero sizes, never negative ones.
ViewLayout LayOutView(Size client, int toolbarHeight, int folderHeight, int statusHeight);

// How far the picture can be scrolled in each direction, in twips: the
// picture's size less the viewport, plus the bar and 6 twips. A negative
// maximum lets a small picture be pushed right or down by that much. The
// full 32-bit range is used, so every part of any page can be reached.
struct ScrollMaxima {
    std::int32_t vertical = 0;
    std::int32_t horizontal = 0;
};
ScrollMaxima RecalculateScrollbars(double pictureWidth, double pictureHeight,
                                   const ViewLayout& layout);

// A scroll value kept between 0 and the maximum (either way round).
std::int32_t ClampScrollValue(std::int64_t value, std::int32_t maximum);

} // namespace pellix
