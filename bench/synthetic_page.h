// A document-like page for benchmarks: paper with scanner noise, lines of
// dark text, a colour photograph, a table and a red stamp, at A4 300 dpi
// (2480 x 3508). Deterministic, computed row by row.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace pellix::bench {

inline constexpr std::int32_t kA4Width = 2480;
inline constexpr std::int32_t kA4Height = 3508;
inline constexpr std::int32_t kA4PixelsPerMetre = 11811; // 300 dpi

// BlackWhiteAsGray: the black-and-white page stored with 8 bits, for tools
// that read no 1-bit bitmaps.
enum class PageKind { Colour, Gray, BlackWhite, BlackWhiteAsGray };

// "colour", "gray", "bw" or "bw8".
bool ParsePageKind(const std::string& text, PageKind& kind);

// Row y of the colour page: `width` RGB pixels.
void ColourRow(std::int32_t y, std::int32_t width, std::uint8_t* rgb);

// Writes the page as a bottom-up bitmap file: 24 bits for colour, 8 bits
// with a gray palette for gray, 1 bit for black and white.
bool WritePage(const std::filesystem::path& path, PageKind kind, std::int32_t width = kA4Width,
               std::int32_t height = kA4Height);

} // namespace pellix::bench
