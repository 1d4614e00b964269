#include "app/components/files/atomic_file.h"

#include "app/components/files/system_error_text.h"

#include <windows.h>

namespace pellix {

std::uint32_t AtomicFile::ProcessId() {
    return ::GetCurrentProcessId();
}

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

} // namespace pellix
