// The bitmap reader: every supported layout reads back the colours that were
// written, rows come top-down whatever the storage order, and every kind of
// damaged or unsupported file is refused with a reason instead of being read
// out of bounds.
#include "app/components/bmp_reader.h"

#include "tests/picture/bmp_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace pellix {
namespace {

using test::BmpLayout;
using test::BuildBmp;

std::optional<BmpImage> ReadOk(const std::vector<std::uint8_t>& file) {
    std::string why;
    std::optional<BmpImage> image = BmpImage::Read(file.data(), file.size(), why);
    EXPECT_TRUE(image.has_value()) << why;
    return image;
}

// A built file together with the image read from it: the image points into
// the file's bytes, so both live as long as each other.
struct Loaded {
    std::vector<std::uint8_t> file;
    std::optional<BmpImage> image;
    explicit operator bool() const { return image.has_value(); }
    const BmpImage& operator*() const { return *image; }
    const BmpImage* operator->() const { return &*image; }
};

Loaded Load(const BmpLayout& layout, const test::PixelAt& pixel) {
    Loaded loaded{BuildBmp(layout, pixel), std::nullopt};
    loaded.image = ReadOk(loaded.file); // moving the vector keeps its buffer
    return loaded;
}

std::string Refusal(const std::vector<std::uint8_t>& file) {
    std::string why;
    const std::optional<BmpImage> image = BmpImage::Read(file.data(), file.size(), why);
    EXPECT_FALSE(image.has_value());
    EXPECT_FALSE(why.empty());
    return why;
}

RgbColour RgbAt(const BmpImage& image, std::int32_t x, std::int32_t y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.Width()) * 3);
    image.RowToRgb(y, row.data());
    return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

// Every pixel of a true-colour page reads back as the colour its file holds.
void ExpectTrueColour(const BmpLayout& layout) {
    const auto file = BuildBmp(layout, test::Gradient);
    const auto image = ReadOk(file);
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->HasPalette());
    for (std::int32_t y = 0; y < layout.height; ++y) {
        for (std::int32_t x = 0; x < layout.width; ++x) {
            ASSERT_EQ(RgbAt(*image, x, y), test::StoredColour(layout, test::Gradient(x, y)))
                << x << "," << y;
        }
    }
}

// ---- Layouts that read back exactly -------------------------------------

TEST(BmpReaderKinds, TwentyFourBitsWithRowPadding) {
    BmpLayout l;
    l.width = 5; // 15 bytes of pixels, one byte of padding
    l.height = 4;
    ExpectTrueColour(l);
}

TEST(BmpReaderKinds, ThirtyTwoBitsPlainAndStandardBitFieldsAreStoredAsBgrx) {
    BmpLayout l;
    l.bitCount = 32;
    ExpectTrueColour(l);
    EXPECT_EQ(Load(l, test::Gradient)->Format(), BmpImage::RowFormat::Bgrx);
    l.bitFields = true;
    l.masks = {0xff0000, 0x00ff00, 0x0000ff};
    ExpectTrueColour(l);
    EXPECT_EQ(Load(l, test::Gradient)->Format(), BmpImage::RowFormat::Bgrx);
}

TEST(BmpReaderKinds, ThirtyTwoBitsWithOtherBitFields) {
    BmpLayout l;
    l.bitCount = 32;
    l.bitFields = true;
    l.masks = {0x000000ff, 0x0000ff00, 0x00ff0000}; // red in the lowest byte
    ExpectTrueColour(l);
    l.masks = {0x3ff00000, 0x000ffc00, 0x000003ff}; // ten bits a channel
    ExpectTrueColour(l);
}

TEST(BmpReaderKinds, SixteenBitsDefaultTo555) {
    BmpLayout l;
    l.bitCount = 16;
    l.width = 7;
    ExpectTrueColour(l);
}

TEST(BmpReaderKinds, SixteenBits565InEveryHeaderSize) {
    for (const std::uint32_t header : {40u, 108u, 124u}) {
        SCOPED_TRACE(header);
        BmpLayout l;
        l.bitCount = 16;
        l.headerSize = header;
        l.bitFields = true;
        l.masks = {0xf800, 0x07e0, 0x001f};
        ExpectTrueColour(l);
    }
}

