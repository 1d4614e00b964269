// The platform-neutral core: page geometry, the drawn page, the settings.
#include "devices/virtual-scanner/core/page_format.h"
#include "devices/virtual-scanner/core/page_generator.h"
#include "devices/virtual-scanner/core/scanner_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pellix::vscan {
namespace {

constexpr PageStamp kMorning{2024, 3, 9, 8, 15, 0};

using Row = std::vector<std::uint8_t>;

Row RenderRow(const PageGenerator& page, int y) {
    Row row(page.Format().PackedRowBytes());
    page.RenderRow(y, row);
    return row;
}

std::vector<Row> RenderPage(const PageGenerator& page) {
    std::vector<Row> rows;
    for (int y = 0; y < page.Format().height; ++y) {
        rows.push_back(RenderRow(page, y));
    }
    return rows;
}

bool BitIsWhite(const Row& row, int x) {
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

int At(double inches, int dpi) {
    return static_cast<int>(std::lround(inches * dpi));
}

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
        {kA4, 100, PixelKind::Color, 827, 1169, 24, 2481, 2484},
        {kA4, 100, PixelKind::Gray, 827, 1169, 8, 827, 828},
        {kA4, 600, PixelKind::Gray, 4961, 7016, 8, 4961, 4964},
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
    for (int dpi : {100, 150, 200, 300, 400, 600}) {
        EXPECT_TRUE(IsOfferedResolution(dpi)) << dpi;
    }
    for (int dpi : {0, 72, 250, 1200, -300}) {
        EXPECT_FALSE(IsOfferedResolution(dpi)) << dpi;
    }
}

class RulerTest : public testing::TestWithParam<int> {
protected:
    int dpi = GetParam();
    PageGenerator page{MakePageFormat(kA4, dpi, PixelKind::Gray), kMorning};
    const RulerBand& ruler = page.Ruler();

