// Test helpers: a fresh folder under the temporary-files folder that is
// removed with everything in it, and whole-file reads and writes.
#pragma once

#include <string>

namespace pellix::test {

class TempFolder {
public:
    // name: a readable part of the folder's name; any characters.
    explicit TempFolder(const std::wstring& name = L"pellix-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring Join(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// A path of the build machine (as CMake gives it) in Windows form: Wine
// shows that file system as drive Z:. Other paths come back as they are.
std::wstring WindowsPath(const char* path);

bool FileExists(const std::wstring& path);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Removes a folder and everything below it, read-only files included.
void RemoveTree(const std::wstring& path);

} // namespace pellix::test
