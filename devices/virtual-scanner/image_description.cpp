#include "devices/virtual-scanner/image_description.h"

#include "devices/virtual-scanner/capabilities.h"

namespace pellix::vscan {

using namespace twain;

TW_IMAGEINFO DescribeImage(const PageFormat& format) {
    TW_IMAGEINFO info{};
    info.XResolution = DoubleToFix32(format.dpi);
    info.YResolution = DoubleToFix32(format.dpi);
    info.ImageWidth = format.width;
    info.ImageLength = format.height;
    const bool colour = format.kind == PixelKind::Color;
    info.SamplesPerPixel = colour ? 3 : 1;
    const auto bitsPerSample = static_cast<TW_INT16>(colour ? 8 : format.BitsPerPixel());
    for (int i = 0; i < info.SamplesPerPixel; ++i) {
        info.BitsPerSample[i] = bitsPerSample;
    }
    info.BitsPerPixel = static_cast<TW_INT16>(format.BitsPerPixel());
    info.Planar = FALSE;
    info.PixelType = static_cast<TW_INT16>(ToPixelType(format.kind));
    info.Compression = TWCP_NONE;
    return info;
}

TW_IMAGELAYOUT DescribeLayout(const PaperSize& paper, TW_UINT32 pageNumber) {
    TW_IMAGELAYOUT layout{};
    layout.Frame.Left = DoubleToFix32(0);
    layout.Frame.Top = DoubleToFix32(0);
    layout.Frame.Right = DoubleToFix32(paper.widthMm / 25.4);
    layout.Frame.Bottom = DoubleToFix32(paper.heightMm / 25.4);
    layout.DocumentNumber = 1;
    layout.PageNumber = pageNumber;
    layout.FrameNumber = 1;
    return layout;
}

} // namespace pellix::vscan
