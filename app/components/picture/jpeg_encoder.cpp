#include "app/components/picture/jpeg_encoder.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>
// jerror.h after jpeglib.h: it needs its types.
#include <jerror.h>

namespace pellix {
namespace {

constexpr std::size_t kOutputBufferSize = 64 * 1024;
// Rows read so far are handed back to the system in bunches of this many.
constexpr std::int32_t kReleaseEvery = 64;

// libjpeg's error manager with a way back to Compress: the library sees only
// the first member.
struct ErrorManager {
    jpeg_error_mgr library;
    std::jmp_buf jump;
};

struct Destination {
    jpeg_destination_mgr library;
    ByteSink* sink;
    bool sinkFailed;
    JOCTET buffer[kOutputBufferSize];
};

// How rows reach the encoder: straight from the file, or converted first.
enum class Feed { StoredGray, StoredBgr, StoredBgrx, ConvertedGray, ConvertedRgb };

void JumpBack(j_common_ptr c) {
    std::longjmp(reinterpret_cast<ErrorManager*>(c->err)->jump, 1);
}

void Silent(j_common_ptr) {}

bool WriteSafely(ByteSink& sink, const JOCTET* data, std::size_t size) noexcept {
    try {
        return sink.Write(data, size);
    } catch (...) {
        return false;
    }
}

void InitDestination(j_compress_ptr c) {
    auto* d = reinterpret_cast<Destination*>(c->dest);
    d->library.next_output_byte = d->buffer;
    d->library.free_in_buffer = kOutputBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr c) {
    auto* d = reinterpret_cast<Destination*>(c->dest);
    if (!WriteSafely(*d->sink, d->buffer, kOutputBufferSize)) {
        d->sinkFailed = true;
        ERREXIT(c, JERR_FILE_WRITE);
    }
    InitDestination(c);
    return TRUE;
}

void TermDestination(j_compress_ptr c) {
    auto* d = reinterpret_cast<Destination*>(c->dest);
    const std::size_t used = kOutputBufferSize - d->library.free_in_buffer;
    if (used > 0 && !WriteSafely(*d->sink, d->buffer, used)) {
        d->sinkFailed = true;
        ERREXIT(c, JERR_FILE_WRITE);
    }
}

// Owns libjpeg's compression state; destroying it is safe in any state.
class Compressor {
public:
    Compressor() {
        state.err = jpeg_std_error(&errors.library);
        errors.library.error_exit = JumpBack;
        errors.library.output_message = Silent;
    }
    ~Compressor() { jpeg_destroy_compress(&state); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct state{};
    ErrorManager errors{};
};

// Everything Compress needs; all of it trivially destructible.
struct Job {
    jpeg_compress_struct* c;
    ErrorManager* errors;
    Destination* destination;
    const BmpImage* page;
    Feed feed;
    std::uint8_t* rowBuffer;
    int quality;
    UINT16 xDensity; // 0: no resolution known
    UINT16 yDensity;
    char* message; // JMSG_LENGTH_MAX bytes
};

JSAMPROW RowFor(const Job& job, std::int32_t y) {
    switch (job.feed) {
    case Feed::StoredGray:
    case Feed::StoredBgr:
    case Feed::StoredBgrx:
        // libjpeg only reads input rows; the mapping is read-only anyway.
        return const_cast<JSAMPROW>(job.page->Row(y));
    case Feed::ConvertedGray:
        job.page->RowToGray(y, job.rowBuffer);
        return job.rowBuffer;
    case Feed::ConvertedRgb:
        break;
    }
    job.page->RowToRgb(y, job.rowBuffer);
    return job.rowBuffer;
}

// The only frame that calls setjmp. Nothing here, nor in the callbacks libjpeg
// may jump out of, has a destructor, so a jump back skips no clean-up.
bool Compress(const Job& job) {
    jpeg_compress_struct* c = job.c;
    if (setjmp(job.errors->jump) != 0) {
        (*c->err->format_message)(reinterpret_cast<j_common_ptr>(c), job.message);
        return false;
    }
    jpeg_create_compress(c);
    c->dest = &job.destination->library;
    c->image_width = static_cast<JDIMENSION>(job.page->Width());
    c->image_height = static_cast<JDIMENSION>(job.page->Height());
    switch (job.feed) {
    case Feed::StoredGray:
    case Feed::ConvertedGray:
        c->input_components = 1;
        c->in_color_space = JCS_GRAYSCALE;
        break;
    case Feed::StoredBgr:
        c->input_components = 3;
        c->in_color_space = JCS_EXT_BGR;
        break;
    case Feed::StoredBgrx:
        c->input_components = 4;
        c->in_color_space = JCS_EXT_BGRX;
        break;
    case Feed::ConvertedRgb:
        c->input_components = 3;
        c->in_color_space = JCS_RGB;
        break;
    }
    jpeg_set_defaults(c);
    jpeg_set_quality(c, job.quality, TRUE);
    if (job.xDensity != 0) {
        c->density_unit = 1; // dots per inch
        c->X_density = job.xDensity;
        c->Y_density = job.yDensity;
    }
    jpeg_start_compress(c, TRUE);
    while (c->next_scanline < c->image_height) {
        const auto y = static_cast<std::int32_t>(c->next_scanline);
        JSAMPROW row = RowFor(job, y);
        jpeg_write_scanlines(c, &row, 1);
        if ((y + 1) % kReleaseEvery == 0) {
            job.page->ReleaseRows(y + 1 - kReleaseEvery, y + 1);
        }
    }
    jpeg_finish_compress(c);
    return true;
}

Feed FeedFor(const BmpImage& page) {
    switch (page.Format()) {
    case BmpImage::RowFormat::Indexed:
        if (page.IsGrayRamp()) {
            return Feed::StoredGray;
        }
        return page.IsGray() ? Feed::ConvertedGray : Feed::ConvertedRgb;
    case BmpImage::RowFormat::Bgr:
        return Feed::StoredBgr;
    case BmpImage::RowFormat::Bgrx:
        return Feed::StoredBgrx;
    case BmpImage::RowFormat::Masked:
        break;
    }
    return Feed::ConvertedRgb;
}

UINT16 DotsPerInch(std::int32_t pixelsPerMetre) {
    const long dpi = std::lround(pixelsPerMetre * 0.0254);
    return static_cast<UINT16>(std::clamp(dpi, 1L, 65535L));
}

} // namespace

EncodeOutcome EncodeJpeg(const BmpImage& page, int quality, ByteSink& out) {
    if (page.Width() > JPEG_MAX_DIMENSION || page.Height() > JPEG_MAX_DIMENSION) {
        return EncodeOutcome::Fail(EncodeOutcome::Status::TooLarge,
                                   "a JPEG file holds at most 65500 pixels each way");
    }
    Compressor compressor;
    auto destination = std::make_unique<Destination>();
    destination->library.init_destination = InitDestination;
    destination->library.empty_output_buffer = EmptyOutputBuffer;
    destination->library.term_destination = TermDestination;
    destination->sink = &out;
    destination->sinkFailed = false;

    const Feed feed = FeedFor(page);
    std::vector<std::uint8_t> rowBuffer(static_cast<std::size_t>(page.Width()) * 3);
    char message[JMSG_LENGTH_MAX] = {};

    std::int32_t xPpm = page.XPixelsPerMetre();
    std::int32_t yPpm = page.YPixelsPerMetre();
    if (xPpm == 0 || yPpm == 0) {
        xPpm = yPpm = std::max(xPpm, yPpm);
    }
    const Job job{&compressor.state,
                  &compressor.errors,
                  destination.get(),
                  &page,
                  feed,
                  rowBuffer.data(),
                  std::clamp(quality, 1, 100),
                  static_cast<UINT16>(xPpm > 0 ? DotsPerInch(xPpm) : 0),
                  static_cast<UINT16>(yPpm > 0 ? DotsPerInch(yPpm) : 0),
                  message};
    if (Compress(job)) {
        return EncodeOutcome::Done();
    }
    if (destination->sinkFailed) {
        return EncodeOutcome::Fail(EncodeOutcome::Status::SinkFailed, {});
    }
    return EncodeOutcome::Fail(EncodeOutcome::Status::Failed,
                               std::string("the JPEG library stopped: ") + message);
}

} // namespace pellix
