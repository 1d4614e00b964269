#include "app/mainwindow/view_layout.h"

#include <gtest/gtest.h>

#include <tuple>

namespace pellix {
namespace {

auto Fields(const ViewLayout& l) {
    return std::tuple(l.holderWidth, l.holderHeight, l.vScrollLeft, l.vScrollHeight, l.hScrollTop,
                      l.hScrollWidth, l.cornerLeft, l.cornerTop);
}

TEST(ViewLayout, TheViewportFillsTheMiddleWithItsBarsAndCornerAlongItsEdges) {
    // The design client area 9345 x 5475, toolbar 600, folder strip 495,
    // status bar 255: the viewport overlaps the strips by 3 twips.
    EXPECT_EQ(Fields(LayOutView({9345, 5475}, 600, 495, 255)),
              std::tuple(9345, 4128, 9086, 3869, 3869, 9086, 9086, 3869));
    // A minimised window: nothing negative.
    EXPECT_EQ(Fields(LayOutView({0, 0}, 600, 495, 255)), std::tuple(0, 0, 0, 0, 0, 0, 0, 0));
}

TEST(RecalculateScrollbars, EveryPartOfAPictureOfAnySizeCanBeReached) {
    ViewLayout l;
    l.holderWidth = 6000;
    l.holderHeight = 4000;
    struct Row {
        double width, height;
        std::int32_t horizontal, vertical;
    };
    for (const Row& row : {
             Row{6000, 4000, 261, 261},       // as large as the viewport: the bar and 6
             Row{1000, 1000, -4739, -2739},   // smaller: it can be pushed right or down
             Row{35040, 52620, 29301, 48881}, // a 300 dpi A4 page: no 32767 cap
             Row{5999.5, 4001.5, 260, 262},   // halves to even
         }) {
        const ScrollMaxima m = RecalculateScrollbars(row.width, row.height, l);
        EXPECT_EQ(std::pair(m.horizontal, m.vertical), std::pair(row.horizontal, row.vertical))
            << row.width << " x " << row.height;
    }
}

TEST(ClampScrollValue, PulledBackToANewMaximumEitherWayRound) {
    for (const auto& [value, maximum, clamped] :
         {std::tuple{5000, 261, 261}, std::tuple{-10, 261, 0}, std::tuple{120, 261, 120},
          std::tuple{200, -2739, 0}, std::tuple{-5000, -2739, -2739},
          std::tuple{-100, -2739, -100}}) {
        EXPECT_EQ(ClampScrollValue(value, maximum), clamped) << value << " to " << maximum;
    }
}

} // namespace
} // namespace pellix
