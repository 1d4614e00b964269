#include "app/components/picture/dib_file.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace pellix {
namespace {

constexpr std::uint64_t kMaxBmpFile = 0xffffffffull;

std::uint32_t Read32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

bool ValidBitCount(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Bytes per row, padded to four bytes. Width and bit count are bounded, so
// this cannot overflow 64 bits.
std::uint64_t StrideOf(std::int32_t width, std::uint16_t bits) {
    return (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
}

std::optional<DibLayout> Refuse(std::string& why, const char* reason) {
    why = reason;
    return std::nullopt;
}

} // namespace

std::int32_t DpiToPixelsPerMetre(double dpi) {
    if (!(dpi > 0) || dpi > 1e6) {
        return 0;
    }
    return static_cast<std::int32_t>(std::lround(dpi * 10000.0 / 254.0));
}

std::optional<DibLayout> ExamineDib(const std::uint8_t* dib, std::size_t size, std::string& why) {
    if (dib == nullptr || size < 12) {
        return Refuse(why, "the bitmap is empty or too short for a header");
    }
    DibLayout l;
    l.headerSize = Read32(dib);
    std::uint64_t colourEntry = 4;
    std::uint32_t coloursUsed = 0;
    std::uint32_t sizeImage = 0;
    if (l.headerSize == 12) {
        l.width = Read16(dib + 4);
        l.height = Read16(dib + 6);
        if (Read16(dib + 8) != 1) {
            return Refuse(why, "the bitmap header gives a plane count other than 1");
        }
        l.bitCount = Read16(dib + 10);
        colourEntry = 3;
    } else if (l.headerSize == 40 || l.headerSize == 52 || l.headerSize == 56 ||
               l.headerSize == 108 || l.headerSize == 124) {
        if (size < l.headerSize) {
            return Refuse(why, "the bitmap ends inside its header");
        }
        const auto width = static_cast<std::int32_t>(Read32(dib + 4));
        const auto height = static_cast<std::int32_t>(Read32(dib + 8));
        if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
            return Refuse(why, "the bitmap has no valid width or height");
        }
        l.width = width;
        l.topDown = height < 0;
        l.height = height < 0 ? -height : height;
        if (Read16(dib + 12) != 1) {
            return Refuse(why, "the bitmap header gives a plane count other than 1");
        }
        l.bitCount = Read16(dib + 14);
        l.compression = Read32(dib + 16);
        sizeImage = Read32(dib + 20);
        coloursUsed = Read32(dib + 32);
    } else {
        return Refuse(why, "the bitmap header has an unknown size");
    }
    if (l.width <= 0 || l.height <= 0) {
        return Refuse(why, "the bitmap has no valid width or height");
    }
    if (!ValidBitCount(l.bitCount)) {
        return Refuse(why, "the bitmap has an unsupported number of bits per pixel");
    }

    std::uint64_t masks = 0;
    const bool compressed = l.compression == kBiRle8 || l.compression == kBiRle4;
    switch (l.compression) {
    case kBiRgb:
        break;
    case kBiRle8:
    case kBiRle4:
        if (l.bitCount != (l.compression == kBiRle8 ? 8 : 4) || l.topDown || sizeImage == 0) {
            return Refuse(why, "the bitmap's run-length compression is inconsistent");
        }
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (l.bitCount != 16 && l.bitCount != 32) {
            return Refuse(why, "the bitmap has bit fields with an unsuitable pixel size");
        }
        if (l.headerSize == kInfoHeaderSize) {
            masks = l.compression == kBiBitfields ? 12 : 16;
        }
        break;
    default:
        return Refuse(why, "the bitmap uses a compression that is not supported");
    }

    std::uint64_t colours = coloursUsed;
    if (l.bitCount <= 8) {
        const std::uint64_t most = 1ull << l.bitCount;
        if (colours == 0) {
            colours = most;
        } else if (colours > most) {
            return Refuse(why, "the bitmap's colour table is larger than its pixels can use");
        }
    } else if (colours > 256) {
        return Refuse(why, "the bitmap's colour table is too large");
    }

    l.colourTableOffset = l.headerSize + masks;
    l.colourCount = static_cast<std::uint32_t>(colours);
    l.colourEntrySize = static_cast<std::uint32_t>(colourEntry);
    l.pixelOffset = l.colourTableOffset + colours * colourEntry;
    if (compressed) {
        l.pixelBytes = sizeImage;
    } else {
        const std::uint64_t stride = StrideOf(l.width, l.bitCount);
        // stride < 2^34 and height < 2^31: the product stays below 2^65 only
        // when checked first.
        if (stride > kMaxBmpFile / static_cast<std::uint64_t>(l.height)) {
            return Refuse(why, "the bitmap is too large for a bitmap file");
        }
        l.pixelBytes = stride * static_cast<std::uint64_t>(l.height);
    }
    if (l.TotalSize() + kBmpFileHeaderSize > kMaxBmpFile) {
        return Refuse(why, "the bitmap is too large for a bitmap file");
    }
    if (l.TotalSize() > size) {
        return Refuse(why, "the bitmap's pixel data is shorter than its header says");
    }
    return l;
}

std::array<std::uint8_t, kBmpFileHeaderSize> BmpFileHeader(const DibLayout& layout) {
    std::array<std::uint8_t, kBmpFileHeaderSize> h{};
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[2], static_cast<std::uint32_t>(kBmpFileHeaderSize + layout.TotalSize()));
    Put32(&h[10], static_cast<std::uint32_t>(kBmpFileHeaderSize + layout.pixelOffset));
    return h;
}

