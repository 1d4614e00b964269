// A fresh folder for one test, removed with its contents afterwards, and
// whole-file helpers. Portable: the same tests run natively and under Wine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pellix::test {

class TestFolder {
public:
    // `name` may hold any characters the file system takes.
    explicit TestFolder(const std::u8string& name = u8"pellix-picture");
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

    // Names of the files in the folder, sorted.
    std::vector<std::string> Names() const;

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace pellix::test
