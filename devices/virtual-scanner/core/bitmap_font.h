// A small fixed-size bitmap font (5 x 7 dots in a 6 x 8 cell) for the text
// printed on the synthetic page. Covers printable ASCII; anything else is
// drawn as '?'.
#pragma once

#include <array>
#include <cstdint>

namespace pellix::vscan {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
// A character cell adds one column and one row of spacing.
inline constexpr int kCellWidth = 6;
inline constexpr int kCellHeight = 8;

// Five columns, left to right; bit 0 of each column is the top dot.
using GlyphColumns = std::array<std::uint8_t, kGlyphWidth>;

const GlyphColumns& Glyph(char c);

// Whether dot (column, row) of c is set; outside the glyph it is not.
bool GlyphDot(char c, int column, int row);

} // namespace pellix::vscan
