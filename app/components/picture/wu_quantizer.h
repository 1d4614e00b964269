// Xiaolin Wu's colour quantizer (Graphics Gems II, "Efficient Statistical
// Computations for Optimal Color Quantization"): a histogram of 32 levels per
// channel with its moments, split into the boxes that leave the least
// variance. Memory is fixed (about 1.4 MB) whatever the page size; rows are
// added one at a time.
#pragma once

#include "app/components/picture/bmp_reader.h"

#include <cstdint>
#include <vector>

namespace pellix {

class WuQuantizer {
public:
    WuQuantizer();

    // rgb: `width` pixels of three bytes.
    void AddRow(const std::uint8_t* rgb, std::int32_t width);

    // Up to `colours` (1..256) colours for the pixels added so far. Call once.
    std::vector<RgbColour> MakePalette(int colours);

    // Moments of the pixels in one histogram cell, kept together so adding a
    // pixel touches one place in memory.
    struct Cell {
        std::int64_t weight = 0;
        std::int64_t red = 0;
        std::int64_t green = 0;
        std::int64_t blue = 0;
        double squares = 0;
    };

    struct Box {
        int r0, r1, g0, g1, b0, b1; // exclusive lower, inclusive upper bounds
        int volume;
    };

private:
    void Accumulate();
    double Variance(const Box& box) const;
    bool Cut(Box& first, Box& second) const;

    std::vector<Cell> cells_;
};

} // namespace pellix
