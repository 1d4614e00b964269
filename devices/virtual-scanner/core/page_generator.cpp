#include "devices/virtual-scanner/core/page_generator.h"

#include "devices/virtual-scanner/core/bitmap_font.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pellix::vscan {
namespace {

constexpr double kMarginMm = 12.0;
constexpr double kRulerHeightMm = 10.0;

// 4 x 4 ordered-dither thresholds, spread over 0..255 so that pure black
// and pure white stay as they are.
constexpr std::array<std::array<int, 4>, 4> kDither{{
    {8, 136, 40, 168},
    {200, 72, 232, 104},
    {56, 184, 24, 152},
    {248, 120, 216, 88},
}};

int Luminance(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (r * 299 + g * 587 + b * 114 + 500) / 1000;
}

std::string FormatMillimetres(double mm) {
    char text[32];
    if (std::abs(mm - std::round(mm)) < 0.05) {
        std::snprintf(text, sizeof text, "%ld", std::lround(mm));
    } else {
        std::snprintf(text, sizeof text, "%.1f", mm);
    }
    return text;
}

const char* Describe(PixelKind kind) {
    switch (kind) {
    case PixelKind::Color:
        return "24-bit colour";
    case PixelKind::Gray:
        return "8-bit gray";
    case PixelKind::BlackWhite:
        return "1-bit black and white";
    }
    return "";
}

} // namespace

std::string PageStamp::Text() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return buffer;
}

PageGenerator::PageGenerator(const PageFormat& format, const PageStamp& stamp) : format_(format) {
    ruler_.top = 0;
    ruler_.bottom = std::min(format_.height, Mm(kRulerHeightMm));
    ruler_.tickWidth = std::max(1, format_.dpi / 150);

    const int left = Mm(kMarginMm);
    const int right = format_.width - Mm(kMarginMm);
    colourSweep_ = {left, Mm(72), right, Mm(112)};
    grayRamp_ = {left, Mm(116), right, Mm(136)};
    patches_ = {left, Mm(140), right, Mm(160)};
    LayOutText(stamp);

    // Hue runs across the sweep, through the six sectors of the colour wheel.
    const int span = std::max(1, colourSweep_.right - colourSweep_.left - 1);
    for (int x = std::max(0, colourSweep_.left); x < std::min(colourSweep_.right, format_.width);
         ++x) {
        const double hue = 6.0 * (x - colourSweep_.left) / span;
        const int sector = std::min(5, static_cast<int>(hue));
        const double f = hue - sector;
        static const Hue corners[6][2] = {{{1, 0, 0}, {1, 1, 0}}, {{1, 1, 0}, {0, 1, 0}},
                                          {{0, 1, 0}, {0, 1, 1}}, {{0, 1, 1}, {0, 0, 1}},
                                          {{0, 0, 1}, {1, 0, 1}}, {{1, 0, 1}, {1, 0, 0}}};
        const Hue& a = corners[sector][0];
        const Hue& b = corners[sector][1];
        sweepHues_.push_back({a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f});
    }
}

int PageGenerator::Mm(double millimetres) const {
    return static_cast<int>(std::lround(millimetres * format_.dpi / 25.4));
}

