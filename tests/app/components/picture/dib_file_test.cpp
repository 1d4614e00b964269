#include "app/components/picture/dib_file.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pellix {
namespace {

void Put32(std::vector<std::uint8_t>& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
void Put16(std::vector<std::uint8_t>& b, size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
std::uint32_t Get32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// A packed DIB with a 40-byte header, a full colour table and zero pixels.
std::vector<std::uint8_t> MakeDib(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                  std::uint32_t compression = 0, std::uint32_t colours = 0,
                                  std::uint32_t sizeImage = 0) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint32_t table = bits <= 8 ? (colours ? colours : 1u << bits) : colours;
    const std::uint32_t masks = compression == 3 ? 12 : 0;
    const std::uint64_t pixels =
        sizeImage ? sizeImage : stride * static_cast<std::uint64_t>(height < 0 ? -height : height);
    std::vector<std::uint8_t> b(40 + masks + table * 4 + pixels, 0);
    Put32(b, 0, 40);
    Put32(b, 4, static_cast<std::uint32_t>(width));
    Put32(b, 8, static_cast<std::uint32_t>(height));
    Put16(b, 12, 1);
    Put16(b, 14, bits);
    Put32(b, 16, compression);
    Put32(b, 20, sizeImage);
    Put32(b, 32, colours);
    return b;
}

TEST(ExamineDib, LaysOutEveryCommonKind) {
    struct Case {
        std::int32_t w, h;
        std::uint16_t bits;
        std::uint32_t compression;
        std::uint64_t pixelOffset, pixelBytes;
    };
    for (const Case& c : {Case{33, 10, 1, 0, 40 + 8, 8 * 10}, Case{5, 3, 4, 0, 40 + 64, 4 * 3},
                          Case{7, 2, 8, 0, 40 + 1024, 8 * 2}, Case{3, 2, 16, 3, 52, 8 * 2},
                          Case{3, 2, 24, 0, 40, 12 * 2}, Case{3, -2, 32, 0, 40, 12 * 2}}) {
        const auto dib = MakeDib(c.w, c.h, c.bits, c.compression);
        std::string why;
        const auto l = ExamineDib(dib.data(), dib.size(), why);
        ASSERT_TRUE(l) << c.bits << " bits: " << why;
        EXPECT_EQ(l->pixelOffset, c.pixelOffset) << c.bits;
        EXPECT_EQ(l->pixelBytes, c.pixelBytes) << c.bits;
        EXPECT_EQ(l->topDown, c.h < 0);
        EXPECT_EQ(l->height, c.h < 0 ? -c.h : c.h);
    }
}

TEST(ExamineDib, ShortColourTableAndCompressedPixels) {
    auto gray16 = MakeDib(4, 4, 8, 0, 16);
    std::string why;
    EXPECT_EQ(ExamineDib(gray16.data(), gray16.size(), why)->pixelOffset, 40u + 64);
    auto rle = MakeDib(4, 4, 8, 1, 0, 20);
    EXPECT_EQ(ExamineDib(rle.data(), rle.size(), why)->pixelBytes, 20u);
}

TEST(ExamineDib, RefusesBrokenBitmapsWithAReason) {
    std::string why;
    EXPECT_FALSE(ExamineDib(nullptr, 0, why));
    auto good = MakeDib(10, 10, 24);
    EXPECT_FALSE(ExamineDib(good.data(), good.size() - 1, why)) << "truncated pixels";
    EXPECT_NE(why.find("shorter"), std::string::npos);
    EXPECT_FALSE(ExamineDib(good.data(), 20, why)) << "truncated header";

    auto badHeader = good;
    Put32(badHeader, 0, 41);
    EXPECT_FALSE(ExamineDib(badHeader.data(), badHeader.size(), why));
    auto zeroWidth = MakeDib(0, 10, 24);
    EXPECT_FALSE(ExamineDib(zeroWidth.data(), zeroWidth.size(), why));
    auto badBits = MakeDib(10, 10, 7);
    EXPECT_FALSE(ExamineDib(badBits.data(), badBits.size(), why));
    auto bigTable = MakeDib(4, 4, 1, 0, 3);
    EXPECT_FALSE(ExamineDib(bigTable.data(), bigTable.size(), why));
    auto jpegInside = MakeDib(4, 4, 24, 4);
    EXPECT_FALSE(ExamineDib(jpegInside.data(), jpegInside.size(), why));
    auto rleTopDown = MakeDib(4, -4, 8, 1, 0, 20);
    EXPECT_FALSE(ExamineDib(rleTopDown.data(), rleTopDown.size(), why));
}

TEST(ExamineDib, HugeDimensionsDoNotOverflow) {
    std::vector<std::uint8_t> header(40, 0);
    Put32(header, 0, 40);
    Put32(header, 4, 0x7fffffff);
    Put32(header, 8, 0x7fffffff);
    Put16(header, 12, 1);
    Put16(header, 14, 32);
    std::string why;
    EXPECT_FALSE(ExamineDib(header.data(), header.size(), why));
    EXPECT_NE(why.find("too large"), std::string::npos);
    Put32(header, 8, 0x80000000u); // INT32_MIN rows
    EXPECT_FALSE(ExamineDib(header.data(), header.size(), why));
}

TEST(BmpFileHeader, SizeAndPixelOffset) {
    const auto dib = MakeDib(3, 2, 8);
    std::string why;
    const auto l = ExamineDib(dib.data(), dib.size(), why);
    const auto h = BmpFileHeader(*l);
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(Get32(&h[2]), 14 + dib.size());
    EXPECT_EQ(Get32(&h[10]), 14u + 40 + 1024);
}

TEST(FillMissingResolution, OnlyWhenAbsent) {
    auto dib = MakeDib(2, 2, 24);
    std::string why;
    const auto l = *ExamineDib(dib.data(), dib.size(), why);
    FillMissingResolution(dib.data(), l, 300, 300);
    EXPECT_EQ(Get32(&dib[24]), 11811u); // 300 dpi
    EXPECT_EQ(Get32(&dib[28]), 11811u);
    FillMissingResolution(dib.data(), l, 600, 600);
    EXPECT_EQ(Get32(&dib[24]), 11811u) << "a resolution already there is kept";
}

TEST(BmpStripLayout, RgbRowsBecomeBottomUpBgrWithPadding) {
    std::string why;
    auto l = BmpStripLayout::Make(BmpStripLayout::Kind::Rgb, 3, 4, 200, 100, {}, why);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Stride(), 12u);
    const std::vector<std::uint8_t> headers = l->Headers(4);
    ASSERT_EQ(headers.size(), 54u);
    EXPECT_EQ(Get32(&headers[2]), 54u + 48);
    EXPECT_EQ(Get32(&headers[10]), 54u);
    EXPECT_EQ(static_cast<std::int32_t>(Get32(&headers[22])), 4);
    EXPECT_EQ(Get32(&headers[38]), 7874u); // 200 dpi
    EXPECT_EQ(Get32(&headers[42]), 3937u); // 100 dpi

    const std::uint8_t rgb[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::uint8_t> out(12, 0xee);
    EXPECT_EQ(l->ConvertRow(0, rgb, 9, out.data()), 54u + 3 * 12); // top row goes last
    EXPECT_EQ(out, (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));
    EXPECT_EQ(l->ConvertRow(3, rgb, 9, out.data()), 54u);
    EXPECT_FALSE(l->ConvertRow(4, rgb, 9, out.data())) << "beyond the page";
    EXPECT_FALSE(l->ConvertRow(1, rgb, 8, out.data())) << "short row";
}

TEST(BmpStripLayout, BlackWhiteAndGrayKeepTheirDepthAndPalette) {
    std::string why;
    auto bw = BmpStripLayout::Make(BmpStripLayout::Kind::BlackWhite, 10, 2, 300, 300, {}, why);
    ASSERT_TRUE(bw);
    const auto h = bw->Headers(2);
    EXPECT_EQ(h[28], 1); // bits per pixel
    EXPECT_EQ(Get32(&h[54]), 0x000000u);
    EXPECT_EQ(Get32(&h[58]), 0xffffffu);
    const std::uint8_t row[2] = {0xff, 0xff};
    std::vector<std::uint8_t> out(4);
    bw->ConvertRow(0, row, 2, out.data());
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0xff, 0xc0, 0, 0})) << "bits past the row cleared";

    auto gray = BmpStripLayout::Make(BmpStripLayout::Kind::Gray, 10, 2, 300, 300, {}, why);
    EXPECT_EQ(gray->Headers(2).size(), 54u + 1024);
    EXPECT_EQ(gray->BitCount(), 8);
}

TEST(BmpStripLayout, UnknownHeightIsWrittenTopDown) {
    std::string why;
    auto l = BmpStripLayout::Make(BmpStripLayout::Kind::Gray, 4, 0, 300, 300, {}, why);
    ASSERT_TRUE(l);
    const std::uint8_t row[4] = {};
    std::vector<std::uint8_t> out(4);
    EXPECT_EQ(l->ConvertRow(5, row, 4, out.data()), l->HeadersSize() + 5 * 4);
    EXPECT_EQ(static_cast<std::int32_t>(Get32(&l->Headers(6)[22])), -6);
}

TEST(BmpStripLayout, RefusesUnusablePages) {
    std::string why;
    EXPECT_FALSE(BmpStripLayout::Make(BmpStripLayout::Kind::Rgb, 0, 4, 300, 300, {}, why));
    EXPECT_FALSE(BmpStripLayout::Make(BmpStripLayout::Kind::Palette, 4, 4, 300, 300, {}, why));
    EXPECT_FALSE(
        BmpStripLayout::Make(BmpStripLayout::Kind::Rgb, 0x7fffffff, 0x7fffffff, 300, 300, {}, why));
}

} // namespace
} // namespace pellix
