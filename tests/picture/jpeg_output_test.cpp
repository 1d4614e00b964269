// JPEG files from bitmap pages, read back with libjpeg: the right number of
// components for gray, black-and-white and colour pages, pixels close to the
// page, libjpeg's own quantisation tables for the quality asked, and the
// page's resolution in the JFIF header.
#include "app/components/picture_writer.h"

#include "tests/picture/bmp_builder.h"
#include "tests/picture/picture_decoders.h"
#include "tests/picture/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace pellix {
namespace {

using test::BmpLayout;

struct PageCase {
    const char* name;
    BmpLayout layout;
    test::PixelAt pixel;
    int components;
};

// A page's colour at x, y as the file holds it.
RgbColour Expected(const PageCase& page, std::int32_t x, std::int32_t y) {
    const std::uint32_t v = page.pixel(x, y);
    if (page.layout.bitCount <= 8) {
        return page.layout.palette[v];
    }
    return test::StoredColour(page.layout, v);
}

// Smooth content, so quality 100 keeps every pixel close.
std::uint32_t Smooth(std::int32_t x, std::int32_t y) {
    return (static_cast<std::uint32_t>(x * 4) << 16) | (static_cast<std::uint32_t>(y * 4) << 8) |
           static_cast<std::uint32_t>(128 + (x - y));
}

std::vector<RgbColour> ColourPalette(int entries) {
    std::vector<RgbColour> palette;
    for (int i = 0; i < entries; ++i) {
        palette.push_back({static_cast<std::uint8_t>(i * 255 / (entries - 1)), 90,
                           static_cast<std::uint8_t>(255 - i * 255 / (entries - 1))});
    }
    return palette;
}

std::vector<PageCase> Pages() {
    const int w = 48;
    const int h = 40;
    std::vector<PageCase> pages;
    auto add = [&](const char* name, BmpLayout l, test::PixelAt pixel, int components) {
        l.width = w;
        l.height = h;
        pages.push_back({name, std::move(l), std::move(pixel), components});
    };
    const auto wide = [](std::int32_t x, std::int32_t) {
        return static_cast<std::uint32_t>(x / 12);
    };
    const auto ramp = [](std::int32_t x, std::int32_t y) {
        return static_cast<std::uint32_t>((x * 3 + y * 2) % 256);
    };
    BmpLayout l;
    l.bitCount = 1;
    l.palette = {{0, 0, 0}, {255, 255, 255}};
    add(
        "black and white", l, [](std::int32_t x, std::int32_t y) { return (x / 8 + y / 8) % 2u; },
        1);
    l.bitCount = 4;
    l.palette = test::GrayPalette(16);
    add("16 grays", l, wide, 1);
    l.palette = ColourPalette(16);
    add("16 colours", l, wide, 3);
    l.bitCount = 8;
    l.palette = test::GrayPalette(256);
    add("256 grays", l, ramp, 1);
    l.palette = ColourPalette(256);
    add("256 colours", l, wide, 3);
    l = {};
    l.bitCount = 16;
    add("16-bit 555", l, Smooth, 3);
    l.bitFields = true;
    l.masks = {0xf800, 0x07e0, 0x001f};
    l.headerSize = 124;
    add("16-bit 565", l, Smooth, 3);
    l = {};
    add("24-bit", l, Smooth, 3);
    l.topDown = true;
    add("24-bit top-down", l, Smooth, 3);
    l = {};
    l.bitCount = 32;
    add("32-bit", l, Smooth, 3);
    l.bitFields = true;
    l.masks = {0x0000ff, 0x00ff00, 0xff0000};
    l.headerSize = 108;
    add("32-bit bit fields", l, Smooth, 3);
    l = {};
    l.headerSize = 12;
    l.bitCount = 8;
    l.palette = test::GrayPalette(256);
    add("core header gray", l, ramp, 1);
    return pages;
}

void PrintTo(const PageCase& page, std::ostream* out) {
    *out << page.name;
}

class JpegPages : public ::testing::TestWithParam<PageCase> {};

TEST_P(JpegPages, RoundTripStaysCloseToThePage) {
    const PageCase& page = GetParam();
    test::TestFolder folder;
    test::WriteFile(folder / "page.bmp", test::BuildBmp(page.layout, page.pixel));
    const PictureResult result = ConvertToJpeg(folder / "page.bmp", folder / "page.jpg", 100);
    ASSERT_TRUE(result.Ok()) << result.message;

    const auto jpeg = test::DecodeJpeg(test::ReadFile(folder / "page.jpg"));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->width, page.layout.width);
    EXPECT_EQ(jpeg->height, page.layout.height);
    ASSERT_EQ(jpeg->components, page.components);
    EXPECT_TRUE(jpeg->jfif);

