// Reducing a true-colour page to 256 colours: the exact colour collector,
// Wu's quantizer and the error-diffusing mapper.
#include "app/components/picture/dithering_mapper.h"
#include "app/components/picture/exact_colours.h"
#include "app/components/picture/wu_quantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

namespace pellix {
namespace {

std::vector<std::uint8_t> Row(const std::vector<RgbColour>& colours) {
    std::vector<std::uint8_t> row;
    for (const RgbColour& c : colours) {
        row.insert(row.end(), {c.red, c.green, c.blue});
    }
    return row;
}

TEST(ExactColours, CollectsAndMapsUpToTheLimitAndOverflowsOnTheNextColour) {
    ExactColours exact(4);
    const std::vector<RgbColour> colours = {{1, 2, 3}, {1, 2, 3}, {9, 9, 9}, {0, 0, 0}, {1, 2, 3}};
    const auto row = Row(colours);
    exact.AddRow(row.data(), 5);
    EXPECT_FALSE(exact.Overflowed());
    ASSERT_EQ(exact.Colours().size(), 3u);
    std::vector<std::uint8_t> indices(5);
    exact.MapRow(row.data(), 5, indices.data());
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(exact.Colours()[indices[i]], colours[i]);
    }

    ExactColours full(256);
    std::vector<RgbColour> many;
    for (int i = 0; i < 257; ++i) {
        many.push_back({static_cast<std::uint8_t>(i % 256), static_cast<std::uint8_t>(i / 256), 7});
    }
    const auto manyRow = Row(many);
    full.AddRow(manyRow.data(), 256);
    EXPECT_FALSE(full.Overflowed());
    full.AddRow(manyRow.data(), 257);
    EXPECT_TRUE(full.Overflowed());
}

TEST(WuQuantizer, SeparateColoursComeBackExactly) {
    const std::vector<RgbColour> colours = {
        {0, 0, 0}, {255, 255, 255}, {200, 30, 40}, {20, 90, 210}};
    WuQuantizer wu;
    const auto row = Row(colours);
    for (int i = 0; i < 10; ++i) {
        wu.AddRow(row.data(), 4);
    }
    const auto key = [](const RgbColour& c) {
        return std::tuple(c.red, c.green, c.blue);
    };
    std::set<std::tuple<std::uint8_t, std::uint8_t, std::uint8_t>> got, want;
    for (const auto& c : wu.MakePalette(256)) {
        got.insert(key(c));
    }
    for (const auto& c : colours) {
        want.insert(key(c));
    }
    EXPECT_EQ(got, want);
}

TEST(WuQuantizer, ManyColoursFillThePaletteAskedAndStayClose) {
    WuQuantizer wu;
    std::vector<RgbColour> all;
    for (int r = 0; r < 256; r += 8) {
        for (int g = 0; g < 256; g += 8) {
            for (int b = 0; b < 256; b += 8) {
                all.push_back({static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                               static_cast<std::uint8_t>(b)});
            }
        }
    }
    const auto row = Row(all);
    wu.AddRow(row.data(), static_cast<std::int32_t>(all.size()));
    const auto palette = wu.MakePalette(256);
    EXPECT_EQ(palette.size(), 256u);
    WuQuantizer fewer;
    fewer.AddRow(row.data(), static_cast<std::int32_t>(all.size()));
    EXPECT_EQ(fewer.MakePalette(2).size(), 2u);
    // A uniform cube split in 256 boxes: no colour far from its nearest.
    int worst = 0;
    for (const auto& c : all) {
        int best = 1 << 30;
        for (const auto& p : palette) {
            best = std::min(best, std::abs(c.red - p.red) + std::abs(c.green - p.green) +
                                      std::abs(c.blue - p.blue));
        }
        worst = std::max(worst, best);
    }
    EXPECT_LT(worst, 64);
}

TEST(DitheringMapper, PaletteColoursMapToThemselvesAndMixesKeepTheAverage) {
    const std::vector<RgbColour> palette = {{0, 0, 0}, {255, 255, 255}, {200, 40, 40}};
    DitheringMapper exact(palette, 3);
    const auto row = Row(palette);
    std::vector<std::uint8_t> indices(100);
    for (int i = 0; i < 4; ++i) {
        exact.MapRow(row.data(), indices.data());
        EXPECT_EQ(std::vector(indices.begin(), indices.begin() + 3),
                  (std::vector<std::uint8_t>{0, 1, 2}));
    }

    DitheringMapper mixing({{0, 0, 0}, {255, 255, 255}}, 100);
    const auto gray = Row(std::vector<RgbColour>(100, RgbColour{64, 64, 64}));
    int white = 0;
    for (int y = 0; y < 100; ++y) {
        mixing.MapRow(gray.data(), indices.data());
        white += static_cast<int>(std::count(indices.begin(), indices.end(), 1));
    }
    EXPECT_NEAR(white / 10000.0, 64.0 / 255.0, 0.01);
}

} // namespace
} // namespace pellix
