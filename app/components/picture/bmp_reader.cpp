#include "app/components/picture/bmp_reader.h"

#include "app/components/picture/dib_file.h"

namespace pellix {
namespace {

constexpr std::uint32_t kMasksOffset = 40; // in or right after an info header

std::uint32_t Read32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::optional<BmpImage> Refuse(std::string& why, const char* reason) {
    why = reason;
    return std::nullopt;
}

// Kinds of bitmap that are well formed but not read here, told apart so the
// user learns what the file is.
const char* UnsupportedCompression(std::uint32_t compression) {
    switch (compression) {
    case kBiRle8:
    case kBiRle4:
        return "it is compressed with run lengths (RLE), which is not supported";
    case kBiJpeg:
        return "it holds a JPEG picture inside the bitmap, which is not supported";
    case kBiPng:
        return "it holds a PNG picture inside the bitmap, which is not supported";
    default:
        return nullptr;
    }
}

// Calls f(x, index) for each pixel of a 1, 4 or 8-bit row.
template <typename F>
void ForEachIndex(const std::uint8_t* row, std::int32_t width, int bits, F f) {
    switch (bits) {
    case 8:
        for (std::int32_t x = 0; x < width; ++x) {
            f(x, row[x]);
        }
        break;
    case 4:
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t pair = row[x >> 1];
            f(x, static_cast<std::uint8_t>((x & 1) ? pair & 0x0f : pair >> 4));
        }
        break;
    default:
        for (std::int32_t x = 0; x < width; ++x) {
            f(x, static_cast<std::uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1));
        }
        break;
    }
}

} // namespace

std::optional<BmpImage> BmpImage::Read(const std::uint8_t* file, std::size_t size,
                                       std::string& why) {
    if (file == nullptr || size < kBmpFileHeaderSize) {
        return Refuse(why, "the file is too short for a bitmap");
    }
    if (file[0] != 'B' || file[1] != 'M') {
        return Refuse(why, "the file does not start like a bitmap file");
    }
    const std::uint8_t* dib = file + kBmpFileHeaderSize;
    const std::size_t dibSize = size - kBmpFileHeaderSize;
    if (dibSize >= 20 && Read32(dib) >= kInfoHeaderSize) {
        if (const char* reason = UnsupportedCompression(Read32(dib + 16))) {
            return Refuse(why, reason);
        }
    }
    const std::optional<DibLayout> layout = ExamineDib(dib, dibSize, why);
    if (!layout) {
        return std::nullopt;
    }
    if (const char* reason = UnsupportedCompression(layout->compression)) {
        return Refuse(why, reason);
    }

    // The pixels start where the file header says, which may leave a gap
    // after the colour table but never overlaps it.
    const std::uint64_t pixelOffset = Read32(file + 10);
    if (pixelOffset < kBmpFileHeaderSize + layout->pixelOffset) {
        return Refuse(why, "its pixel data would start inside its headers");
    }
    if (pixelOffset > size) {
        return Refuse(why, "its pixel data would start past the end of the file");
    }
    if (layout->pixelBytes > size - pixelOffset) {
        return Refuse(why, "the file ends before its last row of pixels");
    }

    BmpImage image;
    image.pixels_ = file + pixelOffset;
    image.pixelOffset_ = static_cast<std::size_t>(pixelOffset);
    image.width_ = layout->width;
    image.height_ = layout->height;
    image.topDown_ = layout->topDown;
    image.bitCount_ = layout->bitCount;
    image.stride_ = static_cast<std::size_t>(layout->pixelBytes / layout->height);
    if (layout->headerSize >= kInfoHeaderSize) {
        const auto x = static_cast<std::int32_t>(Read32(dib + 24));
        const auto y = static_cast<std::int32_t>(Read32(dib + 28));
        image.xPpm_ = x > 0 ? x : 0;
        image.yPpm_ = y > 0 ? y : 0;
    }

    const bool bitFields =
        layout->compression == kBiBitfields || layout->compression == kBiAlphaBitfields;
    switch (layout->bitCount) {
    case 1:
    case 4:
    case 8: {
        image.format_ = RowFormat::Indexed;
        const std::uint8_t* entry = dib + layout->colourTableOffset;
        for (std::uint32_t i = 0; i < layout->colourCount; ++i) {
            image.palette_.push_back({entry[2], entry[1], entry[0]});
            entry += layout->colourEntrySize;
        }
        image.colourOf_.assign(256, image.palette_[0]);
        image.grayOf_.assign(256, 0);
        image.indexOf_.assign(256, 0);
        image.gray_ = true;
        image.grayRamp_ = layout->bitCount == 8 && image.palette_.size() == 256;
        for (std::size_t i = 0; i < image.palette_.size(); ++i) {
            const RgbColour c = image.palette_[i];
            image.colourOf_[i] = c;
            image.indexOf_[i] = static_cast<std::uint8_t>(i);
            image.gray_ = image.gray_ && c.red == c.green && c.green == c.blue;
            image.grayRamp_ = image.grayRamp_ && c.red == i && c.green == i && c.blue == i;
        }
        for (std::size_t i = 0; i < 256; ++i) {
            const RgbColour c = image.colourOf_[i];
            image.grayOf_[i] = static_cast<std::uint8_t>(
                (c.red * 299 + c.green * 587 + c.blue * 114 + 500) / 1000);
        }
        break;
    }
    case 16:
        if (bitFields) {
            if (!image.SetMasks(Read32(dib + kMasksOffset), Read32(dib + kMasksOffset + 4),
                                Read32(dib + kMasksOffset + 8), why)) {
                return std::nullopt;
            }
        } else {
            image.SetMasks(0x7c00, 0x03e0, 0x001f, why);
        }
        image.format_ = RowFormat::Masked;
        break;
    case 24:
        image.format_ = RowFormat::Bgr;
        break;
    default: // 32
        image.format_ = RowFormat::Bgrx;
        if (bitFields) {
            if (!image.SetMasks(Read32(dib + kMasksOffset), Read32(dib + kMasksOffset + 4),
                                Read32(dib + kMasksOffset + 8), why)) {
                return std::nullopt;
            }
            if (image.red_.mask != 0x00ff0000 || image.green_.mask != 0x0000ff00 ||
                image.blue_.mask != 0x000000ff) {
                image.format_ = RowFormat::Masked;
            }
        }
        break;
    }
    return image;
}

