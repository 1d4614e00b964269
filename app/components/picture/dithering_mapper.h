// Maps rows of RGB pixels onto a palette with Floyd-Steinberg error
// diffusion, alternating direction from row to row. Holds two rows of error
// terms and a cache of nearest palette colours at 64 levels per channel,
// filled as colours come up.
#pragma once

#include "app/components/picture/bmp_reader.h"

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
    std::uint8_t Nearest(int r, int g, int b) {
        const std::size_t block = (static_cast<std::size_t>(r >> 4) << 8) |
                                  (static_cast<std::size_t>(g >> 4) << 4) |
                                  static_cast<std::size_t>(b >> 4);
        if (!filled_[block]) {
            FillBlock(block);
        }
        return nearest_[(block << 6) | static_cast<std::size_t>(((r >> 2) & 3) << 4) |
                        static_cast<std::size_t>(((g >> 2) & 3) << 2) |
                        static_cast<std::size_t>((b >> 2) & 3)];
    }

private:
    void FillBlock(std::size_t block);

    std::vector<RgbColour> palette_;
    std::int32_t width_;
    bool leftToRight_ = true;
    // Nearest colours for 64 levels a channel, stored by blocks of 4x4x4
    // cells (16 levels a channel, one cache line each), filled a block at a
    // time when first needed.
    std::vector<std::uint8_t> nearest_;
    std::vector<std::uint8_t> filled_;
    std::vector<std::uint8_t> candidates_;
    // Errors times 16 for three channels, one pixel of margin on each side.
    std::vector<int> current_;
    std::vector<int> next_;
};

} // namespace pellix
