// JPEG and GIF files from bitmap pages, read back with libjpeg and giflib.
#include "app/components/picture/gif_encoder.h"
#include "app/components/picture/picture_writer.h"

#include "tests/support/picture_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace pellix {
namespace {

using test::BmpLayout;
namespace fs = std::filesystem;

test::DecodedJpeg Jpeg(const BmpLayout& layout, int quality,
                       const test::PixelAt& pixel = test::Gradient) {
    const auto jpeg = test::DecodeJpeg(
        test::ConvertPage(layout, pixel, [quality](const fs::path& s, const fs::path& d) {
            return ConvertToJpeg(s, d, quality);
        }));
    EXPECT_TRUE(jpeg);
    return jpeg.value_or(test::DecodedJpeg{});
}

test::DecodedGif Gif(const BmpLayout& layout, const test::PixelAt& pixel = test::FewColours) {
    const auto gif = test::DecodeGif(test::ConvertPage(layout, pixel, ConvertToGif));
    EXPECT_TRUE(gif);
    return gif.value_or(test::DecodedGif{});
}

BmpLayout Layout(std::uint16_t bits, std::vector<RgbColour> palette = {}, int width = 48,
                 int height = 40) {
    BmpLayout l;
    l.bitCount = bits;
    l.palette = std::move(palette);
    l.width = width;
    l.height = height;
    return l;
}

std::vector<RgbColour> ColourPalette(int entries) {
    std::vector<RgbColour> palette;
    for (int i = 0; i < entries; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / (entries - 1));
        palette.push_back({v, 90, static_cast<std::uint8_t>(255 - v)});
    }
    return palette;
}

// Smooth content, so quality 100 keeps every pixel close.
std::uint32_t Smooth(std::int32_t x, std::int32_t y) {
    return (static_cast<std::uint32_t>(x * 4) << 16) | (static_cast<std::uint32_t>(y * 4) << 8) |
           static_cast<std::uint32_t>(128 + (x - y));
}

TEST(JpegOutput, EveryKindOfPageRoundTripsCloseWithTheRightComponents) {
    struct Page {
        const char* name;
        BmpLayout layout;
        test::PixelAt pixel;
        int components;
    };
    const auto wide = [](std::int32_t x, std::int32_t) {
        return std::uint32_t(x / 12);
    };
    const auto ramp = [](std::int32_t x, std::int32_t y) {
        return std::uint32_t(x * 3 + y * 2);
    };
    const auto checks = [](std::int32_t x, std::int32_t y) {
        return (x / 8 + y / 8) % 2u;
    };
    BmpLayout s565 = Layout(16), s24top = Layout(24), s32fields = Layout(32);
    BmpLayout core = Layout(8, test::GrayPalette(256));
    s565.bitFields = s32fields.bitFields = true;
    s565.masks = {0xf800, 0x07e0, 0x001f};
    s565.headerSize = 124;
    s32fields.masks = {0x0000ff, 0x00ff00, 0xff0000};
    s32fields.headerSize = 108;
    s24top.topDown = true;
    core.headerSize = 12;
    const Page pages[] = {
        {"black and white", Layout(1, {{0, 0, 0}, {255, 255, 255}}), checks, 1},
        {"black and white, coloured", Layout(1, {{0, 0, 160}, {255, 255, 200}}),
         [](std::int32_t x, std::int32_t) { return std::uint32_t(x / 24); }, 3},
        {"16 grays", Layout(4, test::GrayPalette(16)), wide, 1},
        {"16 colours", Layout(4, ColourPalette(16)), wide, 3},
        {"256 grays", Layout(8, test::GrayPalette(256)), ramp, 1},
        {"256 colours", Layout(8, ColourPalette(256)), wide, 3},
        {"16-bit 555", Layout(16), Smooth, 3},
        {"16-bit 565", s565, Smooth, 3},
        {"24-bit", Layout(24), Smooth, 3},
        {"24-bit top-down", s24top, Smooth, 3},
        {"32-bit", Layout(32), Smooth, 3},
        {"32-bit bit fields", s32fields, Smooth, 3},
        {"core header gray", core, ramp, 1},
    };
    for (const Page& page : pages) {
        SCOPED_TRACE(page.name);
        const test::DecodedJpeg jpeg = Jpeg(page.layout, 100, page.pixel);
        EXPECT_EQ(jpeg.width, page.layout.width);
        EXPECT_EQ(jpeg.height, page.layout.height);
        ASSERT_EQ(jpeg.components, page.components);
        EXPECT_TRUE(jpeg.jfif);
        // Quality 100 with 4:2:0 chroma: small average error, bounded worst.
        long total = 0;
        int worst = 0;
        for (std::int32_t y = 0; y < page.layout.height; ++y) {
            for (std::int32_t x = 0; x < page.layout.width; ++x) {
                const RgbColour want = test::StoredColour(page.layout, page.pixel, x, y);
                const std::size_t at = static_cast<std::size_t>(y * page.layout.width + x);
                const auto* got = &jpeg.pixels[at * page.components];
                const int error = page.components == 1 ? std::abs(got[0] - want.red)
                                                       : std::abs(got[0] - want.red) +
                                                             std::abs(got[1] - want.green) +
                                                             std::abs(got[2] - want.blue);
                total += error;
                worst = std::max(worst, error);
            }
        }
        const double mean = static_cast<double>(total) / (page.layout.width * page.layout.height);
        EXPECT_LT(mean, page.components == 1 ? 2.0 : 8.0);
        EXPECT_LT(worst, page.components == 1 ? 40 : 160);
    }
}

