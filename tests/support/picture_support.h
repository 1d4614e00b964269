// Shared by the picture tests and the program's: bitmap files built in
// memory, whole-file reads, and decoders that read the writer's output back
// with libjpeg and giflib.
#pragma once

#include "app/components/picture/bmp_reader.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pellix::test {

// Byte offsets in a bitmap file, for tests that spoil fields.
inline constexpr std::size_t kPixelOffsetField = 10;
inline constexpr std::size_t kWidthField = 18;
inline constexpr std::size_t kHeightField = 22;
inline constexpr std::size_t kBitCountField = 28;
inline constexpr std::size_t kCompressionField = 30;

struct BmpLayout {
    std::int32_t width = 8, height = 8;
    std::uint16_t bitCount = 24;
    std::uint32_t headerSize = 40;        // 12 (with a full palette), 40, 108 or 124
    std::array<std::uint32_t, 3> masks{}; // red, green, blue; BI_BITFIELDS when set
    bool topDown = false;
    std::int32_t xPixelsPerMetre = 0, yPixelsPerMetre = 0;
    std::vector<RgbColour> palette = {}; // 1, 4 and 8 bits
    std::uint32_t gap = 0;               // bytes between the headers and the pixels
};

// For palette pages an index, otherwise a colour as 0xRRGGBB (cut to the masks).
using PixelAt = std::function<std::uint32_t(std::int32_t x, std::int32_t y)>;

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout, const PixelAt& pixel);
std::vector<RgbColour> GrayPalette(int entries);
void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);

struct DecodedJpeg {
    int width = 0, height = 0, components = 0; // 1 gray, 3 colour
    int densityUnit = 0, xDensity = 0, yDensity = 0;
    std::vector<std::array<std::uint16_t, 64>> quantTables = {}; // natural order
    std::vector<std::uint8_t> pixels = {};                       // RGB, gray ones too
};

// Empty when libjpeg refuses the data.
std::optional<DecodedJpeg> DecodeJpeg(const std::vector<std::uint8_t>& file);
// The tables libjpeg's jpeg_set_quality makes (baseline limits), natural order.
std::vector<std::array<std::uint16_t, 64>> ReferenceQuantTables(int quality, bool gray);

struct DecodedGif {
    int width = 0, height = 0, aspectByte = 0;
    std::vector<RgbColour> colours = {}; // the global colour map, all entries
    std::vector<std::uint8_t> indices = {};
    RgbColour At(int x, int y) const { return colours[indices[y * width + x]]; }
};

std::optional<DecodedGif> DecodeGif(const std::vector<std::uint8_t>& file);

} // namespace pellix::test
