#include "devices/virtual-scanner/core/page_format.h"

#include <gtest/gtest.h>

namespace pellix::vscan {
namespace {

struct SizeCase {
    PaperSize paper;
    int dpi;
    int width;
    int height;
};

TEST(PageFormat, PixelsFollowPaperAndResolution) {
    const SizeCase cases[] = {
        {kA4, 300, 2480, 3508},     {kA4, 100, 827, 1169},    {kA4, 600, 4961, 7016},
        {kLetter, 200, 1700, 2200}, {{40, 25}, 100, 157, 98}, {{40, 25}, 150, 236, 148},
    };
    for (const SizeCase& c : cases) {
        const PageFormat format = makePageFormat(c.paper, c.dpi, PixelKind::Color);
        EXPECT_EQ(format.width, c.width) << c.dpi << " dpi";
        EXPECT_EQ(format.height, c.height) << c.dpi << " dpi";
    }
}

struct StrideCase {
    PixelKind kind;
    int dpi;
    int bits;
    std::size_t packed;
    std::size_t padded;
};

TEST(PageFormat, RowBytesPerPixelKind) {
    const StrideCase cases[] = {
        {PixelKind::Color, 300, 24, 7440, 7440},   {PixelKind::Gray, 300, 8, 2480, 2480},
        {PixelKind::BlackWhite, 300, 1, 310, 312}, {PixelKind::Color, 100, 24, 2481, 2484},
        {PixelKind::Gray, 100, 8, 827, 828},       {PixelKind::BlackWhite, 100, 1, 104, 104},
    };
    for (const StrideCase& c : cases) {
        const PageFormat format = makePageFormat(kA4, c.dpi, c.kind);
        EXPECT_EQ(format.bitsPerPixel(), c.bits);
        EXPECT_EQ(format.packedRowBytes(), c.packed) << c.bits << " bits at " << c.dpi;
        EXPECT_EQ(format.paddedRowBytes(), c.padded) << c.bits << " bits at " << c.dpi;
    }
}

TEST(PageFormat, OfferedResolutionsOnly) {
    for (int dpi : {100, 150, 200, 300, 400, 600}) {
        EXPECT_TRUE(isOfferedResolution(dpi)) << dpi;
    }
    for (int dpi : {0, 72, 250, 1200, -300}) {
        EXPECT_FALSE(isOfferedResolution(dpi)) << dpi;
    }
}

} // namespace
} // namespace pellix::vscan
