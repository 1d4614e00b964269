#include "tests/picture/test_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pellix::test {

namespace fs = std::filesystem;

TestFolder::TestFolder(const std::u8string& name) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string unique =
        "-" + std::to_string(stamp % 1000000007) + "-" + std::to_string(counter++);
    path_ =
        fs::temp_directory_path() / fs::path(name + std::u8string(unique.begin(), unique.end()));
    fs::create_directories(path_);
}

TestFolder::~TestFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
}

std::vector<std::string> TestFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read a test file");
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write a test file");
    }
}

} // namespace pellix::test
