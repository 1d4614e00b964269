#include "tests/support/picture_support.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>

#include <gif_lib.h>
#include <jpeglib.h>

namespace pellix::test {

namespace fs = std::filesystem;

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::vector<RgbColour> GrayPalette(int entries) {
    std::vector<RgbColour> palette;
    for (int i = 0; i < entries; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / (entries - 1));
        palette.push_back({v, v, v});
    }
    return palette;
}

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout, const PixelAt& pixel) {
    BmpLayout l = layout;
    const bool core = l.headerSize == 12;
    const bool fields = l.masks[0] != 0;
    if (!fields) {
        l.masks = l.bitCount == 16 ? std::array<std::uint32_t, 3>{0x7c00, 0x03e0, 0x001f}
                                   : std::array<std::uint32_t, 3>{0xff0000, 0x00ff00, 0x0000ff};
    }
    const std::size_t entrySize = core ? 3 : 4;
    const std::size_t tableAt = 14 + l.headerSize + (fields && l.headerSize == 40 ? 12 : 0);
    const std::size_t pixelsAt = tableAt + l.palette.size() * entrySize + l.gap;
    const std::size_t stride = (static_cast<std::size_t>(l.width) * l.bitCount + 31) / 32 * 4;
    std::vector<std::uint8_t> b(pixelsAt + stride * static_cast<std::size_t>(l.height), 0);
    Put32(b, 0, 'B' | 'M' << 8);
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, kPixelOffsetField, static_cast<std::uint32_t>(pixelsAt));
    Put32(b, 14, l.headerSize);
    if (core) {
        Put32(b, 18, static_cast<std::uint32_t>(l.width | (l.height << 16)));
        Put32(b, 22, 1u | (std::uint32_t{l.bitCount} << 16)); // planes, bits
    } else {
        Put32(b, kWidthField, static_cast<std::uint32_t>(l.width));
        Put32(b, kHeightField, static_cast<std::uint32_t>(l.topDown ? -l.height : l.height));
        Put32(b, 26, 1u | (std::uint32_t{l.bitCount} << 16));
        Put32(b, kCompressionField, fields ? 3 : 0);
        Put32(b, 34, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(l.height)));
        Put32(b, 38, static_cast<std::uint32_t>(l.xPixelsPerMetre));
        Put32(b, 42, static_cast<std::uint32_t>(l.yPixelsPerMetre));
        Put32(b, 46, static_cast<std::uint32_t>(l.palette.size()));
        for (int c = 0; fields && c < 3; ++c) {
            Put32(b, 14 + 40 + 4 * c, l.masks[c]);
        }
    }
    for (std::size_t i = 0; i < l.palette.size(); ++i) {
        const RgbColour c = l.palette[i];
        std::memcpy(&b[tableAt + i * entrySize], std::array{c.blue, c.green, c.red}.data(), 3);
    }
    for (std::int32_t y = 0; y < l.height; ++y) {
        std::uint8_t* row =
            &b[pixelsAt + static_cast<std::size_t>(l.topDown ? y : l.height - 1 - y) * stride];
        for (std::int32_t x = 0; x < l.width; ++x) {
            const std::uint32_t v = pixel(x, y);
            if (l.bitCount <= 8) { // indices, the leftmost pixel in the high bits
                const int per = 8 / l.bitCount;
                const int shift = (per - 1 - x % per) * l.bitCount;
                row[x / per] |= static_cast<std::uint8_t>(v << shift);
                continue;
            }
            std::uint32_t p = 0; // each channel scaled to its mask, stored low byte first
            for (int c = 0; c < 3; ++c) {
                const int shift = std::countr_zero(l.masks[c]);
                const std::uint64_t most = l.masks[c] >> shift;
                p |= static_cast<std::uint32_t>(((v >> (16 - 8 * c)) & 0xff) * most / 255 << shift);
            }
            for (int i = 0; i < l.bitCount / 8; ++i) {
                row[l.bitCount / 8 * x + i] = static_cast<std::uint8_t>(p >> (8 * i));
            }
        }
    }
    return b;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