    bool Dark(int x, int y) const { return RenderRow(page, y)[x] < 128; }
    // Dark rows at column x, counted inwards from the top or the bottom edge.
    int MarkLength(int x, bool fromTop) const {
        int length = 0;
        while (length < ruler.bottom - ruler.top &&
               Dark(x, fromTop ? ruler.top + length : ruler.bottom - 1 - length)) {
            ++length;
        }
        return length;
    }
};

TEST_P(RulerTest, InchMarksHangFromTheTopEdgeEveryHalfInchWholeInchesLonger) {
    const Row top = RenderRow(page, ruler.top);
    for (int half = 0; At(half / 2.0 + 0.25, dpi) < page.Format().width; ++half) {
        const int mark = At(half / 2.0, dpi);
        for (int x = mark; x < mark + ruler.tickWidth; ++x) {
            EXPECT_LT(top[x], 128) << "no mark at " << half / 2.0 << " in, column " << x;
        }
        EXPECT_GT(top[mark + ruler.tickWidth], 128) << "mark too wide at " << half / 2.0 << " in";
        EXPECT_GT(top[At(half / 2.0 + 0.25, dpi)], 128) << "stray mark at " << half / 2.0 + 0.25;
    }
    EXPECT_GT(MarkLength(At(1.0, dpi), true), MarkLength(At(1.5, dpi), true));
    EXPECT_EQ(MarkLength(At(1.0, dpi), true), MarkLength(At(5.0, dpi), true));
    EXPECT_GT(MarkLength(At(1.5, dpi), true), 0);
}

TEST_P(RulerTest, MillimetreMarksStandOnTheBottomEdgeCentimetresLongest) {
    const Row bottom = RenderRow(page, ruler.bottom - 1);
    for (int mm = 0; At((mm + 0.5) / 25.4, dpi) < page.Format().width; ++mm) {
        EXPECT_LT(bottom[At(mm / 25.4, dpi)], 128) << "no mark at " << mm << " mm";
        EXPECT_GT(bottom[At((mm + 0.5) / 25.4, dpi)], 128) << "stray mark at " << mm + 0.5;
    }
    const int centimetre = MarkLength(At(3 / 2.54, dpi), false);
    const int half = MarkLength(At(3.5 / 2.54, dpi), false);
    const int millimetre = MarkLength(At(3.2 / 2.54, dpi), false);
    EXPECT_GT(centimetre, half);
    EXPECT_GT(half, millimetre);
    EXPECT_GT(millimetre, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryOfferedResolution, RulerTest, testing::ValuesIn(kOfferedResolutions));

TEST(PageGenerator, PagesMadeAtDifferentTimesDifferOnlyWhereTheTimeIsPrinted) {
    const PageFormat format = MakePageFormat(kA4, 100, PixelKind::Color);
    const auto first = RenderPage(PageGenerator(format, kMorning));
    const auto later = RenderPage(PageGenerator(format, {2024, 3, 9, 8, 15, 1}));
    EXPECT_EQ(first, RenderPage(PageGenerator(format, kMorning))) << "not reproducible";
    int differing = 0;
    for (std::size_t y = 0; y < first.size(); ++y) {
        differing += first[y] != later[y];
    }
    EXPECT_GT(differing, 0) << "the time of the scan is not on the page";
    EXPECT_LT(differing, format.height / 10) << "more than the time changed";

    bool red = false, green = false, blue = false;
    for (const Row& row : first) {
        for (std::size_t x = 0; x + 2 < row.size(); x += 3) {
            red |= row[x] > 200 && row[x + 1] < 60 && row[x + 2] < 60;
            green |= row[x] < 60 && row[x + 1] > 200 && row[x + 2] < 60;
            blue |= row[x] < 60 && row[x + 1] < 60 && row[x + 2] > 200;
        }
    }
    EXPECT_TRUE(red && green && blue) << "no saturated colours";
}

TEST(PageGenerator, GrayHasAllLevelsAndBlackAndWhiteDithersButKeepsPureBlackAndWhite) {
    const PageGenerator gray(MakePageFormat(kA4, 100, PixelKind::Gray), kMorning);
    const PageGenerator bw(MakePageFormat(kA4, 100, PixelKind::BlackWhite), kMorning);
    std::set<std::uint8_t> levels;
    for (const Row& row : RenderPage(gray)) {
        levels.insert(row.begin(), row.end());
    }
    EXPECT_GT(levels.size(), 200u) << "no gray gradient";
    EXPECT_TRUE(levels.count(0) && levels.count(255));

    const int width = bw.Format().width;
    long white = 0;
    bool dithered = false;
    for (int y = 0; y < bw.Format().height; ++y) {
        const Row g = RenderRow(gray, y);
        const Row b = RenderRow(bw, y);
        int rowWhite = 0;
        for (int x = 0; x < width; ++x) {
            rowWhite += BitIsWhite(b, x);
            // The printed lines name the colour mode: compare the ruler and
            // everything from 65 mm down.
            const bool compared =
                (y >= gray.Ruler().top && y < gray.Ruler().bottom) || y >= At(65 / 25.4, 100);
            if (compared && (g[x] == 0 || g[x] == 255)) {
                ASSERT_EQ(BitIsWhite(b, x), g[x] == 255) << x << "," << y;
            }
        }
        white += rowWhite;
        // A mix of both over most of a row only comes from dithering.
        dithered |= rowWhite > width / 4 && rowWhite < width * 3 / 4;
    }
    const long all = long(width) * bw.Format().height;
    EXPECT_GT(white, all / 2) << "the paper should be mostly white";
    EXPECT_LT(white, all - all / 50) << "hardly any black";
    EXPECT_TRUE(dithered);
}

TEST(PageGenerator, RowLeavesPaddingAloneAndClearsUnusedBits) {
    // 157 pixels: the last byte of a 1-bit row has three unused bits.
    const PageGenerator page(MakePageFormat({40, 25}, 100, PixelKind::BlackWhite), kMorning);
    Row row(page.Format().PaddedRowBytes(), 0xAB);
    ASSERT_EQ(page.Format().PackedRowBytes(), 20u);
    for (int y = 0; y < page.Format().height; ++y) {
        page.RenderRow(y, row);
        EXPECT_EQ(row[19] & 0x07, 0) << "row " << y;
        for (std::size_t i = 20; i < row.size(); ++i) {
            EXPECT_EQ(row[i], 0xAB);
        }
    }
}

SettingLookup Settings(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const SettingName& name) -> std::optional<std::string> {
        const auto found = values.find(name.environment);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    };
}

void ExpectDefaults(const ScannerOptions& options) {
    EXPECT_FALSE(options.answer.has_value());
    EXPECT_EQ(options.delayMs, 0u);
    EXPECT_EQ(options.pixelKind, PixelKind::Color);
    EXPECT_EQ(options.dpi, 300);
    EXPECT_EQ(options.paper, kA4);
    EXPECT_EQ(options.transfers, (std::vector{TransferKind::Native, TransferKind::Memory}));
    EXPECT_EQ(options.productName, "Pellix Virtual Scanner");
    EXPECT_FALSE(options.clock.has_value());
}

TEST(ScannerOptions, EverySettingIsReadAndUnusableValuesKeepTheDefaults) {
    ExpectDefaults(ReadScannerOptions(Settings({})));
    ExpectDefaults(ReadScannerOptions(Settings({
        {"PELLIX_VSCAN_ANSWER", "maybe"},
        {"PELLIX_VSCAN_DELAY_MS", "-5"},
        {"PELLIX_VSCAN_PIXELTYPE", "sepia"},
        {"PELLIX_VSCAN_DPI", "250"},
        {"PELLIX_VSCAN_PAGE", "40x"},
        {"PELLIX_VSCAN_XFER", "file, fax"},
        {"PELLIX_VSCAN_PRODUCT", ""},
        {"PELLIX_VSCAN_CLOCK", "yesterday"},
    })));
    const ScannerOptions options = ReadScannerOptions(Settings({
        {"PELLIX_VSCAN_ANSWER", "Cancel"},
        {"PELLIX_VSCAN_DELAY_MS", "250"},
        {"PELLIX_VSCAN_PIXELTYPE", "gray"},
        {"PELLIX_VSCAN_DPI", "150"},
        {"PELLIX_VSCAN_PAGE", "40x25"},
        {"PELLIX_VSCAN_XFER", "memory"},
        {"PELLIX_VSCAN_PRODUCT", "Second Scanner"},
        {"PELLIX_VSCAN_CLOCK", "2023-12-31 23:59:58"},
    }));
    EXPECT_EQ(options.answer, AutoAnswer::Cancel);
    EXPECT_EQ(options.delayMs, 250u);
    EXPECT_EQ(options.pixelKind, PixelKind::Gray);
    EXPECT_EQ(options.dpi, 150);
    EXPECT_EQ(options.paper, (PaperSize{40, 25}));
    EXPECT_EQ(options.transfers, std::vector{TransferKind::Memory});
    EXPECT_EQ(options.productName, "Second Scanner");
    EXPECT_EQ(options.clock, (PageStamp{2023, 12, 31, 23, 59, 58}));
    EXPECT_EQ(ReadProductName(Settings({{"PELLIX_VSCAN_PRODUCT", std::string(50, 'P')}})),
              std::string(33, 'P'))
        << "cut to what an identity holds";
}

TEST(ScannerOptions, WordsAreParsedLeniently) {
    using enum TransferKind;
    EXPECT_EQ(ParseAnswer("scan"), AutoAnswer::Scan);
    EXPECT_EQ(ParseAnswer(" FAIL "), AutoAnswer::Fail);
    EXPECT_EQ(ParseAnswer(""), std::nullopt);
    EXPECT_EQ(ParsePixelKind("Colour"), PixelKind::Color);
    EXPECT_EQ(ParsePixelKind("grey"), PixelKind::Gray);
    EXPECT_EQ(ParsePixelKind("bw"), PixelKind::BlackWhite);
    EXPECT_EQ(ParsePixelKind("b/w"), std::nullopt);
    EXPECT_EQ(ParsePaperSize("A4"), kA4);
    EXPECT_EQ(ParsePaperSize("letter"), kLetter);
    EXPECT_EQ(ParsePaperSize("215.9x279.4"), kLetter);
    EXPECT_EQ(ParsePaperSize("40X25"), (PaperSize{40, 25}));
    for (const char* bad : {"x", "40", "40x25x3", "0x25", "40x-25", "2000x10", "ax4", "40 x 25"}) {
        EXPECT_EQ(ParsePaperSize(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ParseTransfers("memory,native"), (std::vector{Native, Memory})) << "native first";
    EXPECT_EQ(ParseTransfers(" native "), std::vector{Native});
    EXPECT_EQ(ParseTransfers("memory,file,memory"), std::vector{Memory});
    EXPECT_EQ(ParseTransfers(","), std::nullopt);
}

} // namespace
} // namespace pellix::vscan
