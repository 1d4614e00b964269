#include "app/components/picture/picture_writer.h"

#include "app/components/files/atomic_file.h"
#include "app/components/files/mapped_file.h"
#include "app/components/picture/bmp_reader.h"
#include "app/components/picture/gif_encoder.h"
#include "app/components/picture/jpeg_encoder.h"

#include <algorithm>
#include <exception>
#include <new>
#include <optional>

namespace pellix {
namespace {

namespace fs = std::filesystem;
using Failure = PictureResult::Failure;

// Copies go out in pieces this large, each handed back to the system after.
constexpr std::size_t kCopyPiece = 1024 * 1024;

std::string PathText(const fs::path& path) {
    try {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (...) {
        return "the file";
    }
}

PictureResult Fail(Failure failure, std::string detail, std::string message) {
    return {failure, std::move(detail), std::move(message)};
}

PictureResult CannotWrite(const fs::path& destination, const std::string& reason) {
    return Fail(Failure::CannotWrite, reason,
                "Cannot write " + PathText(destination) + ": " + reason + ".");
}

// Maps the scan file and checks it is a bitmap that can be read.
PictureResult OpenSource(const fs::path& source, MappedFile& file, std::optional<BmpImage>& image) {
    if (!file.Open(source)) {
        return Fail(Failure::SourceUnreadable, file.Error(),
                    "Cannot read " + PathText(source) + ": " + file.Error() + ".");
    }
    if (file.Size() == 0) {
        return Fail(Failure::SourceEmpty, "the file is empty", "The scan is empty.");
    }
    std::string why;
    image = BmpImage::Read(file.Data(), file.Size(), why);
    if (!image) {
        return Fail(Failure::NotABitmap, why, "The scan is not a readable bitmap: " + why + ".");
    }
    image->SetReleaseHook(
        [&file](std::size_t offset, std::size_t size) { file.Release(offset, size); });
    return {};
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

template <typename Encode>
PictureResult Convert(const fs::path& source, const fs::path& destination, const char* format,
                      Encode encode) {
    MappedFile file;
    std::optional<BmpImage> image;
    if (PictureResult opened = OpenSource(source, file, image); !opened.Ok()) {
        return opened;
    }
    if (SameFile(source, destination)) {
        return CannotWrite(destination, "it is the scan itself");
    }
    AtomicFile out;
    if (!out.Create(destination)) {
        return CannotWrite(destination, out.Error());
    }
    const EncodeOutcome outcome = encode(*image, out);
    switch (outcome.status) {
    case EncodeOutcome::Status::Done:
        break;
    case EncodeOutcome::Status::SinkFailed:
        return CannotWrite(destination, out.Error());
    case EncodeOutcome::Status::TooLarge:
        return Fail(Failure::TooLarge, outcome.detail,
                    std::string("The scan is too large for a ") + format +
                        " file: " + outcome.detail + ".");
    case EncodeOutcome::Status::Failed:
        return Fail(Failure::Failed, outcome.detail,
                    std::string("Cannot convert the scan to ") + format + ": " + outcome.detail +
                        ".");
    }
    if (!out.Commit()) {
        return CannotWrite(destination, out.Error());
    }
    return {};
}

PictureResult Copy(const fs::path& source, const fs::path& destination) {
    MappedFile file;
    std::optional<BmpImage> image;
    if (PictureResult opened = OpenSource(source, file, image); !opened.Ok()) {
        return opened;
    }
    if (SameFile(source, destination)) {
        return {}; // already there, byte for byte
    }
    AtomicFile out;
    if (!out.Create(destination)) {
        return CannotWrite(destination, out.Error());
    }
    for (std::size_t done = 0; done < file.Size();) {
        const std::size_t piece = std::min(kCopyPiece, file.Size() - done);
        if (!out.Write(file.Data() + done, piece)) {
            return CannotWrite(destination, out.Error());
        }
        file.Release(done, piece);
        done += piece;
    }
    if (!out.Commit()) {
        return CannotWrite(destination, out.Error());
    }
    return {};
}

template <typename Work> PictureResult Guarded(Work work) noexcept {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return Fail(Failure::OutOfMemory, "there is not enough memory",
                    "There is not enough memory to convert the scan.");
    } catch (const std::exception& e) {
        return Fail(Failure::Failed, e.what(), std::string("Cannot convert the scan: ") + e.what());
    } catch (...) {
        return Fail(Failure::Failed, "unexpected error", "Cannot convert the scan.");
    }
}

} // namespace

PictureResult ConvertToJpeg(const fs::path& source, const fs::path& destination,
                            int quality) noexcept {
    return Guarded([&] {
        return Convert(source, destination, "JPEG", [quality](const BmpImage& page, ByteSink& out) {
            return EncodeJpeg(page, quality, out);
        });
    });
}

PictureResult ConvertToGif(const fs::path& source, const fs::path& destination) noexcept {
    return Guarded([&] { return Convert(source, destination, "GIF", EncodeGif); });
}

PictureResult CopyBitmap(const fs::path& source, const fs::path& destination) noexcept {
    return Guarded([&] { return Copy(source, destination); });
}

} // namespace pellix
