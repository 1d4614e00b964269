#include "app/settings/form_position.h"

#include <gtest/gtest.h>

#include <limits>

namespace pellix {

void PrintTo(const FormRect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << "}";
}

namespace {

// 1024 x 768 pixels at 15 twips per pixel: the margin is 60 twips.
const ScreenMeasures kScreen{15360, 11520, 15, 15};

TEST(FitToScreen, PullsTheWindowInsideTheMargins) {
    EXPECT_EQ(FitToScreen({-5000, 1000, 3000, 2000}, 0, 0, kScreen),
              (FormRect{60, 1000, 3000, 2000}));
    EXPECT_EQ(FitToScreen({14000, 1000, 3000, 2000}, 0, 0, kScreen),
              (FormRect{12300, 1000, 3000, 2000}));
    EXPECT_EQ(FitToScreen({500, 1000, 20000, 2000}, 0, 0, kScreen),
              (FormRect{60, 1000, 15240, 2000}));
    EXPECT_EQ(FitToScreen({500, -1, 3000, 12000}, 0, 0, kScreen), (FormRect{500, 60, 3000, 11400}));
    EXPECT_EQ(FitToScreen({500, 700, 3000, 2000}, 0, 0, kScreen), (FormRect{500, 700, 3000, 2000}));
}

TEST(FitToScreen, RaisesToTheMinimumBeforeFitting) {
    EXPECT_EQ(FitToScreen({14000, 500, 100, 100}, 4365, 4470, kScreen),
              (FormRect{10935, 500, 4365, 4470}));
}

TEST(FitToScreen, AScreenSmallerThanTheMinimumGivesASizeBelowIt) {
    const ScreenMeasures tiny{3000, 3000, 15, 15};
    const auto fitted = FitToScreen({0, 0, 100, 100}, 4365, 4470, tiny);
    ASSERT_TRUE(fitted);
    EXPECT_LT(fitted->width, 4365);
    EXPECT_LT(fitted->height, 4470);
}

TEST(FitToScreen, UsesEachDirectionsOwnMarginRoundedHalfToEven) {
    // 1440 / 168 twips per pixel: 4 pixels are 34.29 twips, 34 whole.
    const ScreenMeasures odd{1280 * 1440.0 / 168, 1024 * 1440.0 / 168, 1440.0 / 168, 10.125};
    const auto fitted = FitToScreen({0, 0, 100, 100}, 0, 0, odd);
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->left, 34);
    EXPECT_EQ(fitted->top, 40); // 40.5 goes to the even 40
}

TEST(FitToScreen, EdgeSumsBeyondThe32BitRangeFail) {
    const auto max = std::numeric_limits<std::int32_t>::max();
    EXPECT_FALSE(FitToScreen({max - 10, 100, 1000, 1000}, 0, 0, kScreen));
    EXPECT_FALSE(FitToScreen({100, 100, 1000, max}, 0, 0, kScreen));
}

TEST(WholeTwips, RoundsHalfToEvenAndRefusesTheUnrepresentable) {
    EXPECT_EQ(WholeTwips(2.5), 2);
    EXPECT_EQ(WholeTwips(3.5), 4);
    EXPECT_EQ(WholeTwips(-2.5), -2);
    EXPECT_FALSE(WholeTwips(3e9));
    EXPECT_FALSE(WholeTwips(std::numeric_limits<double>::quiet_NaN()));
}

} // namespace
} // namespace pellix