    // Quality 100 with 4:2:0 chroma: small average error, bounded worst case.
    long total = 0;
    int worst = 0;
    for (std::int32_t y = 0; y < page.layout.height; ++y) {
        for (std::int32_t x = 0; x < page.layout.width; ++x) {
            const RgbColour want = Expected(page, x, y);
            const std::size_t at = static_cast<std::size_t>(y * page.layout.width + x);
            int error;
            if (page.components == 1) {
                error = std::abs(jpeg->pixels[at] - want.red);
            } else {
                error = std::abs(jpeg->pixels[3 * at] - want.red) +
                        std::abs(jpeg->pixels[3 * at + 1] - want.green) +
                        std::abs(jpeg->pixels[3 * at + 2] - want.blue);
            }
            total += error;
            worst = std::max(worst, error);
        }
    }
    const double mean = static_cast<double>(total) / (page.layout.width * page.layout.height);
    EXPECT_LT(mean, page.components == 1 ? 2.0 : 8.0);
    EXPECT_LT(worst, page.components == 1 ? 40 : 160);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegPages, ::testing::ValuesIn(Pages()),
                         [](const ::testing::TestParamInfo<PageCase>& param) {
                             std::string name = param.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

test::DecodedJpeg Convert(const BmpLayout& layout, int quality,
                          test::PixelAt pixel = test::Gradient) {
    test::TestFolder folder;
    test::WriteFile(folder / "page.bmp", test::BuildBmp(layout, pixel));
    const PictureResult result = ConvertToJpeg(folder / "page.bmp", folder / "page.jpg", quality);
    EXPECT_TRUE(result.Ok()) << result.message;
    auto jpeg = test::DecodeJpeg(test::ReadFile(folder / "page.jpg"));
    EXPECT_TRUE(jpeg);
    return jpeg.value_or(test::DecodedJpeg{});
}

TEST(JpegQuality, TablesAreLibjpegsOwnForTheQuality) {
    for (const int quality : {1, 10, 50, 75, 90, 100}) {
        SCOPED_TRACE(quality);
        EXPECT_EQ(Convert({}, quality).quantTables, test::ReferenceQuantTables(quality, false));
        BmpLayout gray;
        gray.bitCount = 8;
        gray.palette = test::GrayPalette(256);
        EXPECT_EQ(Convert(gray, quality).quantTables, test::ReferenceQuantTables(quality, true));
    }
}

TEST(JpegQuality, OutOfRangeQualityIsClamped) {
    EXPECT_EQ(Convert({}, 0).quantTables, test::ReferenceQuantTables(1, false));
    EXPECT_EQ(Convert({}, -40).quantTables, test::ReferenceQuantTables(1, false));
    EXPECT_EQ(Convert({}, 250).quantTables, test::ReferenceQuantTables(100, false));
}

TEST(JpegDensity, ResolutionBecomesDotsPerInch) {
    BmpLayout l;
    l.xPixelsPerMetre = 11811; // 300 dpi
    l.yPixelsPerMetre = 23622; // 600 dpi
    const auto jpeg = Convert(l, 90);
    EXPECT_EQ(jpeg.densityUnit, 1);
    EXPECT_EQ(jpeg.xDensity, 300);
    EXPECT_EQ(jpeg.yDensity, 600);
}

TEST(JpegDensity, OddResolutionsRound) {
    BmpLayout l;
    l.xPixelsPerMetre = 7874; // 199.99 dpi
    l.yPixelsPerMetre = 7874;
    const auto jpeg = Convert(l, 90);
    EXPECT_EQ(jpeg.xDensity, 200);
    EXPECT_EQ(jpeg.yDensity, 200);
}

TEST(JpegDensity, NoResolutionKeepsTheSquareAspect) {
    const auto jpeg = Convert({}, 90);
    EXPECT_EQ(jpeg.densityUnit, 0);
    EXPECT_EQ(jpeg.xDensity, 1);
    EXPECT_EQ(jpeg.yDensity, 1);
}

TEST(JpegDensity, CoreHeaderPagesHaveNoResolution) {
    BmpLayout l;
    l.headerSize = 12;
    EXPECT_EQ(Convert(l, 90).densityUnit, 0);
}

TEST(JpegComponents, BlackAndWhiteWithColouredPaletteIsColour) {
    BmpLayout l;
    l.bitCount = 1;
    l.palette = {{0, 0, 160}, {255, 255, 200}};
    EXPECT_EQ(Convert(l, 90, [](std::int32_t x, std::int32_t) { return x % 2u; }).components, 3);
}

} // namespace
} // namespace pellix
