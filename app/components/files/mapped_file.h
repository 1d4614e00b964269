// A file opened read-only and mapped into memory. Other programs may go on
// reading, writing, renaming or deleting it meanwhile (on Windows the file is
// shared for all three). An empty file opens fine and has no mapping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace pellix {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Gives false and a reason in Error() when the file cannot be read.
    bool Open(const std::filesystem::path& path);

    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    const std::string& Error() const { return error_; }

    // The bytes [offset, offset + size) will not be read again soon: their
    // pages may leave the process's memory (the system's file cache keeps
    // them). Reading them later still works.
    void Release(std::size_t offset, std::size_t size) const;

private:
    static std::size_t MappedLength(std::uint64_t bytes);

    // The platform's part: mapped_file_win.cpp or mapped_file_posix.cpp.
    static std::size_t PageSize();
    void Close();
    void DropPages(std::size_t offset, std::size_t length) const;

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::string error_;
};

} // namespace pellix
