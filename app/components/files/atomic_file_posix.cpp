#include "app/components/files/atomic_file.h"

#include "app/components/files/system_error_text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellix {

std::uint32_t AtomicFile::ProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

bool AtomicFile::Create(const std::filesystem::path& destination) {
    Discard();
    destination_ = destination;
    failed_ = false;
    error_.clear();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::filesystem::path name = TemporaryName(destination);
        const int file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file >= 0) {
            file_ = file;
            temporary_ = std::move(name);
            buffer_.reserve(kBufferSize);
            return true;
        }
        if (errno != EEXIST) {
            return Fail();
        }
    }
    return Fail();
}

bool AtomicFile::WriteOut(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(file_), data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail();
        }
        if (written == 0) {
            errno = ENOSPC;
            return Fail();
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AtomicFile::Commit() {
    if (failed_ || file_ == kNoFile || !FlushBuffer()) {
        return false;
    }
    if (::fsync(static_cast<int>(file_)) != 0) {
        return Fail();
    }
    const int closed = ::close(static_cast<int>(file_));
    file_ = kNoFile;
    if (closed != 0) {
        return Fail();
    }
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        Fail();
        Discard();
        return false;
    }
    temporary_.clear();
    // The new name reaches the disk with its folder.
    std::filesystem::path folder = destination_.parent_path();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicFile::CloseFile() {
    if (file_ != kNoFile) {
        ::close(static_cast<int>(file_));
        file_ = kNoFile;
    }
}

void AtomicFile::Discard() {
    CloseFile();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

} // namespace pellix
