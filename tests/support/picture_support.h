// Shared by the picture tests: bitmap files built in memory (every header
// size, bit count, bit-field layout and row order the reader takes), a
// throw-away folder, and decoders that read the writer's output back with
// libjpeg and giflib.
#pragma once

#include "app/components/picture/bmp_reader.h"
#include "app/components/picture/picture_writer.h"

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

// For palette pages an index, otherwise a colour as 0xRRGGBB.
using PixelAt = std::function<std::uint32_t(std::int32_t x, std::int32_t y)>;

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout, const PixelAt& pixel);
// The colour the file really holds at x, y: the palette entry, or 0xRRGGBB
// cut down by the layout's bit fields (16-bit pages keep 5 or 6 bits).
RgbColour StoredColour(const BmpLayout& layout, const PixelAt& pixel, std::int32_t x,
                       std::int32_t y);
RgbColour Unpack(std::uint32_t rgb);
std::vector<RgbColour> GrayPalette(int entries);
void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value);

std::uint32_t Gradient(std::int32_t x, std::int32_t y);   // many colours
std::uint32_t FewColours(std::int32_t x, std::int32_t y); // 6 colours in blocks

// A fresh folder, removed with its contents afterwards.
class TestFolder {
public:
    explicit TestFolder(const std::u8string& name = u8"pellix-picture");
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    std::vector<std::string> Names() const; // sorted

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

using Conversion =
    std::function<PictureResult(const std::filesystem::path&, const std::filesystem::path&)>;
// The page built, converted in a fresh folder (which must succeed), and the
// result's bytes.
std::vector<std::uint8_t> ConvertPage(const BmpLayout& layout, const PixelAt& pixel,
                                      const Conversion& conversion);

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
// The tables libjpeg's jpeg_set_quality makes (baseline limits), natural order.
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
