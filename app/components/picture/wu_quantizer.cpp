#include "app/components/picture/wu_quantizer.h"

#include <algorithm>
#include <cmath>

namespace pellix {
namespace {

constexpr int kSide = 33; // 32 levels per channel plus a zero border
constexpr std::size_t kCells = kSide * kSide * kSide;

enum class Axis { Red, Green, Blue };

constexpr std::size_t At(int r, int g, int b) {
    return (static_cast<std::size_t>(r) * kSide + static_cast<std::size_t>(g)) * kSide +
           static_cast<std::size_t>(b);
}

using Box = WuQuantizer::Box;
using Cell = WuQuantizer::Cell;
using Cells = std::vector<Cell>;

template <typename T> T Get(const Cells& cells, std::size_t at, T Cell::*m) {
    return cells[at].*m;
}

// Sum of a moment over a box, from its cumulative table.
template <typename T> T Volume(const Box& c, const Cells& cells, T Cell::*m) {
    return Get(cells, At(c.r1, c.g1, c.b1), m) - Get(cells, At(c.r1, c.g1, c.b0), m) -
           Get(cells, At(c.r1, c.g0, c.b1), m) + Get(cells, At(c.r1, c.g0, c.b0), m) -
           Get(cells, At(c.r0, c.g1, c.b1), m) + Get(cells, At(c.r0, c.g1, c.b0), m) +
           Get(cells, At(c.r0, c.g0, c.b1), m) - Get(cells, At(c.r0, c.g0, c.b0), m);
}

// The part of Volume that does not depend on where the box is cut along `axis`.
template <typename T> T Bottom(const Box& c, Axis axis, const Cells& cells, T Cell::*m) {
    switch (axis) {
    case Axis::Red:
        return -Get(cells, At(c.r0, c.g1, c.b1), m) + Get(cells, At(c.r0, c.g1, c.b0), m) +
               Get(cells, At(c.r0, c.g0, c.b1), m) - Get(cells, At(c.r0, c.g0, c.b0), m);
    case Axis::Green:
        return -Get(cells, At(c.r1, c.g0, c.b1), m) + Get(cells, At(c.r1, c.g0, c.b0), m) +
               Get(cells, At(c.r0, c.g0, c.b1), m) - Get(cells, At(c.r0, c.g0, c.b0), m);
    case Axis::Blue:
        break;
    }
    return -Get(cells, At(c.r1, c.g1, c.b0), m) + Get(cells, At(c.r1, c.g0, c.b0), m) +
           Get(cells, At(c.r0, c.g1, c.b0), m) - Get(cells, At(c.r0, c.g0, c.b0), m);
}

// The rest of Volume for a cut at `pos` along `axis`.
template <typename T> T Top(const Box& c, Axis axis, int pos, const Cells& cells, T Cell::*m) {
    switch (axis) {
    case Axis::Red:
        return Get(cells, At(pos, c.g1, c.b1), m) - Get(cells, At(pos, c.g1, c.b0), m) -
               Get(cells, At(pos, c.g0, c.b1), m) + Get(cells, At(pos, c.g0, c.b0), m);
    case Axis::Green:
        return Get(cells, At(c.r1, pos, c.b1), m) - Get(cells, At(c.r1, pos, c.b0), m) -
               Get(cells, At(c.r0, pos, c.b1), m) + Get(cells, At(c.r0, pos, c.b0), m);
    case Axis::Blue:
        break;
    }
    return Get(cells, At(c.r1, c.g1, pos), m) - Get(cells, At(c.r1, c.g0, pos), m) -
           Get(cells, At(c.r0, c.g1, pos), m) + Get(cells, At(c.r0, c.g0, pos), m);
}

struct Moments {
    double r, g, b, w;
};

int Bound(const Box& c, Axis axis, bool upper) {
    switch (axis) {
    case Axis::Red:
        return upper ? c.r1 : c.r0;
    case Axis::Green:
        return upper ? c.g1 : c.g0;
    case Axis::Blue:
        break;
    }
    return upper ? c.b1 : c.b0;
}

} // namespace

WuQuantizer::WuQuantizer() : cells_(kCells) {}

void WuQuantizer::AddRow(const std::uint8_t* rgb, std::int32_t width) {
    // Neighbouring pixels mostly fall in the same cell (paper, ink): their
    // sums are gathered here and added to the cell when the cell changes.
    std::size_t current = 0;
    std::int64_t count = 0, red = 0, green = 0, blue = 0, squares = 0;
    auto flush = [&] {
        if (count > 0) {
            Cell& cell = cells_[current];
            cell.weight += count;
            cell.red += red;
            cell.green += green;
            cell.blue += blue;
            cell.squares += static_cast<double>(squares);
        }
        count = red = green = blue = squares = 0;
    };
    for (std::int32_t x = 0; x < width; ++x) {
        const int r = rgb[3 * x];
        const int g = rgb[3 * x + 1];
        const int b = rgb[3 * x + 2];
        const std::size_t cell = At((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
        if (cell != current) {
            flush();
            current = cell;
        }
        ++count;
        red += r;
        green += g;
        blue += b;
        squares += r * r + g * g + b * b;
    }
    flush();
}

// Turns the histogram into cumulative moments: each cell then holds the sum
// over the box from the origin to it.
void WuQuantizer::Accumulate() {
    for (int r = 1; r < kSide; ++r) {
        std::int64_t area[kSide] = {}, areaR[kSide] = {}, areaG[kSide] = {}, areaB[kSide] = {};
        double area2[kSide] = {};
        for (int g = 1; g < kSide; ++g) {
            std::int64_t line = 0, lineR = 0, lineG = 0, lineB = 0;
            double line2 = 0;
            for (int b = 1; b < kSide; ++b) {
                Cell& cell = cells_[At(r, g, b)];
                const Cell& below = cells_[At(r - 1, g, b)];
                line += cell.weight;
                lineR += cell.red;
                lineG += cell.green;
                lineB += cell.blue;
                line2 += cell.squares;
                area[b] += line;
                areaR[b] += lineR;
                areaG[b] += lineG;
                areaB[b] += lineB;
                area2[b] += line2;
                cell.weight = below.weight + area[b];
                cell.red = below.red + areaR[b];
                cell.green = below.green + areaG[b];
                cell.blue = below.blue + areaB[b];
                cell.squares = below.squares + area2[b];
            }
        }
    }
}

double WuQuantizer::Variance(const Box& box) const {
    const auto r = static_cast<double>(Volume(box, cells_, &Cell::red));
    const auto g = static_cast<double>(Volume(box, cells_, &Cell::green));
    const auto b = static_cast<double>(Volume(box, cells_, &Cell::blue));
    const auto w = static_cast<double>(Volume(box, cells_, &Cell::weight));
    return Volume(box, cells_, &Cell::squares) - (r * r + g * g + b * b) / w;
}

bool WuQuantizer::Cut(Box& first, Box& second) const {
    const Moments whole{static_cast<double>(Volume(first, cells_, &Cell::red)),
                        static_cast<double>(Volume(first, cells_, &Cell::green)),
                        static_cast<double>(Volume(first, cells_, &Cell::blue)),
                        static_cast<double>(Volume(first, cells_, &Cell::weight))};

    // The cut along `axis` that most reduces the variance, and how much.
    auto best = [&](Axis axis, int& cut) {
        const Moments base{static_cast<double>(Bottom(first, axis, cells_, &Cell::red)),
                           static_cast<double>(Bottom(first, axis, cells_, &Cell::green)),
                           static_cast<double>(Bottom(first, axis, cells_, &Cell::blue)),
                           static_cast<double>(Bottom(first, axis, cells_, &Cell::weight))};
        double most = 0;
        cut = -1;
        for (int i = Bound(first, axis, false) + 1; i < Bound(first, axis, true); ++i) {
            Moments half{base.r + static_cast<double>(Top(first, axis, i, cells_, &Cell::red)),
                         base.g + static_cast<double>(Top(first, axis, i, cells_, &Cell::green)),
                         base.b + static_cast<double>(Top(first, axis, i, cells_, &Cell::blue)),
                         base.w + static_cast<double>(Top(first, axis, i, cells_, &Cell::weight))};
            if (half.w == 0) {
                continue;
            }
            double gain = (half.r * half.r + half.g * half.g + half.b * half.b) / half.w;
            half = {whole.r - half.r, whole.g - half.g, whole.b - half.b, whole.w - half.w};
            if (half.w == 0) {
                continue;
            }
            gain += (half.r * half.r + half.g * half.g + half.b * half.b) / half.w;
            if (gain > most) {
                most = gain;
                cut = i;
            }
        }
        return most;
    };

    int cutR = -1, cutG = -1, cutB = -1;
    const double maxR = best(Axis::Red, cutR);
    const double maxG = best(Axis::Green, cutG);
    const double maxB = best(Axis::Blue, cutB);

    second.r1 = first.r1;
    second.g1 = first.g1;
    second.b1 = first.b1;
    if (maxR >= maxG && maxR >= maxB) {
        if (cutR < 0) {
            return false; // nothing left to split
        }
        second.r0 = first.r1 = cutR;
        second.g0 = first.g0;
        second.b0 = first.b0;
    } else if (maxG >= maxR && maxG >= maxB) {
        second.g0 = first.g1 = cutG;
        second.r0 = first.r0;
        second.b0 = first.b0;
    } else {
        second.b0 = first.b1 = cutB;
        second.r0 = first.r0;
        second.g0 = first.g0;
    }
    first.volume = (first.r1 - first.r0) * (first.g1 - first.g0) * (first.b1 - first.b0);
    second.volume = (second.r1 - second.r0) * (second.g1 - second.g0) * (second.b1 - second.b0);
    return true;
}

std::vector<RgbColour> WuQuantizer::MakePalette(int colours) {
    colours = std::clamp(colours, 1, 256);
    Accumulate();
    std::vector<Box> boxes(static_cast<std::size_t>(colours));
    std::vector<double> variance(static_cast<std::size_t>(colours), 0.0);
    boxes[0] = {0, kSide - 1, 0, kSide - 1, 0, kSide - 1, 0};
    int count = 1;
    int next = 0;
    for (int i = 1; i < colours; ++i) {
        if (Cut(boxes[next], boxes[i])) {
            variance[next] = boxes[next].volume > 1 ? Variance(boxes[next]) : 0.0;
            variance[i] = boxes[i].volume > 1 ? Variance(boxes[i]) : 0.0;
            count = i + 1;
        } else {
            variance[next] = 0.0; // cannot be split: leave it
            --i;
        }
        next = 0;
        double largest = variance[0];
        for (int k = 1; k <= i; ++k) {
            if (variance[k] > largest) {
                largest = variance[k];
                next = k;
            }
        }
        if (largest <= 0.0) {
            break;
        }
    }

    std::vector<RgbColour> palette;
    for (int k = 0; k < count; ++k) {
        const Box& box = boxes[static_cast<std::size_t>(k)];
        const std::int64_t w = Volume(box, cells_, &Cell::weight);
        if (w == 0) {
            continue;
        }
        auto mean = [w](std::int64_t sum) {
            return static_cast<std::uint8_t>((sum + w / 2) / w);
        };
        palette.push_back({mean(Volume(box, cells_, &Cell::red)),
                           mean(Volume(box, cells_, &Cell::green)),
                           mean(Volume(box, cells_, &Cell::blue))});
    }
    return palette;
}

} // namespace pellix
