// libFuzzer target: any bytes as a bitmap file. The reader must refuse them
// with a reason or read them without touching memory outside the input;
// pages it accepts go through every row converter and, when small, through
// both encoders.
#include "app/components/picture/gif_encoder.h"
#include "app/components/picture/jpeg_encoder.h"

#include <cstdlib>
#include <vector>

namespace {

struct NullSink final : pellix::ByteSink {
    bool Write(const std::uint8_t*, std::size_t) override { return true; }
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string why;
    std::optional<pellix::BmpImage> image = pellix::BmpImage::Read(data, size, why);
    Check(image || !why.empty());
    if (!image) {
        return 0;
    }
    // Released ranges must lie inside the file.
    image->SetReleaseHook([size](std::size_t offset, std::size_t length) {
        Check(offset <= size && length <= size - offset);
    });
    std::vector<std::uint8_t> rgb(image->Width() * std::size_t{3}), single(image->Width());
    for (std::int32_t y = 0; y < image->Height(); ++y) {
        image->RowToRgb(y, rgb.data());
        if (image->HasPalette()) {
            image->RowToGray(y, single.data());
            image->RowToIndices(y, single.data());
        }
    }
    image->ReleaseRows(0, image->Height());
    if (std::int64_t{image->Width()} * image->Height() <= 1 << 16) {
        NullSink jpeg, gif;
        Check(pellix::EncodeJpeg(*image, 75, jpeg).status == pellix::EncodeOutcome::Status::Done);
        Check(pellix::EncodeGif(*image, gif).status == pellix::EncodeOutcome::Status::Done);
    }
    return 0;
}
