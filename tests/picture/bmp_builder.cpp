#include "tests/picture/bmp_builder.h"

namespace pellix::test {
namespace {

struct Channel {
    std::uint32_t mask;
    int shift;
    std::uint32_t most;
};

Channel ChannelOf(std::uint32_t mask) {
    int shift = 0;
    while (((mask >> shift) & 1) == 0) {
        ++shift;
    }
    return {mask, shift, mask >> shift};
}

std::array<std::uint32_t, 3> MasksOf(const BmpLayout& l) {
    if (l.bitFields) {
        return l.masks;
    }
    if (l.bitCount == 16) {
        return {0x7c00, 0x03e0, 0x001f};
    }
    return {0xff0000, 0x00ff00, 0x0000ff};
}

std::uint32_t Encode(const BmpLayout& l, std::uint32_t rgb) {
    const auto masks = MasksOf(l);
    const int values[3] = {static_cast<int>(rgb >> 16) & 0xff, static_cast<int>(rgb >> 8) & 0xff,
                           static_cast<int>(rgb) & 0xff};
    std::uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c) {
        const Channel ch = ChannelOf(masks[c]);
        const std::uint64_t v = (static_cast<std::uint64_t>(values[c]) * ch.most + 127) / 255;
        pixel |= static_cast<std::uint32_t>(v << ch.shift) & ch.mask;
    }
    return pixel;
}

} // namespace

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

RgbColour Unpack(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

RgbColour StoredColour(const BmpLayout& l, std::uint32_t rgb) {
    if (l.bitCount == 24) {
        return Unpack(rgb);
    }
    const auto masks = MasksOf(l);
    const std::uint32_t pixel = Encode(l, rgb);
    std::uint8_t out[3];
    for (int c = 0; c < 3; ++c) {
        const Channel ch = ChannelOf(masks[c]);
        const std::uint64_t v = (pixel & ch.mask) >> ch.shift;
        out[c] = static_cast<std::uint8_t>((v * 255 + ch.most / 2) / ch.most);
    }
    return {out[0], out[1], out[2]};
}

std::vector<RgbColour> GrayPalette(int entries) {
    std::vector<RgbColour> palette;
    for (int i = 0; i < entries; ++i) {
        const auto v = static_cast<std::uint8_t>(entries == 1 ? 0 : i * 255 / (entries - 1));
        palette.push_back({v, v, v});
    }
    return palette;
}

std::uint32_t Gradient(std::int32_t x, std::int32_t y) {
    const auto r = static_cast<std::uint32_t>((x * 7 + y * 3) % 256);
    const auto g = static_cast<std::uint32_t>((y * 5 + 40) % 256);
    const auto b = static_cast<std::uint32_t>((x * 2 + y * 2 + 90) % 256);
    return (r << 16) | (g << 8) | b;
}

std::uint32_t FewColours(std::int32_t x, std::int32_t y) {
    static const std::uint32_t colours[] = {0xffffff, 0x000000, 0xc02020,
                                            0x2040c0, 0x30a050, 0xf0e080};
    return colours[((x / 4) + (y / 4) * 3) % 6];
}

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout, const PixelAt& pixel) {
    BmpLayout l = layout;
    const bool core = l.headerSize == 12;
    if (core && l.bitCount <= 8) {
        // The core header has no colour count: the table is always full.
        l.palette.resize(std::size_t{1} << l.bitCount);
    }
    const std::size_t entrySize = core ? 3 : 4;
    const std::size_t masksAfter = (l.bitFields && l.headerSize == 40) ? 12 : 0;
    const std::size_t tableAt = 14 + l.headerSize + masksAfter;
    const std::size_t pixelsAt = tableAt + l.palette.size() * entrySize + l.gap;
    const std::size_t stride = (static_cast<std::size_t>(l.width) * l.bitCount + 31) / 32 * 4;
    std::vector<std::uint8_t> b(pixelsAt + stride * static_cast<std::size_t>(l.height), 0);

    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, kPixelOffsetField, static_cast<std::uint32_t>(pixelsAt));
    Put32(b, 14, l.headerSize);
    if (core) {
        Put16(b, 18, static_cast<std::uint16_t>(l.width));
        Put16(b, 20, static_cast<std::uint16_t>(l.height));
        Put16(b, 22, 1);
        Put16(b, 24, l.bitCount);
    } else {
        Put32(b, kWidthField, static_cast<std::uint32_t>(l.width));
        Put32(b, kHeightField, static_cast<std::uint32_t>(l.topDown ? -l.height : l.height));
        Put16(b, 26, 1);
        Put16(b, kBitCountField, l.bitCount);
        Put32(b, kCompressionField, l.bitFields ? 3 : 0);
        Put32(b, 34, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(l.height)));
        Put32(b, 38, static_cast<std::uint32_t>(l.xPixelsPerMetre));
        Put32(b, 42, static_cast<std::uint32_t>(l.yPixelsPerMetre));
        Put32(b, kColoursUsedField, static_cast<std::uint32_t>(l.palette.size()));
        if (l.bitFields) {
            for (int c = 0; c < 3; ++c) {
                Put32(b, 14 + 40 + 4 * c, l.masks[c]);
            }
        }
    }
    for (std::size_t i = 0; i < l.palette.size(); ++i) {
        b[tableAt + i * entrySize] = l.palette[i].blue;
        b[tableAt + i * entrySize + 1] = l.palette[i].green;
        b[tableAt + i * entrySize + 2] = l.palette[i].red;
    }
    for (std::int32_t y = 0; y < l.height; ++y) {
        const std::size_t stored = static_cast<std::size_t>(l.topDown ? y : l.height - 1 - y);
        std::uint8_t* row = &b[pixelsAt + stored * stride];
        for (std::int32_t x = 0; x < l.width; ++x) {
            const std::uint32_t v = pixel(x, y);
            switch (l.bitCount) {
            case 1:
                row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(v);
                break;
            case 16: {
                const std::uint32_t p = Encode(l, v);
                row[2 * x] = static_cast<std::uint8_t>(p);
                row[2 * x + 1] = static_cast<std::uint8_t>(p >> 8);
                break;
            }
            case 24:
                row[3 * x] = static_cast<std::uint8_t>(v);
                row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
                break;
            default: {
                const std::uint32_t p = Encode(l, v);
                for (int i = 0; i < 4; ++i) {
                    row[4 * x + i] = static_cast<std::uint8_t>(p >> (8 * i));
                }
                break;
            }
            }
        }
    }
    return b;
}

} // namespace pellix::test
