// Builds bitmap files in memory for the picture tests: every header size,
// bit count, bit-field layout and row order the reader takes, with fields
// that tests may then spoil on purpose.
#pragma once

#include "app/components/bmp_reader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace pellix::test {

// Byte offsets in a bitmap file, for tests that spoil fields.
inline constexpr std::size_t kPixelOffsetField = 10;
inline constexpr std::size_t kWidthField = 18;
inline constexpr std::size_t kHeightField = 22;
inline constexpr std::size_t kBitCountField = 28;
inline constexpr std::size_t kCompressionField = 30;
inline constexpr std::size_t kColoursUsedField = 46;

struct BmpLayout {
    std::int32_t width = 8;
    std::int32_t height = 8;
    std::uint16_t bitCount = 24;
    std::uint32_t headerSize = 40;        // 12, 40, 108 or 124
    bool bitFields = false;               // BI_BITFIELDS with `masks`
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
    bool topDown = false;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;
    std::vector<RgbColour> palette; // 1, 4 and 8 bits
    std::uint32_t gap = 0;          // bytes between the headers and the pixels
};

// For palette pages the pixel function gives an index, otherwise a colour
// as 0xRRGGBB.
using PixelAt = std::function<std::uint32_t(std::int32_t x, std::int32_t y)>;

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout, const PixelAt& pixel);

// The colour the file really holds for 0xRRGGBB after the layout's bit
// fields cut it down (16-bit pages keep 5 or 6 bits a channel).
RgbColour StoredColour(const BmpLayout& layout, std::uint32_t rgb);

RgbColour Unpack(std::uint32_t rgb);

std::vector<RgbColour> GrayPalette(int entries);

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value);

// Page contents used across the tests.
std::uint32_t Gradient(std::int32_t x, std::int32_t y);   // many colours
std::uint32_t FewColours(std::int32_t x, std::int32_t y); // 6 colours in blocks

} // namespace pellix::test
