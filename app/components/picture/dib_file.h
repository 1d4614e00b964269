// Windows bitmap files made from what a scanner hands over: a packed DIB
// (native transfer) or strips of rows (memory transfer). Platform-neutral:
// the caller does the file writing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellix {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::uint32_t kInfoHeaderSize = 40;

// Compression values of a bitmap's info header.
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitfields = 3;
inline constexpr std::uint32_t kBiJpeg = 4;
inline constexpr std::uint32_t kBiPng = 5;
inline constexpr std::uint32_t kBiAlphaBitfields = 6;

// Where the parts of a packed DIB lie, from its start.
struct DibLayout {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0; // rows, always positive
    bool topDown = false;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint64_t pixelOffset = 0;       // header + colour table + masks
    std::uint64_t colourTableOffset = 0; // header + masks
    std::uint32_t colourCount = 0;
    std::uint32_t colourEntrySize = 4; // 3 after the 12-byte header
    std::uint64_t pixelBytes = 0;
    std::uint64_t TotalSize() const { return pixelOffset + pixelBytes; }
};

// Checks a packed DIB of `size` bytes: a known header (12, 40, 52, 56, 108
// or 124 bytes), sane dimensions, and a colour table and pixel data that lie
// inside the block. All arithmetic is overflow-safe; the result fits a BMP
// file (below 4 GiB). Gives the reason in `why` when it refuses.
std::optional<DibLayout> ExamineDib(const std::uint8_t* dib, std::size_t size, std::string& why);

// The 14-byte file header that turns a packed DIB into a .bmp file.
std::array<std::uint8_t, kBmpFileHeaderSize> BmpFileHeader(const DibLayout& layout);

// Writes the resolution into an info header (40 bytes or more) that carries
// none. Dots per inch become pixels per metre.
void FillMissingResolution(std::uint8_t* dib, const DibLayout& layout, double xDpi, double yDpi);

std::int32_t DpiToPixelsPerMetre(double dpi);

// A page arriving as strips of top-down rows (memory transfer), written as a
// bottom-up BMP file: the headers first, then each row at its place.
class BmpStripLayout {
public:
    enum class Kind { BlackWhite, Gray, Rgb, Palette };

    struct Colour {
        std::uint8_t red, green, blue;
    };

    // palette: for Kind::Palette only (1..256 entries). Rows of `height`
    // (or top-down when the height is unknown, given as 0: rows are then
    // appended in order and the header is fixed at the end).
    static std::optional<BmpStripLayout> Make(Kind kind, std::int32_t width, std::int32_t height,
                                              double xDpi, double yDpi,
                                              const std::vector<Colour>& palette, std::string& why);

    std::uint16_t BitCount() const { return bitCount_; }
    std::uint64_t Stride() const { return stride_; }
    std::int32_t Height() const { return height_; }

    // File header, info header and colour table, for `rows` rows (the
    // height given to Make unless it was unknown).
    std::vector<std::uint8_t> Headers(std::int32_t rows) const;
    std::uint64_t HeadersSize() const;

    // Converts one source row (`sourceBytes` long, top-down row `y`) into a
    // BMP row of Stride() bytes at `out` and gives that row's file offset.
    // RGB turns into BGR and the row is padded; the source row must hold at
    // least `width` pixels.
    std::optional<std::uint64_t> ConvertRow(std::int32_t y, const std::uint8_t* source,
                                            std::size_t sourceBytes, std::uint8_t* out) const;

private:
    Kind kind_ = Kind::Rgb;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::uint16_t bitCount_ = 0;
    std::uint64_t stride_ = 0;
    std::int32_t xPpm_ = 0;
    std::int32_t yPpm_ = 0;
    std::vector<Colour> palette_;
};

} // namespace pellix
