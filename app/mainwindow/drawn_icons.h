// The program's pictures, drawn from shapes rather than stored: the four
// toolbar images and the program icon. Drawn at the exact pixel size the
// screen asks for, so they stay sharp at every scaling. Platform-neutral.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pellix {

enum class DrawnIcon { Save, SaveAs, Scan, Options, Program };

// A square image, rows top to bottom, each pixel blue, green, red, alpha
// with the colours premultiplied by alpha (the layout Windows' 32-bit
// image lists and icons take).
struct IconImage {
    int size = 0;
    std::vector<std::uint8_t> bgra;

    std::uint8_t Alpha(int x, int y) const { return bgra[(std::size_t(y) * size + x) * 4 + 3]; }
};

// The icon drawn `size` pixels square (at least 1).
IconImage DrawIcon(DrawnIcon icon, int size);

// An icon file (.ico) holding the given images, each stored as a 32-bit
// bitmap with its mask.
std::string IconFile(const std::vector<IconImage>& images);

} // namespace pellix
