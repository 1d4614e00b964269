// Reads back what the picture writer produced, with the same libraries, so
// tests can compare pixels, tables and header fields.
#pragma once

#include "app/components/bmp_reader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace pellix::test {

struct DecodedJpeg {
    int width = 0;
    int height = 0;
    int components = 0; // 1 gray, 3 colour
    bool jfif = false;
    int densityUnit = 0;
    int xDensity = 0;
    int yDensity = 0;
    std::vector<std::array<std::uint16_t, 64>> quantTables; // natural order
    std::vector<std::uint8_t> pixels;                       // RGB, or gray for one component
};

// Empty when libjpeg refuses the data.
std::optional<DecodedJpeg> DecodeJpeg(const std::vector<std::uint8_t>& file);

// The quantisation tables libjpeg itself makes for `quality` and the given
// colour space (jpeg_set_quality with baseline limits), natural order.
std::vector<std::array<std::uint16_t, 64>> ReferenceQuantTables(int quality, bool gray);

struct DecodedGif {
    int width = 0;
    int height = 0;
    int aspectByte = 0;
    std::vector<RgbColour> colours; // the global colour map, all entries
    std::vector<std::uint8_t> indices;
    RgbColour At(int x, int y) const { return colours[indices[y * width + x]]; }
};

std::optional<DecodedGif> DecodeGif(const std::vector<std::uint8_t>& file);

} // namespace pellix::test