TEST(BmpReaderKinds, PalettePagesOfOneFourAndEightBits) {
    for (const std::uint16_t bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        BmpLayout l;
        l.bitCount = bits;
        l.width = 13; // not a whole number of bytes for 1 and 4 bits
        l.height = 3;
        const int entries = 1 << bits;
        for (int i = 0; i < entries; ++i) {
            l.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                 static_cast<std::uint8_t>(i * 7)});
        }
        const auto indexAt = [entries](std::int32_t x, std::int32_t y) {
            return static_cast<std::uint32_t>((x * 3 + y) % entries);
        };
        const auto image = Load(l, indexAt);
        ASSERT_TRUE(image);
        ASSERT_TRUE(image->HasPalette());
        EXPECT_EQ(image->Palette(), l.palette);
        std::vector<std::uint8_t> indices(13);
        for (std::int32_t y = 0; y < 3; ++y) {
            image->RowToIndices(y, indices.data());
            for (std::int32_t x = 0; x < 13; ++x) {
                ASSERT_EQ(indices[x], indexAt(x, y));
                ASSERT_EQ(RgbAt(*image, x, y), l.palette[indexAt(x, y)]);
            }
        }
    }
}

TEST(BmpReaderKinds, CoreHeaderWithThreeByteColourEntries) {
    BmpLayout l;
    l.headerSize = 12;
    l.bitCount = 8;
    l.palette = {{10, 20, 30}, {200, 100, 50}, {1, 2, 3}};
    const auto image = Load(l, [](std::int32_t x, std::int32_t) { return x % 3; });
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Palette().size(), 256u); // a core header's table is always full
    EXPECT_EQ(image->Palette()[2], l.palette[2]);
    EXPECT_EQ(RgbAt(*image, 4, 0), l.palette[1]);
    EXPECT_EQ(image->XPixelsPerMetre(), 0);
}

TEST(BmpReaderKinds, CoreHeaderTwentyFourBits) {
    BmpLayout l;
    l.headerSize = 12;
    ExpectTrueColour(l);
}

// ---- Rows, palettes and resolution --------------------------------------

TEST(BmpReaderRows, TopDownAndBottomUpGiveTheSameRows) {
    BmpLayout l;
    l.width = 3;
    l.height = 5;
    const auto bottomUp = BuildBmp(l, test::Gradient);
    l.topDown = true;
    const auto topDown = BuildBmp(l, test::Gradient);
    EXPECT_NE(bottomUp, topDown);
    const auto a = ReadOk(bottomUp);
    const auto b = ReadOk(topDown);
    for (std::int32_t y = 0; y < 5; ++y) {
        EXPECT_EQ(RgbAt(*a, 1, y), test::Unpack(test::Gradient(1, y)));
        EXPECT_EQ(RgbAt(*b, 1, y), test::Unpack(test::Gradient(1, y)));
    }
}

TEST(BmpReaderRows, PixelsStartWhereTheFileHeaderSays) {
    BmpLayout l;
    l.gap = 37;
    ExpectTrueColour(l);
}

TEST(BmpReaderRows, IndicesPastTheColourTableReadAsTheFirstColour) {
    BmpLayout l;
    l.bitCount = 8;
    l.palette = {{9, 8, 7}, {1, 1, 1}};
    const auto image = Load(l, [](std::int32_t x, std::int32_t) { return x * 40; });
    std::vector<std::uint8_t> indices(8);
    image->RowToIndices(0, indices.data());
    EXPECT_EQ(indices[0], 0);
    EXPECT_EQ(indices[5], 0); // index 200 of a two-colour table
    EXPECT_EQ(RgbAt(*image, 5, 0), (RgbColour{9, 8, 7}));
}

