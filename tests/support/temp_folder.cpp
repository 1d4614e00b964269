#include "tests/support/temp_folder.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pellix::test {

TempFolder::TempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
        path_ = temp + name + L"-" + std::to_wstring(n);
        if (std::filesystem::create_directory(path_)) {
            return;
        }
    }
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::wstring WindowsPath(const char* path) {
    std::wstring result(path, path + std::strlen(path));
    if (!result.empty() && result[0] == L'/') {
        std::replace(result.begin(), result.end(), L'/', L'\\');
        result = L"Z:" + result;
    }
    return result;
}

bool FileExists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open file for reading");
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    if (!(std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes)) {
        throw std::runtime_error("cannot open file for writing");
    }
}

void RemoveTree(const std::wstring& path) {
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error)) {
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(path, error);
}

} // namespace pellix::test