struct ErrorManager {
    jpeg_error_mgr library;
    std::jmp_buf jump;
};

void JumpBack(j_common_ptr c) {
    std::longjmp(reinterpret_cast<ErrorManager*>(c->err)->jump, 1);
}

std::array<std::uint16_t, 64> Table(const JQUANT_TBL* table) {
    std::array<std::uint16_t, 64> values{};
    std::copy(table->quantval, table->quantval + 64, values.begin());
    return values;
}

// Only trivially destructible objects live in this frame.
bool Decode(jpeg_decompress_struct* d, ErrorManager* errors, const std::vector<std::uint8_t>* file,
            DecodedJpeg* out) {
    if (setjmp(errors->jump) != 0) {
        return false;
    }
    jpeg_create_decompress(d);
    jpeg_mem_src(d, file->data(), static_cast<unsigned long>(file->size()));
    jpeg_read_header(d, TRUE);
    *out = {int(d->image_width), int(d->image_height), d->num_components,
            d->density_unit,     d->X_density,         d->Y_density};
    for (const JQUANT_TBL* table : d->quant_tbl_ptrs) {
        if (table != nullptr) {
            out->quantTables.push_back(Table(table));
        }
    }
    d->out_color_space = JCS_RGB;
    jpeg_start_decompress(d);
    const std::size_t rowBytes = static_cast<std::size_t>(d->output_width) * d->output_components;
    out->pixels.resize(rowBytes * d->output_height);
    while (d->output_scanline < d->output_height) {
        JSAMPROW row = out->pixels.data() + d->output_scanline * rowBytes;
        jpeg_read_scanlines(d, &row, 1);
    }
    jpeg_finish_decompress(d);
    return true;
}

// Hands out the bytes left, from the front.
int ReadGif(GifFileType* gif, GifByteType* buffer, int size) {
    auto* rest = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    const int n = std::min(size, static_cast<int>(rest->size()));
    std::copy_n(rest->begin(), n, buffer);
    rest->erase(rest->begin(), rest->begin() + n);
    return n;
}

} // namespace

std::optional<DecodedJpeg> DecodeJpeg(const std::vector<std::uint8_t>& file) {
    jpeg_decompress_struct d{};
    ErrorManager errors{};
    d.err = jpeg_std_error(&errors.library);
    errors.library.error_exit = JumpBack;
    DecodedJpeg out;
    const bool decoded = Decode(&d, &errors, &file, &out);
    jpeg_destroy_decompress(&d);
    return decoded ? std::optional(out) : std::nullopt;
}

std::vector<std::array<std::uint16_t, 64>> ReferenceQuantTables(int quality, bool gray) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    c.input_components = gray ? 1 : 3;
    c.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    std::vector<std::array<std::uint16_t, 64>> tables;
    for (int t = 0; t < (gray ? 1 : 2); ++t) {
        tables.push_back(Table(c.quant_tbl_ptrs[t]));
    }
    jpeg_destroy_compress(&c);
    return tables;
}

std::optional<DecodedGif> DecodeGif(const std::vector<std::uint8_t>& file) {
    std::vector<std::uint8_t> rest = file;
    int error = 0;
    GifFileType* gif = DGifOpen(&rest, ReadGif, &error);
    if (gif == nullptr) {
        return std::nullopt;
    }
    std::optional<DecodedGif> out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap != nullptr) {
        DecodedGif d{gif->SWidth, gif->SHeight, gif->AspectByte};
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType c = gif->SColorMap->Colors[i];
            d.colours.push_back({c.Red, c.Green, c.Blue});
        }
        const GifByteType* raster = gif->SavedImages[0].RasterBits;
        d.indices.assign(raster, raster + static_cast<std::size_t>(d.width) * d.height);
        out = std::move(d);
    }
    DGifCloseFile(gif, &error);
    return out;
}

} // namespace pellix::test
