#include "app/startup/filetools.h"

#include <windows.h>

namespace pellix {
namespace {

bool IsFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

std::wstring GetTempFile(const std::wstring& prefix) {
    std::wstring folder(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    if (length > folder.size()) {
        folder.resize(length);
        length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    }
    if (length == 0 || length > folder.size()) {
        return {};
    }
    folder.resize(length);

    wchar_t name[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, name) == 0) {
        return {};
    }
    return name;
}

std::wstring GetLongPath(const std::wstring& path) {
    if (path.empty()) {
        return {};
    }
    // The long form may be longer than the text given (and than MAX_PATH):
    // ask again with the size the system reports until it fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, L'\0');
    }
}

bool DeleteIfExists(const std::wstring& path) {
    if (path.empty()) {
        return true;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (!IsFile(attributes)) {
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
        SetFileAttributesW(path.c_str(), writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL);
    }
    if (DeleteFileW(path.c_str())) {
        return true;
    }
    // Put the read-only mark back on a file we could not remove.
    const DWORD error = GetLastError();
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesW(path.c_str(), attributes);
    }
    const bool gone = !IsFile(GetFileAttributesW(path.c_str()));
    SetLastError(error);
    return gone;
}

} // namespace pellix
