#include "devices/virtual-scanner/core/page_format.h"

#include <algorithm>
#include <cmath>

namespace pellix::vscan {

bool IsOfferedResolution(int dpi) {
    return std::find(kOfferedResolutions.begin(), kOfferedResolutions.end(), dpi) !=
           kOfferedResolutions.end();
}

int BitsPerPixel(PixelKind kind) {
    switch (kind) {
    case PixelKind::Color:
        return 24;
    case PixelKind::Gray:
        return 8;
    case PixelKind::BlackWhite:
        return 1;
    }
    return 24;
}

int MillimetresToPixels(double mm, int dpi) {
    return std::max(1, static_cast<int>(std::lround(mm * dpi / 25.4)));
}

std::size_t PageFormat::PackedRowBytes() const {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(BitsPerPixel()) + 7) / 8;
}

std::size_t PageFormat::PaddedRowBytes() const {
    return (PackedRowBytes() + 3) / 4 * 4;
}

PageFormat MakePageFormat(PaperSize paper, int dpi, PixelKind kind) {
    PageFormat format;
    format.paper = paper;
    format.dpi = dpi;
    format.kind = kind;
    format.width = MillimetresToPixels(paper.widthMm, dpi);
    format.height = MillimetresToPixels(paper.heightMm, dpi);
    return format;
}

} // namespace pellix::vscan
