// Bitmaps in, JPEG and GIF out: every bitmap layout reads back the pixels it
// holds, damaged and unsupported files are refused with a reason, a
// scanner's rows take their place in a bitmap file, and the encoders' output,
// read back with libjpeg and giflib, matches the page as the reader reads it.
#include "app/components/picture/bmp_reader.h"
#include "app/components/picture/dib_file.h"
#include "app/components/picture/gif_encoder.h"
#include "app/components/picture/jpeg_encoder.h"

#include "tests/support/picture_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pellix {
namespace {

using test::BmpLayout;
using Bytes = std::vector<std::uint8_t>;
using Format = BmpImage::RowFormat;

struct Memory final : ByteSink {
    bool Write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    Bytes bytes;
};

// A page built and read, and what the encoders make of it.
struct Page {
    Page(const BmpLayout& layout, const test::PixelAt& pixel)
        : file(test::BuildBmp(layout, pixel)),
          image(BmpImage::Read(file.data(), file.size(), why).value()) {}
    RgbColour At(std::int32_t x, std::int32_t y) const {
        Bytes row(image.Width() * 3u);
        image.RowToRgb(y, row.data());
        return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    }
    test::DecodedJpeg Jpeg(int quality) const {
        Memory out;
        EXPECT_EQ(EncodeJpeg(image, quality, out).status, EncodeOutcome::Status::Done);
        return test::DecodeJpeg(out.bytes).value_or(test::DecodedJpeg{});
    }
    test::DecodedGif Gif() const {
        Memory out;
        EXPECT_EQ(EncodeGif(image, out).status, EncodeOutcome::Status::Done);
        return test::DecodeGif(out.bytes).value_or(test::DecodedGif{});
    }
    std::string why;
    Bytes file;
    BmpImage image;
};

// Eight colours with every channel full or empty: exact in every bit-field layout.
std::uint32_t Primary(std::int32_t x, std::int32_t y) {
    const int i = (x * 3 + y) % 8;
    return (i & 4 ? 0xff0000u : 0) | (i & 2 ? 0x00ff00u : 0) | (i & 1 ? 0x0000ffu : 0);
}

// Colours changing by steps across the page, 120 of them at most.
std::uint32_t Steps(std::int32_t x, std::int32_t y) {
    return std::uint32_t(x / 4 * 20 << 16 | y / 4 * 24 << 8 | 128);
}

TEST(BmpReader, EveryLayoutReadsBackThePixelsItHolds) {
    const std::array<std::uint32_t, 3> m565{0xf800, 0x07e0, 0x001f};
    const std::pair<BmpLayout, Format> kinds[] = {
        {{.width = 5, .height = 4}, Format::Bgr}, // rows padded
        {{.width = 3, .height = 5, .topDown = true}, Format::Bgr},
        {{.headerSize = 12}, Format::Bgr},
        {{.gap = 37}, Format::Bgr}, // the pixels start where the file header says
        {{.bitCount = 32}, Format::Bgrx},
        {{.bitCount = 32, .masks = {0xff0000, 0xff00, 0xff}}, Format::Bgrx},
        {{.bitCount = 32, .masks = {0xff, 0xff00, 0xff0000}}, Format::Masked},
        {{.width = 7, .bitCount = 16}, Format::Masked}, // 5-5-5
        {{.bitCount = 16, .masks = m565}, Format::Masked},
        {{.bitCount = 16, .headerSize = 124, .masks = m565}, Format::Masked},
        {{.width = 13, .height = 3, .bitCount = 1, .palette = {{0, 0, 160}, {255, 255, 200}}},
         Format::Indexed},
        {{.width = 13, .height = 3, .bitCount = 4, .palette = test::GrayPalette(16)},
         Format::Indexed},
        {{.width = 13, .bitCount = 8, .palette = {{1, 2, 3}, {200, 100, 50}, {9, 8, 7}}},
         Format::Indexed}, // indices past the table
        {{.bitCount = 8, .headerSize = 12, .palette = test::GrayPalette(256)}, Format::Indexed},
    };
    for (const auto& [l, format] : kinds) {
        SCOPED_TRACE(testing::Message() << l.bitCount << " bits, " << l.width << " wide");
        const auto entries = static_cast<std::uint32_t>(l.palette.size());
        const auto pixel = [&l](std::int32_t x, std::int32_t y) {
            return l.palette.empty() ? Primary(x, y) : (x * 3u + y * 5u) % (1u << l.bitCount);
        };
        const Page page(l, pixel);
        EXPECT_EQ(page.image.Format(), format);
        EXPECT_EQ(std::tuple(page.image.Width(), page.image.Height()),
                  std::tuple(l.width, l.height));
        Bytes indices(l.width);
        for (std::int32_t y = 0; y < l.height; ++y) {
            page.image.RowToIndices(y, indices.data());
            for (std::int32_t x = 0; x < l.width; ++x) {
                const std::uint32_t v = pixel(x, y), index = v < entries ? v : 0;
                // An index past the colour table reads as the first colour.
                const RgbColour colour{std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                                       std::uint8_t(v)};
                ASSERT_EQ(page.At(x, y), entries ? l.palette[index] : colour) << x << "," << y;
                ASSERT_TRUE(!entries || indices[x] == index) << x << "," << y;
            }
        }
    }
}

TEST(BmpReader, DamagedAndUnsupportedFilesAreRefusedWithAReason) {
    std::string why;
    const BmpLayout rgb, gray{.bitCount = 8, .palette = test::GrayPalette(256)},
        gray4{.bitCount = 4, .palette = test::GrayPalette(16)},
        rgb565{.bitCount = 16, .masks = {0xf800, 0x07e0, 0x001f}};
    const std::uint32_t grayEnd = 14 + 40 + 1024 + 64, rgbEnd = 14 + 40 + 8 * 24,
                        bm = 'B' | 'M' << 8;
    // The layout, a 32-bit value put at a byte offset, the length kept (0: all).
    const std::tuple<const BmpLayout&, std::size_t, std::uint32_t, std::size_t, const char*>
        refused[] = {
            {rgb, 0, 0, 13, "too short for a bitmap"},
            {rgb, 0, 'P' | 'M' << 8, 0, "does not start like a bitmap"},
            {rgb, 0, bm, 40, "ends inside its header"},
            {rgb, 0, bm, rgbEnd - 1, "shorter than its header says"},
            {rgb, 14, 64, 0, "unknown size"}, // an OS/2 2.x header
            {rgb, test::kWidthField, 0, 0, "no valid width or height"},
            {rgb, test::kHeightField, 0x80000000, 0, "no valid width or height"},
            {rgb, test::kWidthField, 0x7fffffff, 0, "too large for a bitmap file"},
            {rgb, test::kBitCountField, 2, 0, "unsupported number of bits per pixel"},
            {gray, test::kPixelOffsetField, 14 + 40 + 100, 0, "start inside its headers"},
            {gray, test::kPixelOffsetField, grayEnd + 1, 0, "past the end"},
            {gray, test::kPixelOffsetField, grayEnd - 10, 0, "ends before its last row"},
            {gray, test::kCompressionField, 1, 0, "run lengths (RLE)"},
            {gray, test::kCompressionField, 5, 0, "PNG picture inside"},
            {gray, test::kCompressionField, 11, 0, "compression that is not supported"},
            {gray4, 46, 17, 0, "larger than its pixels can use"},
            {rgb565, 62, 0, 0, "empty or wider than its pixels"},
            {rgb565, 58, 0x05e0, 0, "not contiguous"},
            {rgb565, 58, 0x0fe0, 0, "overlap"},
        };
    for (const auto& [layout, at, value, size, reason] : refused) {
        SCOPED_TRACE(reason);
        Bytes file = test::BuildBmp(layout, [](std::int32_t, std::int32_t) { return 0u; });
        test::Put32(file, at, value);
        file.resize(size ? size : file.size());
        EXPECT_FALSE(BmpImage::Read(file.data(), file.size(), why));
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
}

// Rows of a memory transfer arrive top-down and go bottom-up into the file,
// as BGR padded to four bytes.
TEST(DibFile, ScannerRowsGoBottomUpAsPaddedBgr) {
    std::string why;
    const auto strips = BmpStripLayout::Make(BmpStripLayout::Kind::Rgb, 3, 4, 200, 100, {}, why);
    ASSERT_TRUE(strips) << why;
    const std::uint8_t rgb[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    Bytes out(12, 0xee);
    EXPECT_EQ(strips->ConvertRow(1, rgb, 9, out.data()), 54u + 2 * 12);
    EXPECT_EQ(out, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));
    EXPECT_FALSE(strips->ConvertRow(1, rgb, 8, out.data())) << "a row short of its pixels";
}

TEST(PictureOutput, EveryKindOfPageGivesACloseJpegAndAnExactGif) {
    // Each kind of page with the number of components its JPEG has.
    const std::pair<BmpLayout, int> pages[] = {
        {{.bitCount = 1, .palette = {{0, 0, 0}, {255, 255, 255}}}, 1},
        {{.bitCount = 4, .palette = test::GrayPalette(16)}, 1},
        {{.bitCount = 8, .palette = test::GrayPalette(256)}, 1},
        {{.bitCount = 8,
          .topDown = true,
          .palette = {{200, 120, 90}, {90, 110, 160}, {40, 50, 60}}},
         3},
        {{.bitCount = 16, .masks = {0xf800, 0x07e0, 0x001f}}, 3},
        {{.bitCount = 32}, 3},
        {{}, 3}, // 228 grays one level apart: exact only when kept as they are
    };
    for (auto [l, components] : pages) {
        SCOPED_TRACE(testing::Message() << l.bitCount << " bits, " << l.palette.size());
        l.width = 48;
        l.height = 40;
        const Page page(l, [&l](std::int32_t x, std::int32_t y) {
            const auto entries = static_cast<std::uint32_t>(l.palette.size());
            return entries            ? (x / 16u + y / 16u) % entries
                   : l.bitCount == 24 ? (x * 4u + y) * 0x010101u
                                      : Steps(x, y);
        });
        const test::DecodedJpeg jpeg = page.Jpeg(100);
        const test::DecodedGif gif = page.Gif();
        ASSERT_EQ(std::tuple(jpeg.width, jpeg.height, jpeg.components),
                  std::tuple(l.width, l.height, components));
        ASSERT_EQ(std::tuple(gif.width, gif.height), std::tuple(l.width, l.height));
        // Quality 100 with 4:2:0 chroma: a small average error, a bounded worst.
        int total = 0, worst = 0;
        for (std::int32_t y = 0; y < l.height; ++y) {
            for (std::int32_t x = 0; x < l.width; ++x) {
                const RgbColour want = page.At(x, y);
                ASSERT_EQ(gif.At(x, y), want) << x << "," << y;
                const std::uint8_t* got = &jpeg.pixels[(y * l.width + x) * 3];
                const int error = std::abs(got[0] - want.red) + std::abs(got[1] - want.green) +
                                  std::abs(got[2] - want.blue);
                total += error;
                worst = std::max(worst, error);
            }
        }
        EXPECT_LT(total / double(l.width * l.height), components == 1 ? 6.0 : 8.0);
        EXPECT_LT(worst, components == 1 ? 120 : 160);
    }
}

TEST(PictureOutput, ManyColoursMakeACloseGif) {
    const Page page({.width = 128, .height = 96}, [](std::int32_t x, std::int32_t y) {
        return std::uint32_t((x * 7 + y * 3) % 256 << 16 | (y * 5 + 40) % 256 << 8 |
                             (x * 2 + y * 2 + 90) % 256);
    });
    const test::DecodedGif gif = page.Gif();
    double squares = 0;
    for (std::int32_t y = 0; y < 96; ++y) {
        for (std::int32_t x = 0; x < 128; ++x) {
            const RgbColour got = gif.At(x, y), want = page.At(x, y);
            squares += std::pow(got.red - want.red, 2) + std::pow(got.green - want.green, 2) +
                       std::pow(got.blue - want.blue, 2);
        }
    }
    // Colours spread through the whole cube: ImageMagick's -colors 256
    // reaches 24.6 dB here; a broken quantizer or mapper falls far below.
    EXPECT_GT(10 * std::log10(255.0 * 255.0 * 3 * 128 * 96 / squares), 24.0);
}

TEST(PictureOutput, JpegQuantisationTablesAreLibjpegsOwnForTheClampedQuality) {
    const Page colour({}, Steps);
    const std::pair<int, int> qualities[] = {{1, 1},     {10, 10}, {50, 50}, {90, 90},
                                             {100, 100}, {0, 1},   {-40, 1}, {250, 100}};
    for (const auto& [asked, used] : qualities) {
        SCOPED_TRACE(asked);
        EXPECT_EQ(colour.Jpeg(asked).quantTables, test::ReferenceQuantTables(used, false));
    }
}

TEST(PictureOutput, TheResolutionGoesIntoBothFormats) {
    const Page page({.xPixelsPerMetre = 11811, .yPixelsPerMetre = 23622}, Steps); // 300 by 600 dpi
    const auto jpeg = page.Jpeg(90);
    EXPECT_EQ(std::tuple(jpeg.densityUnit, jpeg.xDensity, jpeg.yDensity), std::tuple(1, 300, 600));
    EXPECT_EQ(page.Gif().aspectByte, 113) << "pixels twice as wide as high";
}

} // namespace
} // namespace pellix
