// The JPEG and GIF libraries the build links: a small picture goes through
// each encoder and decoder in memory. Catches a broken cross build (missing
// SIMD code, wrong struct sizes between header and library) early.
#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kSize = 64;

std::vector<unsigned char> GrayRamp() {
    std::vector<unsigned char> pixels(kSize * kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            pixels[y * kSize + x] = static_cast<unsigned char>(x * 4);
        }
    }
    return pixels;
}

TEST(CodecLibraries, JpegRoundTrip) {
    const std::vector<unsigned char> pixels = GrayRamp();

    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = kSize;
    c.image_height = kSize;
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[c.next_scanline * kSize]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    ASSERT_GT(size, 100u);

    jpeg_decompress_struct d{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, buffer, size);
    ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&d);
    EXPECT_EQ(d.output_width, static_cast<JDIMENSION>(kSize));
    EXPECT_EQ(d.output_components, 1);
    std::vector<unsigned char> back(kSize * kSize);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = &back[d.output_scanline * kSize];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::free(buffer);

    for (size_t i = 0; i < back.size(); ++i) {
        ASSERT_NEAR(back[i], pixels[i], 6) << "pixel " << i;
    }
}

int WriteToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<unsigned char>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct Reader {
    const std::vector<unsigned char>* data;
    size_t offset;
};

int ReadFromVector(GifFileType* gif, GifByteType* data, int length) {
    auto* in = static_cast<Reader*>(gif->UserData);
    const size_t n = std::min<size_t>(length, in->data->size() - in->offset);
    std::memcpy(data, in->data->data() + in->offset, n);
    in->offset += n;
    return static_cast<int>(n);
}

TEST(CodecLibraries, GifRoundTrip) {
    const std::vector<unsigned char> pixels = GrayRamp();
    std::vector<GifColorType> colors(256);
    for (int i = 0; i < 256; ++i) {
        colors[i] = GifColorType{static_cast<GifByteType>(i), static_cast<GifByteType>(i),
                                 static_cast<GifByteType>(i)};
    }

    std::vector<unsigned char> file;
    int error = 0;
    GifFileType* out = EGifOpen(&file, WriteToVector, &error);
    ASSERT_NE(out, nullptr);
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    ASSERT_EQ(EGifPutScreenDesc(out, kSize, kSize, 8, 0, map), GIF_OK);
    ASSERT_EQ(EGifPutImageDesc(out, 0, 0, kSize, kSize, false, nullptr), GIF_OK);
    for (int y = 0; y < kSize; ++y) {
        ASSERT_EQ(EGifPutLine(out, const_cast<GifPixelType*>(&pixels[y * kSize]), kSize), GIF_OK);
    }
    ASSERT_EQ(EGifCloseFile(out, &error), GIF_OK);
    GifFreeMapObject(map);
    ASSERT_EQ(std::memcmp(file.data(), "GIF", 3), 0);

    Reader reader{&file, 0};
    GifFileType* in = DGifOpen(&reader, ReadFromVector, &error);
    ASSERT_NE(in, nullptr);
    ASSERT_EQ(DGifSlurp(in), GIF_OK);
    ASSERT_EQ(in->ImageCount, 1);
    EXPECT_EQ(in->SWidth, kSize);
    EXPECT_EQ(std::memcmp(in->SavedImages[0].RasterBits, pixels.data(), pixels.size()), 0);
    DGifCloseFile(in, &error);
}

} // namespace
