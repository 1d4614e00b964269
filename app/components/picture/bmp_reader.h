// A strict reader of Windows bitmap (.bmp) files held in memory, normally a
// read-only mapping of the file. Every size and offset is checked against
// the real length before anything is read; then rows are handed out top-down
// as pointers into the file and converted on demand to RGB, gray or palette
// indices. The pixel data is never copied as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pellix {

struct RgbColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

class BmpImage {
public:
    // How the stored rows look, for encoders that can take them as they are.
    enum class RowFormat {
        Indexed, // 1, 4 or 8 bits into the palette
        Bgr,     // 24 bits, blue first
        Bgrx,    // 32 bits, blue first, fourth byte unused
        Masked,  // 16 or 32 bits with other bit fields
    };

    // Reads the headers of the bitmap file `file` (`size` bytes). Gives the
    // reason in `why` when it is not a bitmap this reader takes.
    static std::optional<BmpImage> Read(const std::uint8_t* file, std::size_t size,
                                        std::string& why);

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    std::uint16_t BitCount() const { return bitCount_; }
    RowFormat Format() const { return format_; }
    bool HasPalette() const { return format_ == RowFormat::Indexed; }
    // The colour table of a palette page: 1 to 256 entries.
    const std::vector<RgbColour>& Palette() const { return palette_; }
    // A palette page whose colours are all grays (black and white included).
    bool IsGray() const { return gray_; }
    // An 8-bit page whose 256 palette entries are the grays 0 to 255 in
    // order: its rows already are gray samples.
    bool IsGrayRamp() const { return grayRamp_; }
    // Resolution; 0 when the file gives none.
    std::int32_t XPixelsPerMetre() const { return xPpm_; }
    std::int32_t YPixelsPerMetre() const { return yPpm_; }

    // Row y, counted from the top, as stored in the file.
    const std::uint8_t* Row(std::int32_t y) const;

    // Converters for top-down row y. `out` takes Width() pixels: three bytes
    // each for RGB, one for gray and indices. Indices beyond the colour table
    // read as the first colour. RowToGray and RowToIndices are for palette
    // pages.
    void RowToRgb(std::int32_t y, std::uint8_t* out) const;
    void RowToGray(std::int32_t y, std::uint8_t* out) const;
    void RowToIndices(std::int32_t y, std::uint8_t* out) const;

    // Told when the top-down rows [first, end) will not be read again soon,
    // with the byte range they take in the file.
    using ReleaseHook = std::function<void(std::size_t offset, std::size_t size)>;
    void SetReleaseHook(ReleaseHook hook) { release_ = std::move(hook); }
    void ReleaseRows(std::int32_t first, std::int32_t end) const;

private:
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint32_t most = 0; // the largest value after shifting
    };

    void MaskedRowToRgb(const std::uint8_t* row, std::uint8_t* out) const;
    bool SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::string& why);
    std::uint8_t Scale(std::uint32_t pixel, const Channel& c) const;

    const std::uint8_t* pixels_ = nullptr;
    std::size_t pixelOffset_ = 0;
    std::size_t stride_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    bool topDown_ = false;
    std::uint16_t bitCount_ = 0;
    RowFormat format_ = RowFormat::Indexed;
    std::vector<RgbColour> palette_;
    // Every possible index (0..255) to its colour, gray level and GIF index.
    std::vector<RgbColour> colourOf_;
    std::vector<std::uint8_t> grayOf_;
    std::vector<std::uint8_t> indexOf_;
    bool gray_ = false;
    bool grayRamp_ = false;
    Channel red_;
    Channel green_;
    Channel blue_;
    std::int32_t xPpm_ = 0;
    std::int32_t yPpm_ = 0;
    ReleaseHook release_;
};

} // namespace pellix