void FillMissingResolution(std::uint8_t* dib, const DibLayout& layout, double xDpi, double yDpi) {
    if (layout.headerSize < kInfoHeaderSize) {
        return;
    }
    if (Read32(dib + 24) == 0 && Read32(dib + 28) == 0) {
        Put32(dib + 24, static_cast<std::uint32_t>(DpiToPixelsPerMetre(xDpi)));
        Put32(dib + 28, static_cast<std::uint32_t>(DpiToPixelsPerMetre(yDpi)));
    }
}

std::optional<BmpStripLayout> BmpStripLayout::Make(Kind kind, std::int32_t width,
                                                   std::int32_t height, double xDpi, double yDpi,
                                                   const std::vector<Colour>& palette,
                                                   std::string& why) {
    BmpStripLayout l;
    l.kind_ = kind;
    switch (kind) {
    case Kind::BlackWhite:
        l.bitCount_ = 1;
        l.palette_ = {{0, 0, 0}, {255, 255, 255}};
        break;
    case Kind::Gray:
        l.bitCount_ = 8;
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            l.palette_.push_back({v, v, v});
        }
        break;
    case Kind::Palette:
        if (palette.empty() || palette.size() > 256) {
            why = "the scanner sent an unusable palette";
            return std::nullopt;
        }
        l.bitCount_ = 8;
        l.palette_ = palette;
        break;
    case Kind::Rgb:
        l.bitCount_ = 24;
        break;
    }
    if (width <= 0 || height < 0) {
        why = "the scanner reported no valid page size";
        return std::nullopt;
    }
    l.width_ = width;
    l.height_ = height;
    l.stride_ = StrideOf(width, l.bitCount_);
    if (height > 0 &&
        l.stride_ > (kMaxBmpFile - l.HeadersSize()) / static_cast<std::uint64_t>(height)) {
        why = "the page is too large for a bitmap file";
        return std::nullopt;
    }
    l.xPpm_ = DpiToPixelsPerMetre(xDpi);
    l.yPpm_ = DpiToPixelsPerMetre(yDpi);
    return l;
}

std::uint64_t BmpStripLayout::HeadersSize() const {
    return kBmpFileHeaderSize + kInfoHeaderSize + palette_.size() * 4;
}

std::vector<std::uint8_t> BmpStripLayout::Headers(std::int32_t rows) const {
    std::vector<std::uint8_t> h(static_cast<std::size_t>(HeadersSize()), 0);
    const std::uint64_t pixels = stride_ * static_cast<std::uint64_t>(rows);
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[2], static_cast<std::uint32_t>(HeadersSize() + pixels));
    Put32(&h[10], static_cast<std::uint32_t>(HeadersSize()));
    std::uint8_t* info = &h[kBmpFileHeaderSize];
    Put32(info, kInfoHeaderSize);
    Put32(info + 4, static_cast<std::uint32_t>(width_));
    // An unknown height was written top-down, in arrival order.
    Put32(info + 8, static_cast<std::uint32_t>(height_ > 0 ? rows : -rows));
    Put16(info + 12, 1);
    Put16(info + 14, bitCount_);
    Put32(info + 16, kBiRgb);
    Put32(info + 20, static_cast<std::uint32_t>(pixels));
    Put32(info + 24, static_cast<std::uint32_t>(xPpm_));
    Put32(info + 28, static_cast<std::uint32_t>(yPpm_));
    Put32(info + 32, static_cast<std::uint32_t>(palette_.size()));
    std::uint8_t* table = info + kInfoHeaderSize;
    for (const Colour& c : palette_) {
        table[0] = c.blue;
        table[1] = c.green;
        table[2] = c.red;
        table += 4;
    }
    return h;
}

std::optional<std::uint64_t> BmpStripLayout::ConvertRow(std::int32_t y, const std::uint8_t* source,
                                                        std::size_t sourceBytes,
                                                        std::uint8_t* out) const {
    const std::uint64_t used = (static_cast<std::uint64_t>(width_) * bitCount_ + 7) / 8;
    if (y < 0 || (height_ > 0 && y >= height_) || sourceBytes < used) {
        return std::nullopt;
    }
    if (height_ == 0 &&
        HeadersSize() + (static_cast<std::uint64_t>(y) + 1) * stride_ > kMaxBmpFile) {
        return std::nullopt;
    }
    std::memset(out, 0, static_cast<std::size_t>(stride_));
    if (kind_ == Kind::Rgb) {
        for (std::int32_t x = 0; x < width_; ++x) {
            out[3 * x] = source[3 * x + 2];
            out[3 * x + 1] = source[3 * x + 1];
            out[3 * x + 2] = source[3 * x];
        }
    } else {
        std::memcpy(out, source, static_cast<std::size_t>(used));
        // Bits past the last pixel of a black-and-white row stay zero.
        if (bitCount_ == 1 && width_ % 8 != 0) {
            out[used - 1] &= static_cast<std::uint8_t>(0xff << (8 - width_ % 8));
        }
    }
    const std::uint64_t row =
        height_ > 0 ? static_cast<std::uint64_t>(height_ - 1 - y) : static_cast<std::uint64_t>(y);
    return HeadersSize() + row * stride_;
}

} // namespace pellix
