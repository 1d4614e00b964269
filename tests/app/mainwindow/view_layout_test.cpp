#include "app/mainwindow/view_layout.h"
#include "common/twips.h"

#include <gtest/gtest.h>

namespace pellix {
namespace {

TEST(ViewLayout, MinimumSizeSnapsBackAndKeepsExactMinimum) {
    EXPECT_EQ(AtLeastMinimum({3000, 9000}).width, 4365);
    EXPECT_EQ(AtLeastMinimum({3000, 9000}).height, 9000);
    EXPECT_EQ(AtLeastMinimum({9000, 100}).height, 4470);
    EXPECT_EQ(AtLeastMinimum({4365, 4470}).width, 4365);
    EXPECT_EQ(AtLeastMinimum({4365, 4470}).height, 4470);
}

TEST(ViewLayout, BarsAndCornerFollowTheViewport) {
    // Design client area 9345 x 5475, toolbar 600, folder strip 495, status 255.
    const ViewLayout l = LayOutView({9345, 5475}, 600, 495, 255);
    EXPECT_EQ(l.holderWidth, 9345);
    EXPECT_EQ(l.holderHeight, 5475 - 255 - 495 - 600 + 3);
    EXPECT_EQ(l.vScrollLeft, 9345 - 255 - 4);
    EXPECT_EQ(l.hScrollTop, l.holderHeight - 255 - 4);
    EXPECT_EQ(l.vScrollHeight, l.hScrollTop);
    EXPECT_EQ(l.hScrollWidth, l.vScrollLeft);
    EXPECT_EQ(l.cornerTop, l.vScrollHeight);
    EXPECT_EQ(l.cornerLeft, l.hScrollWidth);
}

TEST(ViewLayout, MinimisedWindowGivesNoNegativeSizes) {
    const ViewLayout l = LayOutView({0, 0}, 600, 495, 255);
    EXPECT_EQ(l.holderHeight, 0);
    EXPECT_EQ(l.vScrollLeft, 0);
    EXPECT_EQ(l.hScrollTop, 0);
}

TEST(RecalculateScrollbars, PictureEqualSmallerAndLargerThanTheViewport) {
    ViewLayout l;
    l.holderWidth = 6000;
    l.holderHeight = 4000;
    // As large as the viewport: the bar thickness plus 6.
    EXPECT_EQ(RecalculateScrollbars(6000, 4000, l).vertical, 261);
    EXPECT_EQ(RecalculateScrollbars(6000, 4000, l).horizontal, 261);
    // Much smaller: negative, the picture can only be pushed down or right.
    EXPECT_EQ(RecalculateScrollbars(1000, 1000, l).vertical, 1000 - 4000 + 261);
    // A 300 dpi A4 page (52,620 twips high) can be scrolled to its end: no
    // 32767 cap.
    const ScrollMaxima a4 = RecalculateScrollbars(35040, 52620, l);
    EXPECT_EQ(a4.vertical, 52620 - 4000 + 261);
    EXPECT_GT(a4.vertical, 32767);
    // Halves round to even.
    EXPECT_EQ(RecalculateScrollbars(6000, 4000.5, l).vertical, 262);
    EXPECT_EQ(RecalculateScrollbars(6000, 4001.5, l).vertical, 262);
}

TEST(ClampScrollValue, PulledBackToANewSmallerMaximumEitherWayRound) {
    EXPECT_EQ(ClampScrollValue(5000, 261), 261);
    EXPECT_EQ(ClampScrollValue(-10, 261), 0);
    EXPECT_EQ(ClampScrollValue(120, 261), 120);
    EXPECT_EQ(ClampScrollValue(200, -2739), 0);
    EXPECT_EQ(ClampScrollValue(-5000, -2739), -2739);
    EXPECT_EQ(ClampScrollValue(-100, -2739), -100);
}

TEST(Twips, FifteenPerPixelAt96Dpi) {
    EXPECT_EQ(TwipsToPixels(4365, 96), 291);
    EXPECT_EQ(TwipsToPixels(4365, 192), 582);
    EXPECT_DOUBLE_EQ(PixelsToTwips(10, 96), 150);
    EXPECT_DOUBLE_EQ(PixelsToTwips(10, 144), 100);
}

} // namespace
} // namespace pellix