TEST(BmpReaderRows, GrayPalettesAreRecognised) {
    BmpLayout l;
    l.bitCount = 8;
    l.palette = test::GrayPalette(256);
    Loaded image = Load(l, [](std::int32_t x, std::int32_t) { return x * 30; });
    EXPECT_TRUE(image->IsGray());
    EXPECT_TRUE(image->IsGrayRamp());
    std::vector<std::uint8_t> gray(8);
    image->RowToGray(0, gray.data());
    EXPECT_EQ(gray[3], 90);

    l.palette = test::GrayPalette(16); // gray, but not the 0..255 ramp
    image = Load(l, [](std::int32_t x, std::int32_t) { return x; });
    EXPECT_TRUE(image->IsGray());
    EXPECT_FALSE(image->IsGrayRamp());
    image->RowToGray(0, gray.data());
    EXPECT_EQ(gray[3], 51); // entry 3 of 16 grays: 3 * 255 / 15

    l.bitCount = 1;
    l.palette = {{0, 0, 0}, {255, 255, 255}};
    EXPECT_TRUE(Load(l, [](std::int32_t, std::int32_t) { return 1u; })->IsGray());
    l.palette = {{0, 0, 128}, {255, 255, 255}};
    EXPECT_FALSE(Load(l, [](std::int32_t, std::int32_t) { return 1u; })->IsGray());
}

TEST(BmpReaderRows, ResolutionComesFromTheInfoHeader) {
    BmpLayout l;
    l.xPixelsPerMetre = 11811;
    l.yPixelsPerMetre = 23622;
    const auto image = Load(l, test::Gradient);
    EXPECT_EQ(image->XPixelsPerMetre(), 11811);
    EXPECT_EQ(image->YPixelsPerMetre(), 23622);
}

TEST(BmpReaderRows, ReleasedRowsNameTheirBytesInTheFile) {
    BmpLayout l;
    l.width = 2; // 6 bytes of pixels, stride 8
    l.height = 10;
    const auto file = BuildBmp(l, test::Gradient);
    auto image = ReadOk(file);
    std::vector<std::pair<std::size_t, std::size_t>> released;
    image->SetReleaseHook(
        [&](std::size_t offset, std::size_t size) { released.emplace_back(offset, size); });
    image->ReleaseRows(0, 3);  // the top three rows are the last three stored
    image->ReleaseRows(5, 5);  // nothing
    image->ReleaseRows(8, 11); // past the end: ignored
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0].first, 54u + 7 * 8);
    EXPECT_EQ(released[0].second, 3u * 8);
    EXPECT_EQ(image->Row(0), file.data() + 54 + 9 * 8);
}

// ---- Files that are refused --------------------------------------------

TEST(BmpReaderRefuses, EmptyShortAndForeignFiles) {
    EXPECT_NE(Refusal({}).find("too short"), std::string::npos);
    EXPECT_NE(Refusal({'B', 'M', 0, 0}).find("too short"), std::string::npos);
    auto file = BuildBmp({}, test::Gradient);
    file[0] = 'P';
    EXPECT_NE(Refusal(file).find("does not start like a bitmap"), std::string::npos);
}

TEST(BmpReaderRefuses, TruncatedPixelData) {
    const auto whole = BuildBmp({}, test::Gradient);
    for (const std::size_t cut :
         {whole.size() - 1, whole.size() - 24, std::size_t{54}, std::size_t{20}}) {
        SCOPED_TRACE(cut);
        Refusal(std::vector<std::uint8_t>(whole.begin(), whole.begin() + cut));
    }
}

TEST(BmpReaderRefuses, HeadersClaimingHugePages) {
    auto file = BuildBmp({}, test::Gradient);
    test::Put32(file, test::kWidthField, 0x7fffffff);
    Refusal(file);
    file = BuildBmp({}, test::Gradient);
    test::Put32(file, test::kHeightField, 0x40000000);
    Refusal(file);
    file = BuildBmp({}, test::Gradient);
    test::Put32(file, test::kHeightField, 0x80000000); // the most negative height
    Refusal(file);
}

