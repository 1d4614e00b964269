#include "app/components/picture/dithering_mapper.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace pellix {
namespace {

constexpr std::size_t kCells = 64 * 64 * 64;
constexpr std::size_t kBlocks = 16 * 16 * 16;

} // namespace

DitheringMapper::DitheringMapper(std::vector<RgbColour> palette, std::int32_t width)
    : palette_(std::move(palette)), width_(width), nearest_(kCells, 0), filled_(kBlocks, 0),
      current_((static_cast<std::size_t>(width) + 2) * 3, 0),
      next_((static_cast<std::size_t>(width) + 2) * 3, 0) {
    if (palette_.empty()) {
        palette_.push_back({});
    }
    if (palette_.size() > 256) {
        palette_.resize(256);
    }
    candidates_.reserve(palette_.size());
}

// Fills the 64 cells of one block. Only colours that can be nearest to some
// point of the block are compared: those whose least distance to the block
// is within the smallest largest distance of any colour (as libjpeg's
// two-pass quantizer does).
void DitheringMapper::FillBlock(std::size_t block) {
    // Cell middles in the block run from first + 2 to first + 14.
    const int low[3] = {static_cast<int>(block >> 8) * 16 + 2,
                        static_cast<int>((block >> 4) & 15) * 16 + 2,
                        static_cast<int>(block & 15) * 16 + 2};
    const int high[3] = {low[0] + 12, low[1] + 12, low[2] + 12};
    auto ranges = [&](const RgbColour& c, int& least, int& most) {
        const int value[3] = {c.red, c.green, c.blue};
        least = 0;
        most = 0;
        for (int i = 0; i < 3; ++i) {
            const int v = value[i];
            const int below = v < low[i] ? low[i] - v : 0;
            const int above = v > high[i] ? v - high[i] : 0;
            least += (below + above) * (below + above);
            const int far = std::max(std::abs(v - low[i]), std::abs(v - high[i]));
            most += far * far;
        }
    };
    int limit = std::numeric_limits<int>::max();
    for (const RgbColour& c : palette_) {
        int least = 0;
        int most = 0;
        ranges(c, least, most);
        limit = std::min(limit, most);
    }
    candidates_.clear();
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        int least = 0;
        int most = 0;
        ranges(palette_[i], least, most);
        if (least <= limit) {
            candidates_.push_back(static_cast<std::uint8_t>(i));
        }
    }
    std::uint8_t* cells = &nearest_[block << 6];
    for (int cell = 0; cell < 64; ++cell) {
        const int r = low[0] + ((cell >> 4) & 3) * 4;
        const int g = low[1] + ((cell >> 2) & 3) * 4;
        const int b = low[2] + (cell & 3) * 4;
        int bestDistance = std::numeric_limits<int>::max();
        std::uint8_t best = 0;
        for (const std::uint8_t i : candidates_) {
            const int dr = palette_[i].red - r;
            const int dg = palette_[i].green - g;
            const int db = palette_[i].blue - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        cells[cell] = best;
    }
    filled_[block] = 1;
}

namespace {

int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

} // namespace

void DitheringMapper::MapRow(const std::uint8_t* rgb, std::uint8_t* indices) {
    std::fill(next_.begin(), next_.end(), 0);
    const std::ptrdiff_t step = leftToRight_ ? 1 : -1;
    std::ptrdiff_t x = leftToRight_ ? 0 : width_ - 1;
    // Error slot of pixel x is x + 1: a margin pixel on each side.
    const int* current = current_.data() + 3;
    int* next = next_.data() + 3;
    // 7/16 of the last pixel's error goes to the pixel ahead; kept here
    // rather than in memory, which keeps the step from pixel to pixel short.
    int carryR = 0;
    int carryG = 0;
    int carryB = 0;
    for (std::int32_t n = 0; n < width_; ++n, x += step) {
        const int* here = current + 3 * x;
        const std::uint8_t* pixel = rgb + 3 * x;
        const int r = Clamp255(pixel[0] + ((here[0] + carryR + 8) >> 4));
        const int g = Clamp255(pixel[1] + ((here[1] + carryG + 8) >> 4));
        const int b = Clamp255(pixel[2] + ((here[2] + carryB + 8) >> 4));
        const std::uint8_t index = Nearest(r, g, b);
        indices[x] = index;
        const RgbColour chosen = palette_[index];
        const int er = r - chosen.red;
        const int eg = g - chosen.green;
        const int eb = b - chosen.blue;
        carryR = er * 7;
        carryG = eg * 7;
        carryB = eb * 7;
        int* below = next + 3 * x;
        int* belowBehind = below - 3 * step;
        int* belowAhead = below + 3 * step;
        belowBehind[0] += er * 3;
        belowBehind[1] += eg * 3;
        belowBehind[2] += eb * 3;
        below[0] += er * 5;
        below[1] += eg * 5;
        below[2] += eb * 5;
        belowAhead[0] += er;
        belowAhead[1] += eg;
        belowAhead[2] += eb;
    }
    std::swap(current_, next_);
    leftToRight_ = !leftToRight_;
}

} // namespace pellix
