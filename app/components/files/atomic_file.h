// A file written under a temporary name in its destination's folder and put
// in place in one step once it is complete: nobody sees half a file, and a
// failed write leaves an existing file exactly as it was. The temporary file
// is removed unless Commit succeeds.
#pragma once

#include "app/components/files/byte_sink.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pellix {

class AtomicFile final : public ByteSink {
public:
    AtomicFile() = default;
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates a new, uniquely named temporary file beside `destination`.
    bool Create(const std::filesystem::path& destination);

    bool Write(const std::uint8_t* data, std::size_t size) override;

    // Writes out what is buffered, flushes the file to the disk and replaces
    // the destination with it.
    bool Commit();

    // Why the last step failed ("the disk is full").
    const std::string& Error() const { return error_; }

    const std::filesystem::path& TemporaryPath() const { return temporary_; }

private:
    static constexpr std::size_t kBufferSize = 256 * 1024;
    static constexpr int kNameAttempts = 100;

    static std::filesystem::path TemporaryName(const std::filesystem::path& destination);
    bool FlushBuffer();
    bool Fail();

    // The platform's part: atomic_file_win.cpp or atomic_file_posix.cpp.
    static std::uint32_t ProcessId();
    bool WriteOut(const std::uint8_t* data, std::size_t size);
    void CloseFile();
    void Discard();

    static constexpr std::intptr_t kNoFile = -1; // INVALID_HANDLE_VALUE or no descriptor

    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    std::intptr_t file_ = kNoFile;
    bool failed_ = false;
    std::vector<std::uint8_t> buffer_;
    std::string error_;
};

} // namespace pellix
