#include "app/mainwindow/drawn_icons.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pellix {
namespace {

TEST(DrawnIcons, EverySizeHasATransparentCornerAnOpaqueMiddleAndPremultipliedColours) {
    for (const DrawnIcon icon : {DrawnIcon::Save, DrawnIcon::SaveAs, DrawnIcon::Scan,
                                 DrawnIcon::Options, DrawnIcon::Program}) {
        for (const int size : {16, 20, 24, 32, 40, 48, 64}) {
            SCOPED_TRACE(testing::Message() << int(icon) << " at " << size);
            const IconImage image = DrawIcon(icon, size);
            ASSERT_EQ(image.bgra.size(), std::size_t(size) * size * 4);
            EXPECT_EQ(image.Alpha(0, 0), 0);
            EXPECT_EQ(image.Alpha(size - 1, 0), 0);
            EXPECT_EQ(image.Alpha(size / 2, size * 3 / 4), 255);
            for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
                ASSERT_LE(std::max(image.bgra[i], image.bgra[i + 2]), image.bgra[i + 3]);
            }
        }
    }
}

} // namespace
} // namespace pellix
