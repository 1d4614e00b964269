#include "app/components/files/mapped_file.h"

#include <limits>

namespace pellix {

MappedFile::~MappedFile() {
    Close();
}

std::size_t MappedFile::MappedLength(std::uint64_t bytes) {
    // Larger files cannot be bitmaps (their offsets are 32-bit), but a
    // longer file can still start with one: map the part that can hold it.
    constexpr std::uint64_t kLargestUsefulFile = 0xffffffffull;
    std::uint64_t mapped = bytes < kLargestUsefulFile ? bytes : kLargestUsefulFile;
    if (mapped > std::numeric_limits<std::size_t>::max()) {
        mapped = std::numeric_limits<std::size_t>::max();
    }
    return static_cast<std::size_t>(mapped);
}

void MappedFile::Release(std::size_t offset, std::size_t size) const {
    const std::size_t page = PageSize();
    if (offset > size_ || size > size_ - offset) {
        return;
    }
    const std::size_t first = (offset + page - 1) / page * page;
    const std::size_t end = (offset + size) / page * page;
    if (first < end) {
        DropPages(first, end - first);
    }
}

} // namespace pellix
