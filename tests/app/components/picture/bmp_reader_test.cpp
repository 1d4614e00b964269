// The bitmap reader: every supported layout reads back the colours that were
// written, rows come top-down whatever the storage order, and every kind of
// damaged or unsupported file is refused with a reason.
#include "app/components/picture/bmp_reader.h"

#include "tests/support/picture_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace pellix {
namespace {

using test::BmpLayout;
using test::BuildBmp;

// A built file with the image read from it, which points into its bytes.
struct Loaded {
    std::vector<std::uint8_t> file;
    std::optional<BmpImage> image;
    const BmpImage* operator->() const { return &*image; }
};

Loaded Load(const BmpLayout& layout, const test::PixelAt& pixel) {
    Loaded loaded{BuildBmp(layout, pixel), std::nullopt};
    std::string why;
    loaded.image = BmpImage::Read(loaded.file.data(), loaded.file.size(), why);
    EXPECT_TRUE(loaded.image.has_value()) << why;
    return loaded;
}

RgbColour RgbAt(const BmpImage& image, std::int32_t x, std::int32_t y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.Width()) * 3);
    image.RowToRgb(y, row.data());
    return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

BmpLayout Layout(std::uint16_t bits, std::int32_t width = 8, std::int32_t height = 8) {
    BmpLayout l;
    l.bitCount = bits;
    l.width = width;
    l.height = height;
    return l;
}

BmpLayout Fields(BmpLayout l, std::array<std::uint32_t, 3> masks, std::uint32_t header = 40) {
    l.bitFields = true;
    l.masks = masks;
    l.headerSize = header;
    return l;
}

std::vector<RgbColour> Coloured(int entries) {
    std::vector<RgbColour> palette;
    for (int i = 0; i < entries; ++i) {
        palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 7)});
    }
    return palette;
}

