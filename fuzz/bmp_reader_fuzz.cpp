// libFuzzer target: any bytes as a bitmap file. The reader must refuse or
// read them without touching memory outside the input; pages it accepts go
// through every row converter and, when small, through both encoders.
#include "app/components/files/byte_sink.h"
#include "app/components/picture/bmp_reader.h"
#include "app/components/picture/gif_encoder.h"
#include "app/components/picture/jpeg_encoder.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class NullSink final : public pellix::ByteSink {
public:
    bool Write(const std::uint8_t*, std::size_t size) override {
        written += size;
        return true;
    }
    std::size_t written = 0;
};

constexpr std::int64_t kLargestEncodedPage = 1 << 16; // pixels

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string why;
    std::optional<pellix::BmpImage> image = pellix::BmpImage::Read(data, size, why);
    if (!image) {
        if (why.empty()) {
            std::abort(); // every refusal has a reason
        }
        return 0;
    }
    // Released ranges must lie inside the file.
    image->SetReleaseHook([size](std::size_t offset, std::size_t length) {
        if (offset > size || length > size - offset) {
            std::abort();
        }
    });
    const std::int32_t width = image->Width();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    std::vector<std::uint8_t> single(static_cast<std::size_t>(width));
    for (std::int32_t y = 0; y < image->Height(); ++y) {
        image->RowToRgb(y, rgb.data());
        if (image->HasPalette()) {
            image->RowToGray(y, single.data());
            image->RowToIndices(y, single.data());
            for (const std::uint8_t index : single) {
                if (index >= image->Palette().size()) {
                    std::abort();
                }
            }
        }
    }
    image->ReleaseRows(0, image->Height());

    if (static_cast<std::int64_t>(width) * image->Height() <= kLargestEncodedPage) {
        NullSink jpeg;
        if (pellix::EncodeJpeg(*image, 75, jpeg).status != pellix::EncodeOutcome::Status::Done) {
            std::abort();
        }
        NullSink gif;
        if (pellix::EncodeGif(*image, gif).status != pellix::EncodeOutcome::Status::Done) {
            std::abort();
        }
    }
    return 0;
}
