#include "devices/virtual-scanner/memory_transfer.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace pellix::vscan {

using namespace twain;

namespace {

constexpr std::size_t kPreferredBytes = 256 * 1024;
constexpr std::size_t kLargestBytes = 1024 * 1024;

TW_UINT32 wholeRows(std::size_t bytes, std::size_t row) {
    return static_cast<TW_UINT32>(std::max<std::size_t>(1, bytes / row) * row);
}

} // namespace

TW_SETUPMEMXFER memoryBufferSizes(const PageFormat& format) {
    const std::size_t row = format.paddedRowBytes();
    TW_SETUPMEMXFER sizes{};
    sizes.MinBufSize = static_cast<TW_UINT32>(row);
    sizes.Preferred = wholeRows(kPreferredBytes, row);
    sizes.MaxBufSize = std::max(sizes.Preferred, wholeRows(kLargestBytes, row));
    return sizes;
}

int MemoryStrips::write(std::uint8_t* buffer, std::size_t length, int maxRows) {
    const std::size_t row = bytesPerRow();
    const int rows = static_cast<int>(std::min<std::size_t>(
        {length / row, static_cast<std::size_t>(page_.format().height - nextRow_),
         static_cast<std::size_t>(std::max(0, maxRows))}));
    for (int i = 0; i < rows; ++i) {
        std::uint8_t* target = buffer + row * static_cast<std::size_t>(i);
        std::memset(target, 0, row);
        page_.renderRow(nextRow_ + i, std::span(target, row));
    }
    nextRow_ += rows;
    return rows;
}

} // namespace pellix::vscan