TEST(JpegOutput, QuantisationTablesAreLibjpegsOwnForTheClampedQuality) {
    const std::pair<int, int> qualities[] = {{1, 1},     {10, 10}, {50, 50}, {75, 75},  {90, 90},
                                             {100, 100}, {0, 1},   {-40, 1}, {250, 100}};
    for (const auto& [asked, used] : qualities) {
        SCOPED_TRACE(asked);
        EXPECT_EQ(Jpeg({}, asked).quantTables, test::ReferenceQuantTables(used, false));
        EXPECT_EQ(Jpeg(Layout(8, test::GrayPalette(256), 8, 8), asked).quantTables,
                  test::ReferenceQuantTables(used, true));
    }
}

TEST(JpegOutput, ResolutionBecomesTheDensity) {
    struct Case {
        std::int32_t x, y;
        std::uint32_t header;
        int unit, xDensity, yDensity;
    };
    const Case cases[] = {
        {11811, 23622, 40, 1, 300, 600}, // dots per inch
        {7874, 7874, 40, 1, 200, 200},   // 199.99 dpi rounds
        {0, 0, 40, 0, 1, 1},             // none: the square aspect
        {11811, 11811, 12, 0, 1, 1},     // a core header has no resolution
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " x " << c.y << ", header " << c.header);
        BmpLayout l;
        l.xPixelsPerMetre = c.x;
        l.yPixelsPerMetre = c.y;
        l.headerSize = c.header;
        const auto jpeg = Jpeg(l, 90);
        EXPECT_EQ(jpeg.densityUnit, c.unit);
        EXPECT_EQ(jpeg.xDensity, c.xDensity);
        EXPECT_EQ(jpeg.yDensity, c.yDensity);
    }
}

TEST(GifOutput, PalettePagesKeepTheirColoursAndIndicesExactly) {
    struct Case {
        const char* name;
        BmpLayout layout;
        test::PixelAt index;
        std::size_t mapSize; // a power of two
    };
    std::vector<RgbColour> sixteen = test::GrayPalette(16), all;
    sixteen[5] = {200, 10, 10};
    for (int i = 0; i < 256; ++i) {
        all.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3),
                       static_cast<std::uint8_t>(i * 7)});
    }
    BmpLayout topDown = Layout(8, all, 16, 16);
    topDown.topDown = true;
    const Case cases[] = {
        {"black and white", Layout(1, {{0, 0, 0}, {255, 255, 255}}, 37, 11),
         [](std::int32_t x, std::int32_t y) { return (x * y + x) % 3 == 0 ? 1u : 0u; }, 2},
        {"16 colours", Layout(4, sixteen, 21, 8),
         [](std::int32_t x, std::int32_t y) { return std::uint32_t(x + y) % 16; }, 16},
        {"3 colours", Layout(8, {{1, 2, 3}, {40, 50, 60}, {250, 0, 9}}, 8, 8),
         [](std::int32_t x, std::int32_t) { return std::uint32_t(x % 3); }, 4},
        {"256 colours top-down", topDown,
         [](std::int32_t x, std::int32_t y) { return std::uint32_t(y * 16 + x); }, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BmpLayout& l = c.layout;
        const auto gif = Gif(l, c.index);
        ASSERT_EQ(gif.width, l.width);
        ASSERT_EQ(gif.height, l.height);
        ASSERT_EQ(gif.colours.size(), c.mapSize);
        for (std::size_t i = 0; i < l.palette.size(); ++i) {
            EXPECT_EQ(gif.colours[i], l.palette[i]) << i;
        }
        for (std::int32_t y = 0; y < l.height; ++y) {
            for (std::int32_t x = 0; x < l.width; ++x) {
                ASSERT_EQ(gif.indices[static_cast<std::size_t>(y * l.width + x)], c.index(x, y));
            }
        }
    }
}

