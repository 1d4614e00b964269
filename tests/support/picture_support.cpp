#include "tests/support/picture_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>

namespace pellix::test {

namespace fs = std::filesystem;

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

RgbColour StoredColour(const BmpLayout& l, const PixelAt& pixel, std::int32_t x, std::int32_t y) {
    const std::uint32_t rgb = pixel(x, y);
    if (l.bitCount <= 8) {
        return l.palette[rgb];
    }
    const auto masks = MasksOf(l);
    const std::uint32_t stored = Encode(l, rgb);
    std::uint8_t out[3];
    for (int c = 0; c < 3; ++c) {
        const Channel ch = ChannelOf(masks[c]);
        const std::uint64_t v = (stored & ch.mask) >> ch.shift;
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
            default: { // 16, 24 and 32 bits: the encoded pixel, low byte first
                const std::uint32_t p = Encode(l, v);
                for (int i = 0; i < l.bitCount / 8; ++i) {
                    row[l.bitCount / 8 * x + i] = static_cast<std::uint8_t>(p >> (8 * i));
                }
                break;
            }
            }
        }
    }
    return b;
}

TestFolder::TestFolder(const std::u8string& name) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string unique =
        "-" + std::to_string(stamp % 1000000007) + "-" + std::to_string(counter++);
    path_ =
        fs::temp_directory_path() / fs::path(name + std::u8string(unique.begin(), unique.end()));
    fs::create_directories(path_);
}

TestFolder::~TestFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
}

std::vector<std::string> TestFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read a test file");
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write a test file");
    }
}

std::vector<std::uint8_t> ConvertPage(const BmpLayout& layout, const PixelAt& pixel,
                                      const Conversion& conversion) {
    TestFolder folder;
    WriteFile(folder / "page.bmp", BuildBmp(layout, pixel));
    const PictureResult result = conversion(folder / "page.bmp", folder / "out");
    if (!result.Ok()) {
        throw std::runtime_error("conversion failed: " + result.message);
    }
    return ReadFile(folder / "out");
}

namespace {

struct ErrorManager {
    jpeg_error_mgr library;
    std::jmp_buf jump;
};

void JumpBack(j_common_ptr c) {
    std::longjmp(reinterpret_cast<ErrorManager*>(c->err)->jump, 1);
}
void Silent(j_common_ptr) {}

// Only trivially destructible objects live in this frame.
bool Decode(jpeg_decompress_struct* d, ErrorManager* errors, const std::vector<std::uint8_t>* file,
            DecodedJpeg* out) {
    if (setjmp(errors->jump) != 0) {
        return false;
    }
    jpeg_create_decompress(d);
    jpeg_mem_src(d, file->data(), static_cast<unsigned long>(file->size()));
    jpeg_read_header(d, TRUE);
    out->width = static_cast<int>(d->image_width);
    out->height = static_cast<int>(d->image_height);
    out->components = d->num_components;
    out->jfif = d->saw_JFIF_marker;
    out->densityUnit = d->density_unit;
    out->xDensity = d->X_density;
    out->yDensity = d->Y_density;
    for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
        if (d->quant_tbl_ptrs[t] != nullptr) {
            std::array<std::uint16_t, 64> table{};
            for (int i = 0; i < 64; ++i) {
                table[static_cast<std::size_t>(i)] = d->quant_tbl_ptrs[t]->quantval[i];
            }
            out->quantTables.push_back(table);
        }
    }
    d->out_color_space = d->num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
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

struct GifInput {
    const std::vector<std::uint8_t>* file;
    std::size_t at;
};

int ReadGif(GifFileType* gif, GifByteType* buffer, int size) {
    auto* input = static_cast<GifInput*>(gif->UserData);
    const std::size_t left = input->file->size() - input->at;
    const std::size_t n = left < static_cast<std::size_t>(size) ? left : size;
    std::memcpy(buffer, input->file->data() + input->at, n);
    input->at += n;
    return static_cast<int>(n);
}

} // namespace

std::optional<DecodedJpeg> DecodeJpeg(const std::vector<std::uint8_t>& file) {
    jpeg_decompress_struct d{};
    ErrorManager errors{};
    d.err = jpeg_std_error(&errors.library);
    errors.library.error_exit = JumpBack;
    errors.library.output_message = Silent;
    DecodedJpeg out;
    const bool decoded = Decode(&d, &errors, &file, &out);
    jpeg_destroy_decompress(&d);
    if (!decoded) {
        return std::nullopt;
    }
    return out;
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
        std::array<std::uint16_t, 64> table{};
        for (int i = 0; i < 64; ++i) {
            table[static_cast<std::size_t>(i)] = c.quant_tbl_ptrs[t]->quantval[i];
        }
        tables.push_back(table);
    }
    jpeg_destroy_compress(&c);
    return tables;
}

std::optional<DecodedGif> DecodeGif(const std::vector<std::uint8_t>& file) {
    GifInput input{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, ReadGif, &error);
    if (gif == nullptr) {
        return std::nullopt;
    }
    std::optional<DecodedGif> out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap != nullptr) {
        const SavedImage& image = gif->SavedImages[0];
        DecodedGif d;
        d.width = gif->SWidth;
        d.height = gif->SHeight;
        d.aspectByte = gif->AspectByte;
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType c = gif->SColorMap->Colors[i];
            d.colours.push_back({c.Red, c.Green, c.Blue});
        }
        d.indices.assign(image.RasterBits,
                         image.RasterBits + static_cast<std::size_t>(d.width) * d.height);
        out = std::move(d);
    }
    DGifCloseFile(gif, &error);
    return out;
}

} // namespace pellix::test