bool BmpImage::SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                        std::string& why) {
    const std::uint32_t usable = bitCount_ == 16 ? 0xffffu : 0xffffffffu;
    Channel* channels[] = {&red_, &green_, &blue_};
    const std::uint32_t masks[] = {red, green, blue};
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t mask = masks[i];
        if (mask == 0 || (mask & ~usable) != 0) {
            why = "its colour bit masks are empty or wider than its pixels";
            return false;
        }
        int shift = 0;
        while (((mask >> shift) & 1) == 0) {
            ++shift;
        }
        const std::uint32_t most = mask >> shift;
        if ((most & (most + 1)) != 0) {
            why = "its colour bit masks are not contiguous";
            return false;
        }
        *channels[i] = Channel{mask, shift, most};
    }
    if ((red & green) != 0 || (red & blue) != 0 || (green & blue) != 0) {
        why = "its colour bit masks overlap";
        return false;
    }
    return true;
}

std::uint8_t BmpImage::Scale(std::uint32_t pixel, const Channel& c) const {
    const std::uint64_t value = (pixel & c.mask) >> c.shift;
    return static_cast<std::uint8_t>((value * 255 + c.most / 2) / c.most);
}

const std::uint8_t* BmpImage::Row(std::int32_t y) const {
    const std::size_t stored = static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y);
    return pixels_ + stored * stride_;
}

void BmpImage::MaskedRowToRgb(const std::uint8_t* row, std::uint8_t* out) const {
    for (std::int32_t x = 0; x < width_; ++x) {
        std::uint32_t pixel;
        if (bitCount_ == 16) {
            pixel = static_cast<std::uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
        } else {
            pixel = Read32(row + 4 * x);
        }
        out[3 * x] = Scale(pixel, red_);
        out[3 * x + 1] = Scale(pixel, green_);
        out[3 * x + 2] = Scale(pixel, blue_);
    }
}

void BmpImage::RowToRgb(std::int32_t y, std::uint8_t* out) const {
    const std::uint8_t* row = Row(y);
    switch (format_) {
    case RowFormat::Indexed:
        ForEachIndex(row, width_, bitCount_, [&](std::int32_t x, std::uint8_t index) {
            const RgbColour c = colourOf_[index];
            out[3 * x] = c.red;
            out[3 * x + 1] = c.green;
            out[3 * x + 2] = c.blue;
        });
        break;
    case RowFormat::Bgr:
        for (std::int32_t x = 0; x < width_; ++x) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
        break;
    case RowFormat::Bgrx:
        for (std::int32_t x = 0; x < width_; ++x) {
            out[3 * x] = row[4 * x + 2];
            out[3 * x + 1] = row[4 * x + 1];
            out[3 * x + 2] = row[4 * x];
        }
        break;
    case RowFormat::Masked:
        MaskedRowToRgb(row, out);
        break;
    }
}

void BmpImage::RowToGray(std::int32_t y, std::uint8_t* out) const {
    if (format_ != RowFormat::Indexed) {
        return;
    }
    ForEachIndex(Row(y), width_, bitCount_,
                 [&](std::int32_t x, std::uint8_t index) { out[x] = grayOf_[index]; });
}

void BmpImage::RowToIndices(std::int32_t y, std::uint8_t* out) const {
    if (format_ != RowFormat::Indexed) {
        return;
    }
    ForEachIndex(Row(y), width_, bitCount_,
                 [&](std::int32_t x, std::uint8_t index) { out[x] = indexOf_[index]; });
}

void BmpImage::ReleaseRows(std::int32_t first, std::int32_t end) const {
    if (!release_ || first < 0 || end > height_ || first >= end) {
        return;
    }
    const std::int32_t storedFirst = topDown_ ? first : height_ - end;
    release_(pixelOffset_ + static_cast<std::size_t>(storedFirst) * stride_,
             static_cast<std::size_t>(end - first) * stride_);
}

} // namespace pellix