TEST(BmpReaderRefuses, ZeroSizedPages) {
    auto file = BuildBmp({}, test::Gradient);
    test::Put32(file, test::kWidthField, 0);
    EXPECT_NE(Refusal(file).find("width or height"), std::string::npos);
    file = BuildBmp({}, test::Gradient);
    test::Put32(file, test::kHeightField, 0);
    EXPECT_NE(Refusal(file).find("width or height"), std::string::npos);
    file = BuildBmp({}, test::Gradient);
    test::Put32(file, test::kWidthField, 0xfffffff8); // negative width
    Refusal(file);
}

TEST(BmpReaderRefuses, PixelOffsetsOutsideTheirPlace) {
    BmpLayout l;
    l.bitCount = 8;
    l.palette = test::GrayPalette(256);
    auto file = BuildBmp(l, test::Gradient);
    test::Put32(file, test::kPixelOffsetField, 14 + 40 + 100); // inside the colour table
    EXPECT_NE(Refusal(file).find("inside its headers"), std::string::npos);
    test::Put32(file, test::kPixelOffsetField, static_cast<std::uint32_t>(file.size() + 1));
    EXPECT_NE(Refusal(file).find("past the end"), std::string::npos);
    test::Put32(file, test::kPixelOffsetField, static_cast<std::uint32_t>(file.size() - 10));
    EXPECT_NE(Refusal(file).find("ends before"), std::string::npos);
    test::Put32(file, test::kPixelOffsetField, 0xffffffff);
    Refusal(file);
}

TEST(BmpReaderRefuses, UnknownBitCountsAndHeaders) {
    for (const std::uint16_t bits : {0, 2, 7, 48, 64}) {
        SCOPED_TRACE(bits);
        auto file = BuildBmp({}, test::Gradient);
        test::Put16(file, test::kBitCountField, bits);
        EXPECT_NE(Refusal(file).find("bits per pixel"), std::string::npos);
    }
    auto file = BuildBmp({}, test::Gradient);
    test::Put32(file, 14, 64); // an OS/2 2.x header
    EXPECT_NE(Refusal(file).find("unknown size"), std::string::npos);
}

TEST(BmpReaderRefuses, CompressedPixelsWithTheKindNamed) {
    const std::pair<std::uint32_t, const char*> kinds[] = {
        {1, "RLE"}, {2, "RLE"}, {4, "JPEG"}, {5, "PNG"}, {11, "compression"}};
    for (const auto& [compression, named] : kinds) {
        SCOPED_TRACE(compression);
        BmpLayout l;
        l.bitCount = compression == 2 ? 4 : 8;
        l.palette = test::GrayPalette(16);
        auto file = BuildBmp(l, [](std::int32_t, std::int32_t) { return 0u; });
        test::Put32(file, test::kCompressionField, compression);
        EXPECT_NE(Refusal(file).find(named), std::string::npos);
    }
}

TEST(BmpReaderRefuses, UnusableBitMasks) {
    const std::array<std::uint32_t, 3> bad[] = {
        {0xf800, 0x07e0, 0},        // a channel without bits
        {0xf800, 0x0fe0, 0x001f},   // red and green overlap
        {0xf000, 0x05e0, 0x001f},   // green has a hole
        {0x1f0000, 0x07e0, 0x001f}, // red lies outside 16 bits
    };
    for (const auto& masks : bad) {
        BmpLayout l;
        l.bitCount = 16;
        l.bitFields = true;
        l.masks = {0xf800, 0x07e0, 0x001f};
        auto file = BuildBmp(l, test::Gradient);
        for (int c = 0; c < 3; ++c) {
            test::Put32(file, 54 + 4 * c, masks[c]);
        }
        EXPECT_NE(Refusal(file).find("mask"), std::string::npos);
    }
}

TEST(BmpReaderRefuses, ColourTablesLargerThanTheBitsAllow) {
    BmpLayout l;
    l.bitCount = 4;
    l.palette = test::GrayPalette(16);
    auto file = BuildBmp(l, [](std::int32_t, std::int32_t) { return 0u; });
    test::Put32(file, test::kColoursUsedField, 17);
    Refusal(file);
}

} // namespace
} // namespace pellix