void PageGenerator::LayOutText(const PageStamp& stamp) {
    const int band = ruler_.bottom - ruler_.top;
    const int labelScale = std::max(1, static_cast<int>(std::lround(band * 0.2 / kGlyphHeight)));
    const Rgb black{0, 0, 0};

    // Numbers beside the whole-inch marks (upper half of the band) and the
    // whole-centimetre marks (lower half, above the millimetre marks).
    const int gap = 2 * ruler_.tickWidth;
    for (int inch = 1; inch * format_.dpi < format_.width; ++inch) {
        lines_.push_back({std::to_string(inch), inch * format_.dpi + gap,
                          static_cast<int>(band * 0.06) + 1, labelScale, black});
    }
    for (int cm = 1;; ++cm) {
        const int x = static_cast<int>(std::lround(cm * format_.dpi / 2.54));
        if (x >= format_.width) {
            break;
        }
        lines_.push_back(
            {std::to_string(cm), x + gap, static_cast<int>(band * 0.45), labelScale, black});
    }

    const int left = Mm(kMarginMm);
    const int titleScale = std::max(1, Mm(7.0) / kGlyphHeight);
    lines_.push_back({"Pellix Virtual Scanner", left, Mm(15), titleScale, {20, 50, 140}});

    const int bodyScale =
        std::max(1, static_cast<int>(std::lround(Mm(3.0) / double(kGlyphHeight))));
    const int pitch = kCellHeight * bodyScale * 3 / 2;
    const std::string paper = FormatMillimetres(format_.paper.widthMm) + " x " +
                              FormatMillimetres(format_.paper.heightMm) + " mm";
    const std::string body[] = {
        "Synthetic test page of the Pellix virtual TWAIN scanner.",
        "Scanned: " + stamp.Text(),
        "Resolution: " + std::to_string(format_.dpi) + " dpi (ruler: inches above, cm below)",
        std::string("Colour mode: ") + Describe(format_.kind),
        "Paper: " + paper + ", " + std::to_string(format_.width) + " x " +
            std::to_string(format_.height) + " pixels",
        "The quick brown fox jumps over the lazy dog. 0123456789",
    };
    int top = Mm(27);
    for (const std::string& text : body) {
        lines_.push_back({text, left, top, bodyScale, black});
        top += pitch;
    }
    // A closing line near the bottom edge shows which way up the page is;
    // short pages have no room for it.
    const int footerTop = format_.height - Mm(kMarginMm) - kCellHeight * bodyScale;
    if (footerTop >= patches_.bottom) {
        lines_.push_back({"Bottom edge - " + stamp.Text(), left, footerTop, bodyScale, black});
    }
}

void PageGenerator::RenderRow(int y, std::span<std::uint8_t> out) const {
    std::vector<Rgb>& row = scratch_;
    // A white row: every byte 255.
    static_assert(sizeof(Rgb) == 3, "rows are copied as R, G, B bytes");
    row.resize(static_cast<std::size_t>(format_.width));
    std::memset(row.data(), 0xff, row.size() * sizeof(Rgb));
    PaintRow(y, row);

    switch (format_.kind) {
    case PixelKind::Color:
        std::memcpy(out.data(), row.data(), row.size() * sizeof(Rgb));
        break;
    case PixelKind::Gray:
        for (std::size_t x = 0; x < row.size(); ++x) {
            out[x] = static_cast<std::uint8_t>(Luminance(row[x].r, row[x].g, row[x].b));
        }
        break;
    case PixelKind::BlackWhite: {
        std::fill_n(out.begin(), format_.PackedRowBytes(), std::uint8_t{0});
        const auto& thresholds = kDither[static_cast<std::size_t>(y & 3)];
        for (std::size_t x = 0; x < row.size(); ++x) {
            if (Luminance(row[x].r, row[x].g, row[x].b) > thresholds[x & 3]) {
                out[x / 8] = static_cast<std::uint8_t>(out[x / 8] | (0x80 >> (x % 8)));
            }
        }
        break;
    }
    }
}

void PageGenerator::PaintRow(int y, std::vector<Rgb>& row) const {
    if (y >= ruler_.top && y < ruler_.bottom) {
        PaintRuler(y, row);
    }
    for (const TextLine& line : lines_) {
        PaintText(y, line, row);
    }
    PaintColourSweep(y, row);
    PaintGrayRamp(y, row);
    PaintPatches(y, row);
}

void PageGenerator::Fill(std::vector<Rgb>& row, int from, int to, Rgb colour) const {
    from = std::max(from, 0);
    to = std::min(to, format_.width);
    for (int x = from; x < to; ++x) {
        row[static_cast<std::size_t>(x)] = colour;
    }
}

