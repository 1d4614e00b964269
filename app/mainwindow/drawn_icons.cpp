#include "app/mainwindow/drawn_icons.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace pellix {
namespace {

// Shapes are laid out on a 16 x 16 design grid; edges on whole units fall
// on pixel edges at 16 pixels (100 %) and 32 pixels (200 %).
using Shape = std::function<bool(double x, double y)>;

struct Colour {
    std::uint8_t r, g, b;
};

Shape Box(double x0, double y0, double x1, double y1, double radius = 0) {
    return [=](double x, double y) {
        if (x < x0 || x >= x1 || y < y0 || y >= y1) {
            return false;
        }
        // Rounded corners: outside the quarter circles is outside.
        const double cx = std::clamp(x, x0 + radius, x1 - radius);
        const double cy = std::clamp(y, y0 + radius, y1 - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
}

Shape Disc(double cx, double cy, double r) {
    return [=](double x, double y) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}

// A stroke from a to b, `width` wide, with round ends.
Shape Stroke(double ax, double ay, double bx, double by, double width) {
    return [=](double x, double y) {
        const double dx = bx - ax, dy = by - ay;
        const double t =
            std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        const double px = ax + t * dx - x, py = ay + t * dy - y;
        return px * px + py * py <= width * width / 4;
    };
}

// A gear around (cx, cy): teeth between the inner and outer radius, a
// hole in the middle.
Shape Gear(double cx, double cy, double inner, double outer, double hole, int teeth) {
    return [=](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        const double r = std::sqrt(dx * dx + dy * dy);
        if (r < hole || r > outer) {
            return false;
        }
        if (r <= inner) {
            return true;
        }
        const double turn = std::atan2(dy, dx) / (2 * std::numbers::pi) * teeth;
        return turn - std::floor(turn) < 0.5;
    };
}

class Canvas {
public:
    explicit Canvas(int size) : size_(size), scale_(size / 16.0) {
        image_.size = size;
        image_.bgra.assign(std::size_t(size) * size * 4, 0);
    }

    // Paints the shape over what is there, each pixel covered in
    // proportion to the share of its 4 x 4 sample points inside.
    void Fill(const Shape& shape, Colour colour, double opacity = 1.0) {
        constexpr int kSamples = 4;
        for (int py = 0; py < size_; ++py) {
            for (int px = 0; px < size_; ++px) {
                int inside = 0;
                for (int sy = 0; sy < kSamples; ++sy) {
                    for (int sx = 0; sx < kSamples; ++sx) {
                        const double x = (px + (sx + 0.5) / kSamples) / scale_;
                        const double y = (py + (sy + 0.5) / kSamples) / scale_;
                        inside += shape(x, y) ? 1 : 0;
                    }
                }
                if (inside > 0) {
                    Blend(px, py, colour, opacity * inside / (kSamples * kSamples));
                }
            }
        }
    }

    IconImage Take() { return std::move(image_); }

private:
    void Blend(int x, int y, Colour c, double a) {
        std::uint8_t* p = &image_.bgra[(std::size_t(y) * size_ + x) * 4];
        const auto over = [a](double src, std::uint8_t dst) {
            return static_cast<std::uint8_t>(std::lround(src * a + dst * (1 - a)));
        };
        p[0] = over(c.b, p[0]);
        p[1] = over(c.g, p[1]);
        p[2] = over(c.r, p[2]);
        p[3] = over(255, p[3]);
    }

    int size_;
    double scale_;
    IconImage image_;
};

constexpr Colour kOutline{40, 48, 64};
constexpr Colour kDiskBlue{52, 101, 178};
constexpr Colour kMetal{196, 204, 214};
constexpr Colour kPaper{255, 255, 255};
constexpr Colour kInk{120, 130, 150};
constexpr Colour kScannerBody{88, 96, 110};
constexpr Colour kScannerLid{150, 158, 170};
constexpr Colour kScanLight{60, 200, 110};
constexpr Colour kPencil{240, 176, 40};
constexpr Colour kGearGrey{96, 104, 120};

void DrawDisk(Canvas& c, double inset) {
    const double right = 16 - inset;
    c.Fill(Box(1, 1, right - 1, 15, 1), kOutline);
    c.Fill(Box(2, 2, right - 2, 14, 0.5), kDiskBlue);
    c.Fill(Box(4, 2, right - 5, 6), kMetal);
    c.Fill(Box(right - 8, 3, right - 6, 5), kDiskBlue);
    c.Fill(Box(4, 9, right - 4, 14), kPaper);
    c.Fill(Box(5, 10, right - 5, 11), kInk);
    c.Fill(Box(5, 12, right - 5, 13), kInk);
}

void DrawScanner(Canvas& c) {
    // A page coming out of the top, the lid, the body with its light.
    c.Fill(Box(4, 1, 12, 9), kOutline);
    c.Fill(Box(5, 2, 11, 9), kPaper);
    c.Fill(Box(6, 3, 10, 4), kInk);
    c.Fill(Box(6, 5, 10, 6), kInk);
    c.Fill(Box(1, 7, 15, 15, 1), kOutline);
    c.Fill(Box(2, 8, 14, 10), kScannerLid);
    c.Fill(Box(2, 10, 14, 14, 0.5), kScannerBody);
    c.Fill(Box(3, 11, 13, 12), kScanLight);
}

} // namespace

IconImage DrawIcon(DrawnIcon icon, int size) {
    Canvas c(std::max(size, 1));
    switch (icon) {
    case DrawnIcon::Save:
        DrawDisk(c, 0);
        break;
    case DrawnIcon::SaveAs:
        DrawDisk(c, 3);
        c.Fill(Stroke(8.5, 14, 14.5, 5, 3.2), kOutline);
        c.Fill(Stroke(8.5, 14, 14.5, 5, 1.6), kPencil);
        c.Fill(Disc(8.3, 14.3, 1.0), kOutline);
        break;
    case DrawnIcon::Scan:
    case DrawnIcon::Program:
        DrawScanner(c);
        break;
    case DrawnIcon::Options:
        c.Fill(Gear(8, 8, 5, 7.2, 0, 8), kOutline);
        c.Fill(Gear(8, 8, 4, 6.2, 0, 8), kGearGrey);
        c.Fill(Disc(8, 8, 2.6), kOutline);
        c.Fill(Disc(8, 8, 1.6), kPaper);
        break;
    }
    return c.Take();
}

std::string IconFile(const std::vector<IconImage>& images) {
    std::string file;
    const auto put16 = [&file](unsigned v) {
        file += static_cast<char>(v & 0xff);
        file += static_cast<char>((v >> 8) & 0xff);
    };
    const auto put32 = [&](std::uint32_t v) {
        put16(v & 0xffff);
        put16(v >> 16);
    };
    const auto maskStride = [](int size) {
        return std::uint32_t((size + 31) / 32 * 4);
    };
    const auto entryBytes = [&](const IconImage& image) {
        const auto size = std::uint32_t(image.size);
        return 40 + size * size * 4 + maskStride(image.size) * size;
    };

    put16(0);
    put16(1); // icon
    put16(static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const IconImage& image : images) {
        file += static_cast<char>(image.size >= 256 ? 0 : image.size);
        file += static_cast<char>(image.size >= 256 ? 0 : image.size);
        file += '\0'; // no palette
        file += '\0';
        put16(1);  // planes
        put16(32); // bits per pixel
        put32(entryBytes(image));
        put32(offset);
        offset += entryBytes(image);
    }
    for (const IconImage& image : images) {
        const int size = image.size;
        put32(40);
        put32(std::uint32_t(size));
        put32(std::uint32_t(size) * 2); // colour and mask together
        put16(1);
        put16(32);
        put32(0); // BI_RGB
        put32(std::uint32_t(size) * std::uint32_t(size) * 4);
        put32(0);
        put32(0);
        put32(0);
        put32(0);
        // Icons store straight (not premultiplied) colours, bottom row first.
        for (int y = size - 1; y >= 0; --y) {
            for (int x = 0; x < size; ++x) {
                const std::uint8_t* p = &image.bgra[(std::size_t(y) * size + x) * 4];
                for (int i = 0; i < 3; ++i) {
                    file += static_cast<char>(p[3] ? std::min(255, p[i] * 255 / p[3]) : 0);
                }
                file += static_cast<char>(p[3]);
            }
        }
        // The mask: set where the picture is fully transparent.
        for (int y = size - 1; y >= 0; --y) {
            std::string row(maskStride(size), '\0');
            for (int x = 0; x < size; ++x) {
                if (image.Alpha(x, y) == 0) {
                    row[std::size_t(x / 8)] =
                        static_cast<char>(row[std::size_t(x / 8)] | (0x80 >> (x % 8)));
                }
            }
            file += row;
        }
    }
    return file;
}

} // namespace pellix
