// The synthetic page the virtual scanner "scans": a title, a few printed
// lines with the date and time of the scan, colour and gray gradients and a
// ruler along the top edge with inch and centimetre marks at the page's true
// resolution.
//
// Any row can be produced on its own, in any order, so a transfer can
// stream strips of a large page without holding the whole page in memory.
// Rows are top-down; colour is R, G, B bytes; gray is one byte per pixel
// (0 = black); black-and-white is one bit per pixel, most significant bit
// first, 0 = black, 1 = white (the dots are ordered-dithered from gray).
#pragma once

#include "devices/virtual-scanner/core/page_format.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pellix::vscan {

// The local date and time printed on the page.
struct PageStamp {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // "YYYY-MM-DD hh:mm:ss"
    std::string Text() const;
    friend bool operator==(const PageStamp&, const PageStamp&) = default;
};

// Where the ruler lies: rows [top, bottom) of the page, across its width.
// Inch marks hang from the top row (long at whole inches, shorter at half
// inches); centimetre marks stand on the bottom row (long at whole
// centimetres, medium at 5 mm, short at every millimetre). A mark at
// distance d from the left edge covers the columns starting at round(d * dpi)
// and is tickWidth pixels wide.
struct RulerBand {
    int top = 0;
    int bottom = 0;
    int tickWidth = 1;
};

class PageGenerator {
public:
    PageGenerator(const PageFormat& format, const PageStamp& stamp);

    const PageFormat& Format() const { return format_; }
    const RulerBand& Ruler() const { return ruler_; }

    // Writes row y (0 = top) into out, which must hold at least
    // Format().PackedRowBytes() bytes; bytes after those are left alone.
    // Uses a scratch row of the generator: one thread at a time.
    void RenderRow(int y, std::span<std::uint8_t> out) const;

private:
    struct Rgb {
        std::uint8_t r = 255;
        std::uint8_t g = 255;
        std::uint8_t b = 255;
    };
    struct TextLine {
        std::string text;
        int left = 0;
        int top = 0;
        int scale = 1;
        Rgb ink;
    };
    struct Box {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        bool HoldsRow(int y) const { return y >= top && y < bottom && left < right; }
    };

    int Mm(double millimetres) const;
    void LayOutText(const PageStamp& stamp);
    void PaintRow(int y, std::vector<Rgb>& row) const;
    void PaintRuler(int y, std::vector<Rgb>& row) const;
    void PaintText(int y, const TextLine& line, std::vector<Rgb>& row) const;
    void PaintColourSweep(int y, std::vector<Rgb>& row) const;
    void PaintGrayRamp(int y, std::vector<Rgb>& row) const;
    void PaintPatches(int y, std::vector<Rgb>& row) const;
    void Fill(std::vector<Rgb>& row, int from, int to, Rgb colour) const;

    PageFormat format_;
    RulerBand ruler_;
    std::vector<TextLine> lines_;
    Box colourSweep_;
    Box grayRamp_;
    Box patches_;
    // The sweep's pure hue per column, worked out once: each row only fades it.
    struct Hue {
        double r, g, b;
    };
    std::vector<Hue> sweepHues_;
    mutable std::vector<Rgb> scratch_;
};

} // namespace pellix::vscan
