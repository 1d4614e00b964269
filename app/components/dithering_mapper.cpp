#include "app/components/dithering_mapper.h"

#include <algorithm>
#include <limits>

namespace pellix {
namespace {

constexpr int kLevels = 64;

} // namespace

DitheringMapper::DitheringMapper(std::vector<RgbColour> palette, std::int32_t width)
    : palette_(std::move(palette)), width_(width), nearest_(kLevels * kLevels * kLevels, -1),
      current_((static_cast<std::size_t>(width) + 2) * 3, 0),
      next_((static_cast<std::size_t>(width) + 2) * 3, 0) {
    if (palette_.empty()) {
        palette_.push_back({});
    }
}

std::uint8_t DitheringMapper::Nearest(int r, int g, int b) {
    const std::size_t cell = (static_cast<std::size_t>(r >> 2) * kLevels + (g >> 2)) * kLevels +
                             static_cast<std::size_t>(b >> 2);
    if (nearest_[cell] < 0) {
        // Nearest to the middle of the cell.
        const int cr = (r & ~3) + 2;
        const int cg = (g & ~3) + 2;
        const int cb = (b & ~3) + 2;
        int best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            const int dr = palette_[i].red - cr;
            const int dg = palette_[i].green - cg;
            const int db = palette_[i].blue - cb;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<int>(i);
            }
        }
        nearest_[cell] = static_cast<std::int16_t>(best);
    }
    return static_cast<std::uint8_t>(nearest_[cell]);
}

void DitheringMapper::MapRow(const std::uint8_t* rgb, std::uint8_t* indices) {
    std::fill(next_.begin(), next_.end(), 0);
    const int step = leftToRight_ ? 1 : -1;
    std::int32_t x = leftToRight_ ? 0 : width_ - 1;
    for (std::int32_t n = 0; n < width_; ++n, x += step) {
        // Error slot of pixel x is x + 1 (a margin pixel on each side).
        const std::size_t here = static_cast<std::size_t>(x + 1) * 3;
        const std::size_t ahead = static_cast<std::size_t>(x + 1 + step) * 3;
        const std::size_t behind = static_cast<std::size_t>(x + 1 - step) * 3;
        int value[3];
        for (int c = 0; c < 3; ++c) {
            value[c] = std::clamp(rgb[3 * x + c] + ((current_[here + c] + 8) >> 4), 0, 255);
        }
        const std::uint8_t index = Nearest(value[0], value[1], value[2]);
        indices[x] = index;
        const RgbColour& chosen = palette_[index];
        const int error[3] = {value[0] - chosen.red, value[1] - chosen.green,
                              value[2] - chosen.blue};
        for (int c = 0; c < 3; ++c) {
            const int e = error[c];
            current_[ahead + c] += e * 7;
            next_[behind + c] += e * 3;
            next_[here + c] += e * 5;
            next_[ahead + c] += e;
        }
    }
    std::swap(current_, next_);
    leftToRight_ = !leftToRight_;
}

} // namespace pellix
