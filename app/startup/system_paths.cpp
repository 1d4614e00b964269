#include "app/startup/system_paths.h"

#include "app/startup/filetools.h"
#include "app/win32/module_path.h"

#include <windows.h>

namespace pellix {
namespace {

std::wstring AbsolutePath(const std::wstring& path) {
    const wchar_t* text = path.empty() ? L"." : path.c_str();
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetFullPathNameW(text, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) {
            return path;
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            // "." of a folder like C:\Work gives C:\Work without a backslash,
            // a drive root keeps its own.
            return buffer;
        }
        buffer.resize(n);
    }
}

std::wstring CurrentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(n);
    }
}

} // namespace

bool FolderExists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

PathQueries SystemPathQueries() {
    return {GetLongPath, FolderExists, AbsolutePath, CurrentDirectory};
}

std::wstring ApplicationFolder() {
    std::wstring folder = ModulePath();
    const size_t slash = folder.rfind(L'\\');
    if (slash == std::wstring::npos) {
        return folder;
    }
    folder.resize(slash);
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';
    }
    return folder;
}

std::wstring SettingsFilePath() {
    return ApplicationFolder() + L"\\Pellix.ini";
}

} // namespace pellix