TEST(GifOutput, TrueColourPagesStayExactWithFewColoursAndCloseWithMany) {
    for (const std::uint16_t bits : {16, 24, 32}) {
        SCOPED_TRACE(bits);
        if (bits != 16) {
            const BmpLayout l = Layout(bits, {}, 40, 24);
            const auto gif = Gif(l);
            for (std::int32_t y = 0; y < l.height; ++y) {
                for (std::int32_t x = 0; x < l.width; ++x) {
                    ASSERT_EQ(gif.At(x, y), test::Unpack(test::FewColours(x, y)));
                }
            }
        }
        const BmpLayout l = Layout(bits, {}, 128, 96);
        const auto gif = Gif(l, test::Gradient);
        ASSERT_LE(gif.colours.size(), 256u);
        double squares = 0;
        for (std::int32_t y = 0; y < l.height; ++y) {
            for (std::int32_t x = 0; x < l.width; ++x) {
                const RgbColour want = test::StoredColour(l, test::Gradient, x, y);
                const RgbColour got = gif.At(x, y);
                squares += std::pow(got.red - want.red, 2) + std::pow(got.green - want.green, 2) +
                           std::pow(got.blue - want.blue, 2);
            }
        }
        const double psnr = 10 * std::log10(255.0 * 255.0 * 3 * l.width * l.height / squares);
        // Colours spread through the whole cube: ImageMagick's -colors 256
        // reaches 24.6 dB here; a broken quantizer or mapper falls far below.
        EXPECT_GT(psnr, 24.0);
    }

    // A flat gray beside a gradient of far more than 256 colours keeps its
    // average.
    const auto gif = Gif(Layout(24, {}, 64, 64), [](std::int32_t x, std::int32_t y) {
        return x < 32 ? 0x808080u : test::Gradient(x, y);
    });
    double sum = 0;
    for (std::int32_t y = 0; y < 64; ++y) {
        for (std::int32_t x = 0; x < 32; ++x) {
            sum += gif.At(x, y).green;
        }
    }
    EXPECT_NEAR(sum / (32 * 64), 128.0, 2.0);
}

TEST(GifOutput, UnequalResolutionsBecomeThePixelAspect) {
    BmpLayout l;
    EXPECT_EQ(Gif(l).aspectByte, 0) << "unknown";
    l.xPixelsPerMetre = l.yPixelsPerMetre = 11811;
    EXPECT_EQ(Gif(l).aspectByte, 0) << "equal";
    l.yPixelsPerMetre = 23622; // 600 dpi down: pixels twice as wide as high
    EXPECT_EQ(Gif(l).aspectByte, 113);

    EXPECT_EQ(GifAspectByte(1000, 1000), 0);
    EXPECT_EQ(GifAspectByte(0, 1000), 0);
    EXPECT_EQ(GifAspectByte(2000, 1000), 17);   // 0.5 * 64 - 15
    EXPECT_EQ(GifAspectByte(1000, 8000), 255);  // 8:1 lies past the largest, 270 / 64
    EXPECT_EQ(GifAspectByte(1000000, 1000), 1); // far below the smallest
}

} // namespace
} // namespace pellix
