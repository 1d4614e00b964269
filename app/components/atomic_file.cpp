#include "app/components/atomic_file.h"

#include "app/components/system_error_text.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pellix {
namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
constexpr int kNameAttempts = 100;

std::atomic<std::uint32_t> nameCounter{0};

std::uint32_t ProcessId() {
#ifdef _WIN32
    return ::GetCurrentProcessId();
#else
    return static_cast<std::uint32_t>(::getpid());
#endif
}

// Short and fixed in length, so a long destination name still leaves room.
std::filesystem::path TemporaryName(const std::filesystem::path& destination) {
    const auto now =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char name[64];
    std::snprintf(name, sizeof name, "~pellix-%x-%x-%x.tmp", static_cast<unsigned>(ProcessId()),
                  static_cast<unsigned>(nameCounter.fetch_add(1)),
                  static_cast<unsigned>(now & 0xffffff));
    return destination.parent_path() / name;
}

} // namespace

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Fail() {
    error_ = SystemErrorText(LastSystemError());
    failed_ = true;
    return false;
}

bool AtomicFile::Write(const std::uint8_t* data, std::size_t size) {
    if (failed_ || file_ == kNoFile) {
        return false;
    }
    if (size >= kBufferSize) {
        return FlushBuffer() && WriteOut(data, size);
    }
    if (buffer_.size() + size > kBufferSize && !FlushBuffer()) {
        return false;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
}

bool AtomicFile::FlushBuffer() {
    if (buffer_.empty()) {
        return !failed_;
    }
    const bool written = WriteOut(buffer_.data(), buffer_.size());
    buffer_.clear();
    return written;
}

#ifdef _WIN32

bool AtomicFile::Create(const std::filesystem::path& destination) {
    Discard();
    destination_ = destination;
    failed_ = false;
    error_.clear();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::filesystem::path name = TemporaryName(destination);
        const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            file_ = reinterpret_cast<std::intptr_t>(file);
            temporary_ = std::move(name);
            buffer_.reserve(kBufferSize);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            return Fail();
        }
    }
    return Fail();
}

bool AtomicFile::WriteOut(const std::uint8_t* data, std::size_t size) {
    const HANDLE file = reinterpret_cast<HANDLE>(file_);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr)) {
            return Fail();
        }
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return Fail();
        }
        data += written;
        size -= written;
    }
    return true;
}

bool AtomicFile::Commit() {
    if (failed_ || file_ == kNoFile || !FlushBuffer()) {
        return false;
    }
    const HANDLE file = reinterpret_cast<HANDLE>(file_);
    if (!::FlushFileBuffers(file)) {
        return Fail();
    }
    CloseFile();
    // A file marked read-only is not replaced. Windows' MoveFileEx refuses
    // it by itself; Wine's replaces it, so the rule is checked here.
    const DWORD existing = ::GetFileAttributesW(destination_.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        Fail();
        Discard();
        return false;
    }
    if (!::MoveFileExW(temporary_.c_str(), destination_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail();
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void AtomicFile::CloseFile() {
    if (file_ != kNoFile) {
        ::CloseHandle(reinterpret_cast<HANDLE>(file_));
        file_ = kNoFile;
    }
}

void AtomicFile::Discard() {
    CloseFile();
    if (!temporary_.empty()) {
        ::DeleteFileW(temporary_.c_str());
        temporary_.clear();
    }
}

#else

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

#endif

} // namespace pellix
