#include "devices/virtual-scanner/core/page_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace pellix::vscan {
namespace {

constexpr PageStamp kMorning{2024, 3, 9, 8, 15, 0};
constexpr PageStamp kSecondLater{2024, 3, 9, 8, 15, 1};

using Row = std::vector<std::uint8_t>;

Row renderRow(const PageGenerator& page, int y) {
    Row row(page.format().packedRowBytes());
    page.renderRow(y, row);
    return row;
}

std::vector<Row> renderPage(const PageGenerator& page) {
    std::vector<Row> rows;
    for (int y = 0; y < page.format().height; ++y) {
        rows.push_back(renderRow(page, y));
    }
    return rows;
}

bool bitIsWhite(const Row& row, int x) {
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

int at(double inches, int dpi) {
    return static_cast<int>(std::lround(inches * dpi));
}

class RulerTest : public testing::TestWithParam<int> {
protected:
    int dpi = GetParam();
    PageGenerator page{makePageFormat(kA4, dpi, PixelKind::Gray), kMorning};
    const RulerBand& ruler = page.ruler();

    bool dark(int x, int y) const { return renderRow(page, y)[x] < 128; }
    // Rows down from the top edge that are dark at column x.
    int markLengthFromTop(int x) const {
        int length = 0;
        while (ruler.top + length < ruler.bottom && dark(x, ruler.top + length)) {
            ++length;
        }
        return length;
    }
    int markLengthFromBottom(int x) const {
        int length = 0;
        while (ruler.bottom - 1 - length >= ruler.top && dark(x, ruler.bottom - 1 - length)) {
            ++length;
        }
        return length;
    }
};

TEST_P(RulerTest, InchMarksHangFromTheTopEdgeEveryHalfInch) {
    const Row top = renderRow(page, ruler.top);
    for (int half = 0; at(half / 2.0 + 0.25, dpi) < page.format().width; ++half) {
        const int mark = at(half / 2.0, dpi);
        for (int x = mark; x < mark + ruler.tickWidth; ++x) {
            EXPECT_LT(top[x], 128) << "no mark at " << half / 2.0 << " in, column " << x;
        }
        EXPECT_GT(top[mark + ruler.tickWidth], 128) << "mark too wide at " << half / 2.0 << " in";
        EXPECT_GT(top[at(half / 2.0 + 0.25, dpi)], 128)
            << "stray mark at " << half / 2.0 + 0.25 << " in";
    }
}

TEST_P(RulerTest, WholeInchMarksAreLongerThanHalfInchMarks) {
    EXPECT_GT(markLengthFromTop(at(1.0, dpi)), markLengthFromTop(at(1.5, dpi)));
    EXPECT_EQ(markLengthFromTop(at(1.0, dpi)), markLengthFromTop(at(5.0, dpi)));
    EXPECT_GT(markLengthFromTop(at(1.5, dpi)), 0);
}

TEST_P(RulerTest, CentimetreMarksStandOnTheBottomEdgeEveryMillimetre) {
    const Row bottom = renderRow(page, ruler.bottom - 1);
    for (int millimetre = 0; at((millimetre + 0.5) / 25.4, dpi) < page.format().width;
         ++millimetre) {
        const int mark = at(millimetre / 25.4, dpi);
        EXPECT_LT(bottom[mark], 128) << "no mark at " << millimetre << " mm";
        EXPECT_GT(bottom[at((millimetre + 0.5) / 25.4, dpi)], 128)
            << "stray mark at " << millimetre + 0.5 << " mm";
    }
}

TEST_P(RulerTest, CentimetreMarksOutgrowHalfCentimetreAndMillimetreMarks) {
    const int centimetre = markLengthFromBottom(at(3 / 2.54, dpi));
    const int half = markLengthFromBottom(at(3.5 / 2.54, dpi));
    const int millimetre = markLengthFromBottom(at(3.2 / 2.54, dpi));
    EXPECT_GT(centimetre, half);
    EXPECT_GT(half, millimetre);
    EXPECT_GT(millimetre, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryOfferedResolution, RulerTest, testing::ValuesIn(kOfferedResolutions));

TEST(PageGenerator, PagesMadeAtDifferentTimesDifferOnlyWhereTheTimeIsPrinted) {
    const PageFormat format = makePageFormat(kA4, 100, PixelKind::Color);
    const auto first = renderPage(PageGenerator(format, kMorning));
    const auto again = renderPage(PageGenerator(format, kMorning));
    const auto later = renderPage(PageGenerator(format, kSecondLater));

    EXPECT_EQ(first, again) << "the same time must give the same page";
    int differing = 0;
    for (std::size_t y = 0; y < first.size(); ++y) {
        differing += first[y] != later[y];
    }
    EXPECT_GT(differing, 0) << "the time of the scan is not on the page";
    EXPECT_LT(differing, format.height / 10) << "more than the time changed";
}

TEST(PageGenerator, ColourPageHasSaturatedColoursAndAGrayPageManyLevels) {
    const auto colour =
        renderPage(PageGenerator(makePageFormat(kA4, 100, PixelKind::Color), kMorning));
    bool red = false, green = false, blue = false;
    for (const Row& row : colour) {
        for (std::size_t x = 0; x + 2 < row.size(); x += 3) {
            red |= row[x] > 200 && row[x + 1] < 60 && row[x + 2] < 60;
            green |= row[x] < 60 && row[x + 1] > 200 && row[x + 2] < 60;
            blue |= row[x] < 60 && row[x + 1] < 60 && row[x + 2] > 200;
        }
    }
    EXPECT_TRUE(red && green && blue);

    const auto gray =
        renderPage(PageGenerator(makePageFormat(kA4, 100, PixelKind::Gray), kMorning));
    std::set<std::uint8_t> levels;
    for (const Row& row : gray) {
        levels.insert(row.begin(), row.end());
    }
    EXPECT_GT(levels.size(), 200u) << "no gray gradient";
    EXPECT_TRUE(levels.count(0) && levels.count(255));
}

TEST(PageGenerator, BlackAndWhitePageHasBothColoursAndDithersTheGradients) {
    const PageFormat format = makePageFormat(kA4, 150, PixelKind::BlackWhite);
    const auto rows = renderPage(PageGenerator(format, kMorning));
    long white = 0;
    bool dithered = false;
    for (const Row& row : rows) {
        int rowWhite = 0;
        for (int x = 0; x < format.width; ++x) {
            rowWhite += bitIsWhite(row, x);
        }
        white += rowWhite;
        // A mix of both colours over most of a row only comes from dithering.
        dithered |= rowWhite > format.width / 4 && rowWhite < format.width * 3 / 4;
    }
    const long all = long(format.width) * format.height;
    EXPECT_GT(white, all / 2) << "the paper should be mostly white";
    EXPECT_LT(white, all - all / 50) << "hardly any black";
    EXPECT_TRUE(dithered);
}

TEST(PageGenerator, BlackAndWhiteKeepsPureBlackAndPureWhiteOfTheGrayPage) {
    const PageGenerator gray(makePageFormat(kA4, 100, PixelKind::Gray), kMorning);
    const PageGenerator bw(makePageFormat(kA4, 100, PixelKind::BlackWhite), kMorning);
    // The printed lines name the colour mode, so compare the ruler and
    // everything below the text (from 65 mm down).
    std::vector<int> rows;
    for (int y = gray.ruler().top; y < gray.ruler().bottom; ++y) {
        rows.push_back(y);
    }
    for (int y = at(65 / 25.4, 100); y < gray.format().height; y += 3) {
        rows.push_back(y);
    }
    for (const int y : rows) {
        const Row g = renderRow(gray, y);
        const Row b = renderRow(bw, y);
        for (int x = 0; x < gray.format().width; ++x) {
            if (g[x] == 0) {
                ASSERT_FALSE(bitIsWhite(b, x)) << x << "," << y;
            } else if (g[x] == 255) {
                ASSERT_TRUE(bitIsWhite(b, x)) << x << "," << y;
            }
        }
    }
}

TEST(PageGenerator, RowLeavesPaddingAloneAndClearsUnusedBits) {
    // 40 mm at 100 dpi: 157 pixels, so the last byte of a 1-bit row holds
    // five pixels and three unused bits.
    const PageGenerator page(makePageFormat({40, 25}, 100, PixelKind::BlackWhite), kMorning);
    Row row(page.format().paddedRowBytes(), 0xAB);
    ASSERT_EQ(page.format().packedRowBytes(), 20u);
    for (int y = 0; y < page.format().height; ++y) {
        page.renderRow(y, row);
        EXPECT_EQ(row[19] & 0x07, 0) << "row " << y;
        for (std::size_t i = 20; i < row.size(); ++i) {
            EXPECT_EQ(row[i], 0xAB);
        }
    }
}

} // namespace
} // namespace pellix::vscan
