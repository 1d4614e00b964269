#include "bench/synthetic_page.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

namespace pellix::bench {
namespace {

constexpr std::int32_t kMargin = 200;
constexpr std::int32_t kLineHeight = 42;
constexpr std::int32_t kPhotoLeft = 200, kPhotoRight = 1240, kPhotoTop = 420, kPhotoBottom = 1300;
constexpr std::int32_t kTableTop = 2600, kTableBottom = 3000, kTableRight = 1600;

std::uint32_t Hash(std::uint32_t a, std::uint32_t b) {
    std::uint32_t h = a * 0x9e3779b1u ^ (b + 0x7f4a7c15u + (a << 6) + (a >> 2));
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

std::uint8_t Clamp(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// How much ink a text line puts at x, y (0 none, 255 full), or -1 outside.
int TextInk(std::int32_t x, std::int32_t y, std::int32_t left, std::int32_t right) {
    if (x < left || x >= right) {
        return 0;
    }
    const std::int32_t line = y / kLineHeight;
    const std::int32_t inLine = y % kLineHeight;
    if (inLine < 8 || inLine >= 36) {
        return 0;
    }
    // Words of 3 to 12 letters 16 pixels wide, 18 pixels apart.
    std::int32_t at = left;
    for (std::uint32_t word = 0; at < right; ++word) {
        const std::int32_t letters = 3 + static_cast<std::int32_t>(Hash(line, word) % 10);
        const std::int32_t end = at + letters * 16;
        if (x < at) {
            return 0;
        }
        if (x < end) {
            const std::int32_t letter = (x - at) / 16;
            const std::int32_t cx = (x - at) % 16;
            const std::uint32_t shape = Hash(line * 131 + word, static_cast<std::uint32_t>(letter));
            const std::int32_t cy = inLine - 8;
            const bool stem = (cx >= 2 && cx < 5) || ((shape & 1) && cx >= 10 && cx < 13);
            const bool bar = (cx >= 2 && cx < 13) &&
                             ((cy >= 12 && cy < 15 && (shape & 2)) ||
                              (cy >= 24 && cy < 27 && (shape & 4)) || (cy < 3 && (shape & 8)));
            const bool tall = cy >= 6 || (shape & 16);
            if ((stem && tall) || bar) {
                return 255;
            }
            // Soft edges, as a scanner sees them.
            const bool nearStem = (cx == 1 || cx == 5) && tall;
            return nearStem ? 110 : 0;
        }
        at = end + 18;
    }
    return 0;
}

} // namespace

bool ParsePageKind(const std::string& text, PageKind& kind) {
    if (text == "colour" || text == "color") {
        kind = PageKind::Colour;
    } else if (text == "gray" || text == "grey") {
        kind = PageKind::Gray;
    } else if (text == "bw") {
        kind = PageKind::BlackWhite;
    } else if (text == "bw8") {
        kind = PageKind::BlackWhiteAsGray;
    } else {
        return false;
    }
    return true;
}

void ColourRow(std::int32_t y, std::int32_t width, std::uint8_t* rgb) {
    const bool photoRow = y >= kPhotoTop && y < kPhotoBottom;
    const bool headingRow = y >= 180 && y < 300;
    const bool tableLine = y >= kTableTop && y <= kTableBottom && (y - kTableTop) % 80 < 2;
    for (std::int32_t x = 0; x < width; ++x) {
        const std::uint32_t noise =
            Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
        int r = 250 + static_cast<int>(noise % 7) - 3;
        int g = 249 + static_cast<int>((noise >> 3) % 7) - 3;
        int b = 244 + static_cast<int>((noise >> 6) % 7) - 3;
        if (photoRow && x >= kPhotoLeft && x < kPhotoRight) {
            const double u = x / 97.0;
            const double v = y / 131.0;
            const int n = static_cast<int>((noise >> 9) % 13) - 6;
            r = 128 + static_cast<int>(100 * std::sin(u) * std::cos(v)) + n;
            g = 110 + static_cast<int>(80 * std::cos(u * 0.7 + v)) + n;
            b = 90 + static_cast<int>(70 * std::sin(v * 1.3)) + n;
        } else {
            int ink = 0;
            if (headingRow) {
                ink = TextInk(x / 3, (y - 180) / 3 + 8, kMargin / 3, 1800 / 3);
            } else if (photoRow) {
                ink = TextInk(x, y, 1320, width - kMargin);
            } else if (y >= 1360 && y < 3250) {
                ink = TextInk(x, y, kMargin, width - kMargin);
            }
            if (tableLine && x >= kMargin && x < kTableRight) {
                ink = 200;
            }
            if (ink > 0) {
                const int inkR = headingRow ? 20 : 35;
                const int inkG = headingRow ? 40 : 35;
                const int inkB = headingRow ? 120 : 40;
                r = (r * (255 - ink) + inkR * ink) / 255;
                g = (g * (255 - ink) + inkG * ink) / 255;
                b = (b * (255 - ink) + inkB * ink) / 255;
            }
        }
        // A red stamp ring.
        const double dx = x - 1900.0;
        const double dy = y - 3050.0;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d > 170 && d < 190) {
            r = (r + 200) / 2;
            g = (g + 40) / 2;
            b = (b + 40) / 2;
        }
        rgb[3 * x] = Clamp(r);
        rgb[3 * x + 1] = Clamp(g);
        rgb[3 * x + 2] = Clamp(b);
    }
}

bool WritePage(const std::filesystem::path& path, PageKind kind, std::int32_t width,
               std::int32_t height) {
    const int bits = kind == PageKind::Colour ? 24 : kind == PageKind::BlackWhite ? 1 : 8;
    const int colours = kind == PageKind::Colour ? 0 : kind == PageKind::BlackWhite ? 2 : 256;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t offset = 14 + 40 + static_cast<std::size_t>(colours) * 4;
    const std::size_t size = offset + stride * static_cast<std::size_t>(height);

    std::vector<std::uint8_t> head(offset, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            head[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    head[0] = 'B';
    head[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, static_cast<std::uint32_t>(offset));
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    head[26] = 1;
    head[28] = static_cast<std::uint8_t>(bits);
    put32(34, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(height)));
    put32(38, kA4PixelsPerMetre);
    put32(42, kA4PixelsPerMetre);
    put32(46, static_cast<std::uint32_t>(colours));
    for (int i = 0; i < colours; ++i) {
        const auto v = static_cast<std::uint8_t>(colours == 2 ? i * 255 : i);
        head[54 + 4 * i] = head[55 + 4 * i] = head[56 + 4 * i] = v;
    }

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(offset));
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    std::vector<std::uint8_t> row(stride);
    for (std::int32_t y = height - 1; y >= 0; --y) {
        ColourRow(y, width, rgb.data());
        std::fill(row.begin(), row.end(), 0);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t r = rgb[3 * x], g = rgb[3 * x + 1], b = rgb[3 * x + 2];
            const int luma = (r * 299 + g * 587 + b * 114 + 500) / 1000;
            switch (kind) {
            case PageKind::Colour:
                row[3 * x] = b;
                row[3 * x + 1] = g;
                row[3 * x + 2] = r;
                break;
            case PageKind::Gray:
                row[x] = static_cast<std::uint8_t>(luma);
                break;
            case PageKind::BlackWhite:
                if (luma >= 160) {
                    row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                }
                break;
            case PageKind::BlackWhiteAsGray:
                row[x] = luma >= 160 ? 255 : 0;
                break;
            }
        }
        out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(stride));
    }
    return static_cast<bool>(out);
}

} // namespace pellix::bench
