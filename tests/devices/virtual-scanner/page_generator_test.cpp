// The platform-neutral core of the virtual scanner: page geometry and the
// drawn rows.
#include "devices/virtual-scanner/core/page_format.h"
#include "devices/virtual-scanner/core/page_generator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace pellix::vscan {
namespace {

constexpr PageStamp kMorning{2024, 3, 9, 8, 15, 0};

using Row = std::vector<std::uint8_t>;

TEST(PageFormat, PixelsAndRowBytesFollowPaperResolutionAndKind) {
    struct Case {
        PaperSize paper;
        int dpi;
        PixelKind kind;
        int width, height, bits;
        std::size_t packed, padded;
    };
    const Case cases[] = {
        {kA4, 300, PixelKind::Color, 2480, 3508, 24, 7440, 7440},
        {kA4, 300, PixelKind::BlackWhite, 2480, 3508, 1, 310, 312},
        {kA4, 100, PixelKind::Gray, 827, 1169, 8, 827, 828},
        {kA4, 600, PixelKind::Color, 4961, 7016, 24, 14883, 14884},
        {kLetter, 200, PixelKind::BlackWhite, 1700, 2200, 1, 213, 216},
        {{40, 25}, 150, PixelKind::Color, 236, 148, 24, 708, 708},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " px at " << c.dpi << " dpi");
        const PageFormat format = MakePageFormat(c.paper, c.dpi, c.kind);
        EXPECT_EQ(format.width, c.width);
        EXPECT_EQ(format.height, c.height);
        EXPECT_EQ(format.BitsPerPixel(), c.bits);
        EXPECT_EQ(format.PackedRowBytes(), c.packed);
        EXPECT_EQ(format.PaddedRowBytes(), c.padded);
    }
}

TEST(PageGenerator, RowLeavesPaddingAloneAndClearsUnusedBits) {
    // 157 pixels: the last byte of a 1-bit row has three unused bits.
    const PageGenerator page(MakePageFormat({40, 25}, 100, PixelKind::BlackWhite), kMorning);
    ASSERT_EQ(page.Format().PackedRowBytes(), 20u);
    for (int y = 0; y < page.Format().height; ++y) {
        Row row(page.Format().PaddedRowBytes(), 0xAB);
        page.RenderRow(y, row);
        ASSERT_EQ(row[19] & 0x07, 0) << "row " << y;
        ASSERT_EQ(Row(row.begin() + 20, row.end()), Row(row.size() - 20, 0xAB)) << "row " << y;
    }
}

} // namespace
} // namespace pellix::vscan
