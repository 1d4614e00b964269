#include "devices/virtual-scanner/native_transfer.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <utility>

namespace pellix::vscan {

namespace {

constexpr double kMetresPerInch = 0.0254;

int PaletteSize(PixelKind kind) {
    switch (kind) {
    case PixelKind::BlackWhite:
        return 2;
    case PixelKind::Gray:
        return 256;
    case PixelKind::Color:
        return 0;
    }
    return 0;
}

// A zeroed movable block; throws std::bad_alloc when there is no room.
unique_hglobal AllocateGlobal(SIZE_T bytes) {
    unique_hglobal memory(GlobalAlloc(GHND, bytes));
    if (!memory) {
        throw std::bad_alloc();
    }
    return memory;
}

} // namespace

unique_hglobal MakePackedDib(const PageGenerator& page) {
    const PageFormat& format = page.Format();
    const int colours = PaletteSize(format.kind);
    const std::uint64_t stride = format.PaddedRowBytes();
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(format.height);
    const std::uint64_t headerBytes = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * colours;
    if (imageBytes > std::numeric_limits<DWORD>::max() - headerBytes ||
        headerBytes + imageBytes > std::numeric_limits<SIZE_T>::max()) {
        throw std::bad_alloc();
    }
    unique_hglobal memory = AllocateGlobal(static_cast<SIZE_T>(headerBytes + imageBytes));
    unique_hglobal_locked lock(memory.get());
    if (!lock.get()) {
        throw std::bad_alloc();
    }
    auto* bytes = static_cast<std::uint8_t*>(lock.get());

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = format.width;
    header.biHeight = format.height; // positive: bottom-up
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(format.BitsPerPixel());
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(imageBytes);
    const auto pelsPerMetre = static_cast<LONG>(std::lround(format.dpi / kMetresPerInch));
    header.biXPelsPerMeter = pelsPerMetre;
    header.biYPelsPerMeter = pelsPerMetre;
    header.biClrUsed = static_cast<DWORD>(colours);
    std::memcpy(bytes, &header, sizeof header);

    // Index 0 is black, the last index white; gray levels in between.
    auto* palette = reinterpret_cast<RGBQUAD*>(bytes + sizeof header);
    for (int i = 0; i < colours; ++i) {
        const auto level = static_cast<BYTE>(i * 255 / (colours - 1));
        palette[i] = RGBQUAD{level, level, level, 0};
    }

    std::uint8_t* pixels = bytes + headerBytes;
    for (int y = 0; y < format.height; ++y) {
        std::uint8_t* row = pixels + stride * static_cast<std::uint64_t>(format.height - 1 - y);
        page.RenderRow(y, std::span(row, static_cast<std::size_t>(stride)));
        if (format.kind == PixelKind::Color) {
            // Bitmaps keep colour as blue, green, red.
            for (int x = 0; x < format.width; ++x) {
                std::swap(row[3 * x], row[3 * x + 2]);
            }
        }
    }
    return memory;
}

} // namespace pellix::vscan
