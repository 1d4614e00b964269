// Turns a scanned page, kept as a bitmap file, into the file the user asked
// for: a JPEG, a GIF or an unchanged copy of the bitmap. The destination
// appears complete or not at all: on any failure an existing file keeps its
// bytes and no temporary file stays behind. The source file is only read.
// Nothing is thrown; every failure comes back as a result.
#pragma once

#include <filesystem>
#include <string>

namespace pellix {

struct PictureResult {
    enum class Failure {
        None,
        SourceEmpty,      // the scan file holds no bytes
        NotABitmap,       // not a bitmap this program reads; `detail` says why
        SourceUnreadable, // the scan file cannot be opened or read
        CannotWrite,      // the destination cannot be written or put in place
        TooLarge,         // the page is larger than the format allows
        OutOfMemory,
        Failed, // the encoder gave up for another reason
    };

    Failure failure = Failure::None;
    std::string detail;  // the reason alone: "the disk is full"
    std::string message; // a sentence for the user, UTF-8

    bool Ok() const { return failure == Failure::None; }
};

// quality: 1 to 100, clamped.
PictureResult ConvertToJpeg(const std::filesystem::path& source,
                            const std::filesystem::path& destination, int quality) noexcept;

PictureResult ConvertToGif(const std::filesystem::path& source,
                           const std::filesystem::path& destination) noexcept;

// Checks that the source is a bitmap this program reads, then copies it
// byte for byte.
PictureResult CopyBitmap(const std::filesystem::path& source,
                         const std::filesystem::path& destination) noexcept;

} // namespace pellix