void PageGenerator::PaintRuler(int y, std::vector<Rgb>& row) const {
    const Rgb black{0, 0, 0};
    const int band = ruler_.bottom - ruler_.top;
    const int fromTop = y - ruler_.top;
    const int fromBottom = ruler_.bottom - 1 - y;

    // Half-inch steps: long marks at whole inches.
    for (int half = 0;; ++half) {
        const int x = static_cast<int>(std::lround(half * format_.dpi / 2.0));
        if (x >= format_.width) {
            break;
        }
        const double length = half % 2 == 0 ? 0.4 : 0.25;
        if (fromTop < std::max(1, static_cast<int>(band * length))) {
            Fill(row, x, x + ruler_.tickWidth, black);
        }
    }
    // Millimetre steps: long marks at whole centimetres, medium at 5 mm.
    for (int millimetre = 0;; ++millimetre) {
        const int x = static_cast<int>(std::lround(millimetre * format_.dpi / 25.4));
        if (x >= format_.width) {
            break;
        }
        const double length = millimetre % 10 == 0 ? 0.4 : millimetre % 5 == 0 ? 0.28 : 0.15;
        if (fromBottom < std::max(1, static_cast<int>(band * length))) {
            Fill(row, x, x + ruler_.tickWidth, black);
        }
    }
}

void PageGenerator::PaintText(int y, const TextLine& line, std::vector<Rgb>& row) const {
    const int dotRow = (y - line.top) / line.scale;
    if (y < line.top || dotRow >= kGlyphHeight) {
        return;
    }
    int cellLeft = line.left;
    for (const char c : line.text) {
        if (cellLeft >= format_.width) {
            break;
        }
        for (int column = 0; column < kGlyphWidth; ++column) {
            if (GlyphDot(c, column, dotRow)) {
                const int x = cellLeft + column * line.scale;
                Fill(row, x, x + line.scale, line.ink);
            }
        }
        cellLeft += kCellWidth * line.scale;
    }
}

void PageGenerator::PaintColourSweep(int y, std::vector<Rgb>& row) const {
    const Box& box = colourSweep_;
    if (!box.HoldsRow(y)) {
        return;
    }
    // Towards the bottom of the box the colour fades to white.
    const double fade = double(y - box.top) / std::max(1, box.bottom - box.top - 1);
    const auto channel = [fade](double value) {
        return static_cast<std::uint8_t>(255.0 * (value + (1.0 - value) * fade) + 0.5);
    };
    const int first = std::max(0, box.left);
    for (std::size_t i = 0; i < sweepHues_.size(); ++i) {
        const Hue& h = sweepHues_[i];
        row[static_cast<std::size_t>(first) + i] = {channel(h.r), channel(h.g), channel(h.b)};
    }
}

void PageGenerator::PaintGrayRamp(int y, std::vector<Rgb>& row) const {
    const Box& box = grayRamp_;
    if (!box.HoldsRow(y)) {
        return;
    }
    const int span = std::max(1, box.right - box.left - 1);
    for (int x = std::max(0, box.left); x < std::min(box.right, format_.width); ++x) {
        const auto level = static_cast<std::uint8_t>(255 * (x - box.left) / span);
        row[static_cast<std::size_t>(x)] = {level, level, level};
    }
}

void PageGenerator::PaintPatches(int y, std::vector<Rgb>& row) const {
    const Box& box = patches_;
    if (!box.HoldsRow(y)) {
        return;
    }
    static constexpr std::array<Rgb, 8> kColours{{
        {0, 0, 0},
        {128, 128, 128},
        {255, 0, 0},
        {0, 255, 0},
        {0, 0, 255},
        {0, 255, 255},
        {255, 0, 255},
        {255, 255, 0},
    }};
    const int width = box.right - box.left;
    for (std::size_t i = 0; i < kColours.size(); ++i) {
        const int from = box.left + width * static_cast<int>(i) / 8;
        const int to = box.left + width * static_cast<int>(i + 1) / 8 - Mm(2);
        Fill(row, from, to, kColours[i]);
    }
}

} // namespace pellix::vscan
