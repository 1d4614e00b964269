// The geometry of a scanned page: paper size, resolution and colour mode,
// and what follows from them (pixels, bits per pixel, bytes per row).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pellix::vscan {

enum class PixelKind { Color, Gray, BlackWhite };

struct PaperSize {
    double widthMm = 0;
    double heightMm = 0;
    friend bool operator==(const PaperSize&, const PaperSize&) = default;
};

inline constexpr PaperSize kA4{210.0, 297.0};
inline constexpr PaperSize kLetter{215.9, 279.4};

// The resolutions the scanner offers, in dots per inch.
inline constexpr std::array<int, 6> kOfferedResolutions{100, 150, 200, 300, 400, 600};
inline constexpr int kDefaultResolution = 300;

bool IsOfferedResolution(int dpi);

int BitsPerPixel(PixelKind kind);

// A length in millimetres as whole pixels at dpi (rounded, at least 1).
int MillimetresToPixels(double mm, int dpi);

struct PageFormat {
    PaperSize paper;
    int dpi = kDefaultResolution;
    PixelKind kind = PixelKind::Color;
    int width = 0;  // pixels
    int height = 0; // pixels

    int BitsPerPixel() const { return vscan::BitsPerPixel(kind); }
    // Bytes of one row with no padding at its end.
    std::size_t PackedRowBytes() const;
    // Bytes of one row padded to a multiple of four bytes, as bitmaps store it.
    std::size_t PaddedRowBytes() const;
};

PageFormat MakePageFormat(PaperSize paper, int dpi, PixelKind kind);

} // namespace pellix::vscan