TEST(BmpReader, EveryKindReadsBackThePixelsItHolds) {
    struct Kind {
        const char* name;
        BmpLayout layout;
        BmpImage::RowFormat format;
    };
    using F = BmpImage::RowFormat;
    BmpLayout core = Layout(24), gap = Layout(24), topDown = Layout(24, 3, 5);
    core.headerSize = 12;
    gap.gap = 37; // pixels start where the file header says
    topDown.topDown = true;
    BmpLayout palette1 = Layout(1, 13, 3), palette4 = Layout(4, 13, 3), palette8 = Layout(8, 13, 3);
    palette1.palette = Coloured(2);
    palette4.palette = Coloured(16);
    palette8.palette = Coloured(256);
    const Kind kinds[] = {
        {"24-bit with row padding", Layout(24, 5, 4), F::Bgr},
        {"24-bit top-down", topDown, F::Bgr},
        {"24-bit core header", core, F::Bgr},
        {"24-bit after a gap", gap, F::Bgr},
        {"32-bit", Layout(32), F::Bgrx},
        {"32-bit standard fields", Fields(Layout(32), {0xff0000, 0x00ff00, 0x0000ff}), F::Bgrx},
        {"32-bit red lowest", Fields(Layout(32), {0x0000ff, 0x00ff00, 0xff0000}), F::Masked},
        {"32-bit ten bits", Fields(Layout(32), {0x3ff00000, 0xffc00, 0x3ff}), F::Masked},
        {"16-bit 555 default", Layout(16, 7), F::Masked},
        {"16-bit 565", Fields(Layout(16), {0xf800, 0x07e0, 0x001f}), F::Masked},
        {"16-bit 565 v4", Fields(Layout(16), {0xf800, 0x07e0, 0x001f}, 108), F::Masked},
        {"16-bit 565 v5", Fields(Layout(16), {0xf800, 0x07e0, 0x001f}, 124), F::Masked},
        {"1-bit palette", palette1, F::Indexed},
        {"4-bit palette", palette4, F::Indexed},
        {"8-bit palette", palette8, F::Indexed},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const int entries = static_cast<int>(k.layout.palette.size());
        const test::PixelAt pixel =
            entries ? test::PixelAt([entries](std::int32_t x, std::int32_t y) {
                return static_cast<std::uint32_t>((x * 3 + y) % entries);
            })
                    : test::PixelAt(test::Gradient);
        const Loaded image = Load(k.layout, pixel);
        ASSERT_TRUE(image.image);
        EXPECT_EQ(image->Format(), k.format);
        EXPECT_EQ(image->Width(), k.layout.width);
        EXPECT_EQ(image->Height(), k.layout.height);
        if (entries) {
            EXPECT_EQ(image->Palette(), k.layout.palette);
        }
        std::vector<std::uint8_t> indices(static_cast<std::size_t>(k.layout.width));
        for (std::int32_t y = 0; y < k.layout.height; ++y) {
            if (entries) {
                image->RowToIndices(y, indices.data());
            }
            for (std::int32_t x = 0; x < k.layout.width; ++x) {
                ASSERT_EQ(RgbAt(*image.image, x, y), test::StoredColour(k.layout, pixel, x, y))
                    << x << "," << y;
                if (entries) {
                    ASSERT_EQ(indices[x], pixel(x, y)) << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpReader, PalettesAndResolution) {
    // A core header's table is always full, with three-byte entries.
    BmpLayout l = Layout(8);
    l.headerSize = 12;
    l.palette = {{10, 20, 30}, {200, 100, 50}, {1, 2, 3}};
    Loaded image = Load(l, [](std::int32_t x, std::int32_t) { return x % 3; });
    ASSERT_EQ(image->Palette().size(), 256u);
    EXPECT_EQ(image->Palette()[2], l.palette[2]);
    EXPECT_EQ(image->XPixelsPerMetre(), 0);

    // Indices past the table read as the first colour.
    l = Layout(8);
    l.palette = {{9, 8, 7}, {1, 1, 1}};
    image = Load(l, [](std::int32_t x, std::int32_t) { return x * 40; });
    std::vector<std::uint8_t> row(8);
    image->RowToIndices(0, row.data());
    EXPECT_EQ(row[5], 0); // index 200 of a two-colour table
    EXPECT_EQ(RgbAt(*image.image, 5, 0), (RgbColour{9, 8, 7}));

    l.palette = test::GrayPalette(256);
    image = Load(l, [](std::int32_t x, std::int32_t) { return x * 30; });
    EXPECT_TRUE(image->IsGray());
    EXPECT_TRUE(image->IsGrayRamp());
    image->RowToGray(0, row.data());
    EXPECT_EQ(row[3], 90);
    l.palette = test::GrayPalette(16); // gray, but not the 0..255 ramp
    image = Load(l, [](std::int32_t x, std::int32_t) { return x; });
    EXPECT_TRUE(image->IsGray());
    EXPECT_FALSE(image->IsGrayRamp());
    image->RowToGray(0, row.data());
    EXPECT_EQ(row[3], 51); // 3 * 255 / 15
    l = Layout(1);
    l.palette = {{0, 0, 0}, {255, 255, 255}};
    EXPECT_TRUE(Load(l, [](std::int32_t, std::int32_t) { return 1u; })->IsGray());
    l.palette = {{0, 0, 128}, {255, 255, 255}};
    EXPECT_FALSE(Load(l, [](std::int32_t, std::int32_t) { return 1u; })->IsGray());

    l = Layout(24);
    l.xPixelsPerMetre = 11811;
    l.yPixelsPerMetre = 23622;
    image = Load(l, test::Gradient);
    EXPECT_EQ(image->XPixelsPerMetre(), 11811);
    EXPECT_EQ(image->YPixelsPerMetre(), 23622);
}

TEST(BmpReader, ReleasedRowsNameTheirBytesInTheFile) {
    Loaded image = Load(Layout(24, 2, 10), test::Gradient); // stride 8
    std::vector<std::pair<std::size_t, std::size_t>> released;
    BmpImage& copy = *image.image;
    copy.SetReleaseHook(
        [&](std::size_t offset, std::size_t size) { released.emplace_back(offset, size); });
    copy.ReleaseRows(0, 3);  // the top three rows are the last three stored
    copy.ReleaseRows(5, 5);  // nothing
    copy.ReleaseRows(8, 11); // past the end: ignored
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0].first, 54u + 7 * 8);
    EXPECT_EQ(released[0].second, 3u * 8);
    EXPECT_EQ(copy.Row(0), image.file.data() + 54 + 9 * 8);
}

TEST(BmpReader, DamagedAndUnsupportedFilesAreRefusedWithAReason) {
    using Bytes = std::vector<std::uint8_t>;
    const auto page = [](std::function<void(Bytes&)> spoil, BmpLayout l = {}) {
        Bytes file = BuildBmp(l, [&l](std::int32_t x, std::int32_t y) {
            return l.palette.empty() ? test::Gradient(x, y) : 0u;
        });
        spoil(file);
        return file;
    };
    const auto put32 = [&page](std::size_t at, std::uint32_t value, BmpLayout l = {}) {
        return page([=](Bytes& b) { test::Put32(b, at, value); }, l);
    };
    const auto cut = [&page](std::size_t size) {
        return page([size](Bytes& b) { b.resize(size); });
    };
    BmpLayout gray = Layout(8), gray4 = Layout(4),
              rgb565 = Fields(Layout(16), {0xf800, 0x7e0, 0x1f});
    gray.palette = test::GrayPalette(256);
    gray4.palette = test::GrayPalette(16);
    const std::size_t end = BuildBmp(gray, test::Gradient).size();
    const auto masks = [&](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return page(
            [=](Bytes& f) {
                test::Put32(f, 54, r);
                test::Put32(f, 58, g);
                test::Put32(f, 62, b);
            },
            rgb565);
    };
    const std::pair<Bytes, const char*> refused[] = {
        {{}, "too short"},
        {{'B', 'M', 0, 0}, "too short"},
        {page([](Bytes& b) { b[0] = 'P'; }), "does not start like a bitmap"},
        {cut(BuildBmp({}, test::Gradient).size() - 1), ""},
        {cut(BuildBmp({}, test::Gradient).size() - 24), ""},
        {cut(54), ""},
        {cut(20), ""},
        {put32(test::kWidthField, 0x7fffffff), ""},
        {put32(test::kHeightField, 0x40000000), ""},
        {put32(test::kHeightField, 0x80000000), ""}, // the most negative height
        {put32(test::kWidthField, 0), "width or height"},
        {put32(test::kHeightField, 0), "width or height"},
        {put32(test::kWidthField, 0xfffffff8), ""}, // negative width
        {put32(test::kPixelOffsetField, 14 + 40 + 100, gray), "inside its headers"},
        {put32(test::kPixelOffsetField, std::uint32_t(end + 1), gray), "past the end"},
        {put32(test::kPixelOffsetField, std::uint32_t(end - 10), gray), "ends before"},
        {put32(test::kPixelOffsetField, 0xffffffff, gray), ""},
        {page([](Bytes& b) { test::Put16(b, test::kBitCountField, 0); }), "bits per pixel"},
        {page([](Bytes& b) { test::Put16(b, test::kBitCountField, 2); }), "bits per pixel"},
        {page([](Bytes& b) { test::Put16(b, test::kBitCountField, 7); }), "bits per pixel"},
        {page([](Bytes& b) { test::Put16(b, test::kBitCountField, 48); }), "bits per pixel"},
        {page([](Bytes& b) { test::Put16(b, test::kBitCountField, 64); }), "bits per pixel"},
        {put32(14, 64), "unknown size"}, // an OS/2 2.x header
        {put32(test::kCompressionField, 1, gray), "RLE"},
        {put32(test::kCompressionField, 2, gray4), "RLE"},
        {put32(test::kCompressionField, 4, gray), "JPEG"},
        {put32(test::kCompressionField, 5, gray), "PNG"},
        {put32(test::kCompressionField, 11, gray), "compression"},
        {masks(0xf800, 0x07e0, 0), "mask"},              // a channel without bits
        {masks(0xf800, 0x0fe0, 0x001f), "mask"},         // red and green overlap
        {masks(0xf000, 0x05e0, 0x001f), "mask"},         // green has a hole
        {masks(0x1f0000, 0x07e0, 0x001f), "mask"},       // red lies outside 16 bits
        {put32(test::kColoursUsedField, 17, gray4), ""}, // more than 4 bits allow
    };
    int row = 0;
    for (const auto& [file, reason] : refused) {
        SCOPED_TRACE(testing::Message() << "row " << row++ << ": " << reason);
        std::string why;
        EXPECT_FALSE(BmpImage::Read(file.data(), file.size(), why).has_value());
        EXPECT_FALSE(why.empty());
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
}

} // namespace
} // namespace pellix
