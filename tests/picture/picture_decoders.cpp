#include "tests/picture/picture_decoders.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <gif_lib.h>
#include <jpeglib.h>

namespace pellix::test {
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
