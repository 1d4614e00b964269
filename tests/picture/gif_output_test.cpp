// GIF files from bitmap pages, read back with giflib: palette pages keep
// their colours and indices exactly, true-colour pages with few colours stay
// exact, pages with many colours come out close, and unequal resolutions
// become the pixel aspect ratio.
#include "app/components/gif_encoder.h"
#include "app/components/picture_writer.h"

#include "tests/picture/bmp_builder.h"
#include "tests/picture/picture_decoders.h"
#include "tests/picture/test_files.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pellix {
namespace {

using test::BmpLayout;

test::DecodedGif Convert(const BmpLayout& layout, const test::PixelAt& pixel) {
    test::TestFolder folder;
    test::WriteFile(folder / "page.bmp", test::BuildBmp(layout, pixel));
    const PictureResult result = ConvertToGif(folder / "page.bmp", folder / "page.gif");
    EXPECT_TRUE(result.Ok()) << result.message;
    auto gif = test::DecodeGif(test::ReadFile(folder / "page.gif"));
    EXPECT_TRUE(gif);
    return gif.value_or(test::DecodedGif{});
}

void ExpectExactPalettePage(const BmpLayout& l, const test::PixelAt& pixel, std::size_t mapSize) {
    const auto gif = Convert(l, pixel);
    ASSERT_EQ(gif.width, l.width);
    ASSERT_EQ(gif.height, l.height);
    ASSERT_EQ(gif.colours.size(), mapSize);
    for (std::size_t i = 0; i < l.palette.size(); ++i) {
        EXPECT_EQ(gif.colours[i], l.palette[i]) << i;
    }
    for (std::int32_t y = 0; y < l.height; ++y) {
        for (std::int32_t x = 0; x < l.width; ++x) {
            ASSERT_EQ(gif.indices[static_cast<std::size_t>(y * l.width + x)], pixel(x, y));
        }
    }
}

TEST(GifPalettePages, BlackAndWhiteGivesTwoColours) {
    BmpLayout l;
    l.bitCount = 1;
    l.width = 37;
    l.height = 11;
    l.palette = {{0, 0, 0}, {255, 255, 255}};
    ExpectExactPalettePage(
        l, [](std::int32_t x, std::int32_t y) { return (x * y + x) % 3 == 0 ? 1u : 0u; }, 2);
}

TEST(GifPalettePages, SixteenColoursKeepTheirTable) {
    BmpLayout l;
    l.bitCount = 4;
    l.width = 21;
    l.palette = test::GrayPalette(16);
    l.palette[5] = {200, 10, 10};
    ExpectExactPalettePage(
        l, [](std::int32_t x, std::int32_t y) { return static_cast<std::uint32_t>((x + y) % 16); },
        16);
}

TEST(GifPalettePages, TableSizeRoundsUpToAPowerOfTwo) {
    BmpLayout l;
    l.bitCount = 8;
    l.palette = {{1, 2, 3}, {40, 50, 60}, {250, 0, 9}};
    ExpectExactPalettePage(
        l, [](std::int32_t x, std::int32_t) { return static_cast<std::uint32_t>(x % 3); }, 4);
}

TEST(GifPalettePages, TopDownTwoHundredFiftySixColours) {
    BmpLayout l;
    l.bitCount = 8;
    l.topDown = true;
    l.width = 16;
    l.height = 16;
    for (int i = 0; i < 256; ++i) {
        l.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3),
                             static_cast<std::uint8_t>(i * 7)});
    }
    ExpectExactPalettePage(
        l, [](std::int32_t x, std::int32_t y) { return static_cast<std::uint32_t>(y * 16 + x); },
        256);
}

TEST(GifTrueColour, FewColoursStayExact) {
    for (const std::uint16_t bits : {24, 32}) {
        BmpLayout l;
        l.bitCount = bits;
        l.width = 40;
        l.height = 24;
        const auto gif = Convert(l, test::FewColours);
        for (std::int32_t y = 0; y < l.height; ++y) {
            for (std::int32_t x = 0; x < l.width; ++x) {
                ASSERT_EQ(gif.At(x, y), test::Unpack(test::FewColours(x, y)));
            }
        }
    }
}

TEST(GifTrueColour, ManyColoursComeOutClose) {
    for (const std::uint16_t bits : {16, 24, 32}) {
        SCOPED_TRACE(bits);
        BmpLayout l;
        l.bitCount = bits;
        l.width = 128;
        l.height = 96;
        const auto gif = Convert(l, test::Gradient);
        ASSERT_LE(gif.colours.size(), 256u);
        double squares = 0;
        for (std::int32_t y = 0; y < l.height; ++y) {
            for (std::int32_t x = 0; x < l.width; ++x) {
                const RgbColour want = test::StoredColour(l, test::Gradient(x, y));
                const RgbColour got = gif.At(x, y);
                squares += std::pow(got.red - want.red, 2) + std::pow(got.green - want.green, 2) +
                           std::pow(got.blue - want.blue, 2);
            }
        }
        const double mse = squares / (3.0 * l.width * l.height);
        const double psnr = 10 * std::log10(255.0 * 255.0 / mse);
        // Colours spread through the whole cube: ImageMagick's -colors 256
        // reaches 24.6 dB here; a broken quantizer or mapper falls far below.
        EXPECT_GT(psnr, 24.0);
    }
}

TEST(GifTrueColour, FlatAreaKeepsItsAverage) {
    // A flat gray beside a gradient of far more than 256 colours.
    BmpLayout l;
    l.width = 64;
    l.height = 64;
    const auto pixel = [](std::int32_t x, std::int32_t y) -> std::uint32_t {
        return x < 32 ? 0x808080u : test::Gradient(x, y);
    };
    const auto gif = Convert(l, pixel);
    double sum = 0;
    for (std::int32_t y = 0; y < 64; ++y) {
        for (std::int32_t x = 0; x < 32; ++x) {
            sum += gif.At(x, y).green;
        }
    }
    EXPECT_NEAR(sum / (32 * 64), 128.0, 2.0);
}

TEST(GifAspect, EqualOrUnknownResolutionLeavesItOut) {
    BmpLayout l;
    l.xPixelsPerMetre = l.yPixelsPerMetre = 11811;
    EXPECT_EQ(Convert(l, test::FewColours).aspectByte, 0);
    EXPECT_EQ(Convert({}, test::FewColours).aspectByte, 0);
}

TEST(GifAspect, UnequalResolutionSetsIt) {
    BmpLayout l;
    l.xPixelsPerMetre = 11811; // 300 dpi across
    l.yPixelsPerMetre = 23622; // 600 dpi down: pixels twice as wide as high
    EXPECT_EQ(Convert(l, test::FewColours).aspectByte, 113);
}

TEST(GifAspect, ByteFollowsTheGifFormula) {
    EXPECT_EQ(GifAspectByte(1000, 1000), 0);
    EXPECT_EQ(GifAspectByte(0, 1000), 0);
    EXPECT_EQ(GifAspectByte(2000, 1000), 17);   // 0.5 * 64 - 15
    EXPECT_EQ(GifAspectByte(1000, 8000), 255);  // 8:1 lies past the largest, 270 / 64
    EXPECT_EQ(GifAspectByte(1000000, 1000), 1); // far below the smallest
}

} // namespace
} // namespace pellix
