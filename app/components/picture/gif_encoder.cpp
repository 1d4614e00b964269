#include "app/components/picture/gif_encoder.h"

#include "app/components/picture/dithering_mapper.h"
#include "app/components/picture/exact_colours.h"
#include "app/components/picture/wu_quantizer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace pellix {
namespace {

constexpr std::int32_t kGifLargest = 65535;
constexpr std::int32_t kReleaseEvery = 64;

struct Output {
    ByteSink* sink;
    bool failed;
};

int WriteToSink(GifFileType* gif, const GifByteType* data, int size) {
    auto* output = static_cast<Output*>(gif->UserData);
    if (output->failed) {
        return 0;
    }
    try {
        if (output->sink->Write(data, static_cast<std::size_t>(size))) {
            return size;
        }
    } catch (...) {
    }
    output->failed = true;
    return 0;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
using GifWriter = std::unique_ptr<GifFileType, GifCloser>;

struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapFreer>;

// Produces the palette index rows of a page, top-down.
class IndexRows {
public:
    explicit IndexRows(const BmpImage& page) : page_(page) {
        if (page.HasPalette()) {
            palette_ = page.Palette();
            return;
        }
        rgb_.resize(static_cast<std::size_t>(page.Width()) * 3);
        exact_.emplace();
        WuQuantizer wu;
        for (std::int32_t y = 0; y < page.Height(); ++y) {
            page.RowToRgb(y, rgb_.data());
            exact_->AddRow(rgb_.data(), page.Width());
            wu.AddRow(rgb_.data(), page.Width());
            Release(y);
        }
        if (exact_->Overflowed()) {
            exact_.reset();
            palette_ = wu.MakePalette(256);
            mapper_.emplace(palette_, page.Width());
        } else {
            palette_ = exact_->Colours();
        }
    }

    const std::vector<RgbColour>& Palette() const { return palette_; }

    void Row(std::int32_t y, std::uint8_t* indices) {
        if (page_.HasPalette()) {
            page_.RowToIndices(y, indices);
        } else {
            page_.RowToRgb(y, rgb_.data());
            if (exact_) {
                exact_->MapRow(rgb_.data(), page_.Width(), indices);
            } else {
                mapper_->MapRow(rgb_.data(), indices);
            }
        }
        Release(y);
    }

private:
    void Release(std::int32_t y) const {
        if ((y + 1) % kReleaseEvery == 0) {
            page_.ReleaseRows(y + 1 - kReleaseEvery, y + 1);
        }
    }

    const BmpImage& page_;
    std::vector<RgbColour> palette_;
    std::vector<std::uint8_t> rgb_;
    std::optional<ExactColours> exact_;
    std::optional<DitheringMapper> mapper_;
};

EncodeOutcome GifFailure(const Output& output, int error) {
    if (output.failed) {
        return EncodeOutcome::Fail(EncodeOutcome::Status::SinkFailed, {});
    }
    const char* text = GifErrorString(error);
    return EncodeOutcome::Fail(EncodeOutcome::Status::Failed,
                               std::string("the GIF library stopped: ") +
                                   (text ? text : "unknown error"));
}

} // namespace

std::uint8_t GifAspectByte(std::int32_t xPixelsPerMetre, std::int32_t yPixelsPerMetre) {
    if (xPixelsPerMetre <= 0 || yPixelsPerMetre <= 0 || xPixelsPerMetre == yPixelsPerMetre) {
        return 0;
    }
    // A pixel is 1/x wide and 1/y high.
    const double ratio = static_cast<double>(yPixelsPerMetre) / xPixelsPerMetre;
    const long value = std::lround(ratio * 64.0 - 15.0);
    return static_cast<std::uint8_t>(std::clamp(value, 1L, 255L));
}

EncodeOutcome EncodeGif(const BmpImage& page, ByteSink& out) {
    if (page.Width() > kGifLargest || page.Height() > kGifLargest) {
        return EncodeOutcome::Fail(EncodeOutcome::Status::TooLarge,
                                   "a GIF file holds at most 65535 pixels each way");
    }
    IndexRows rows(page);

    const int count = static_cast<int>(rows.Palette().size());
    const int bits = GifBitSize(count);
    std::vector<GifColorType> colours(static_cast<std::size_t>(1) << bits, GifColorType{0, 0, 0});
    for (int i = 0; i < count; ++i) {
        const RgbColour& c = rows.Palette()[static_cast<std::size_t>(i)];
        colours[static_cast<std::size_t>(i)] = GifColorType{c.red, c.green, c.blue};
    }
    const ColourMap map(GifMakeMapObject(1 << bits, colours.data()));
    if (!map) {
        throw std::bad_alloc();
    }

    Output output{&out, false};
    int error = 0;
    GifWriter gif(EGifOpen(&output, WriteToSink, &error));
    if (!gif) {
        return GifFailure(output, error);
    }
    gif->AspectByte = GifAspectByte(page.XPixelsPerMetre(), page.YPixelsPerMetre());
    if (EGifPutScreenDesc(gif.get(), page.Width(), page.Height(), 8, 0, map.get()) == GIF_ERROR ||
        EGifPutImageDesc(gif.get(), 0, 0, page.Width(), page.Height(), false, nullptr) ==
            GIF_ERROR) {
        return GifFailure(output, gif->Error);
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(page.Width()));
    for (std::int32_t y = 0; y < page.Height(); ++y) {
        rows.Row(y, line.data());
        if (EGifPutLine(gif.get(), line.data(), page.Width()) == GIF_ERROR) {
            return GifFailure(output, gif->Error);
        }
    }
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR || output.failed) {
        return GifFailure(output, error);
    }
    return EncodeOutcome::Done();
}

} // namespace pellix
