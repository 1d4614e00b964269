// Maps rows of RGB pixels onto a palette with Floyd-Steinberg error
// diffusion, alternating direction from row to row. Holds two rows of error
// terms and a cache of nearest palette colours at 64 levels per channel,
// filled as colours come up.
#pragma once

#include "app/components/bmp_reader.h"

#include <cstdint>
#include <vector>

namespace pellix {

class DitheringMapper {
public:
    // palette: 1 to 256 colours.
    DitheringMapper(std::vector<RgbColour> palette, std::int32_t width);

    // Rows come top-down, each `width` pixels of three bytes.
    void MapRow(const std::uint8_t* rgb, std::uint8_t* indices);

    // The palette colour nearest to r, g, b (as cached).
    std::uint8_t Nearest(int r, int g, int b);

private:
    std::vector<RgbColour> palette_;
    std::int32_t width_;
    bool leftToRight_ = true;
    std::vector<std::int16_t> nearest_; // 64^3 cells, -1 until looked up
    // Errors times 16 for three channels, one pixel of margin on each side.
    std::vector<int> current_;
    std::vector<int> next_;
};

} // namespace pellix
