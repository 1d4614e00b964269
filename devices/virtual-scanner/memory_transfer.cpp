#include "devices/virtual-scanner/memory_transfer.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace pellix::vscan {

using namespace twain;

namespace {

constexpr std::size_t kPreferredBytes = 256 * 1024;
constexpr std::size_t kLargestBytes = 1024 * 1024;

TW_UINT32 WholeRows(std::size_t bytes, std::size_t row) {
    return static_cast<TW_UINT32>(std::max<std::size_t>(1, bytes / row) * row);
}

} // namespace

TW_SETUPMEMXFER MemoryBufferSizes(const PageFormat& format) {
    const std::size_t row = format.PaddedRowBytes();
    TW_SETUPMEMXFER sizes{};
    sizes.MinBufSize = static_cast<TW_UINT32>(row);
    sizes.Preferred = WholeRows(kPreferredBytes, row);
    sizes.MaxBufSize = std::max(sizes.Preferred, WholeRows(kLargestBytes, row));
    return sizes;
}

int MemoryStrips::Write(std::uint8_t* buffer, std::size_t length, int maxRows) {
    const std::size_t row = BytesPerRow();
    const int rows = static_cast<int>(std::min<std::size_t>(
        {length / row, static_cast<std::size_t>(page_.Format().height - nextRow_),
         static_cast<std::size_t>(std::max(0, maxRows))}));
    for (int i = 0; i < rows; ++i) {
        std::uint8_t* target = buffer + row * static_cast<std::size_t>(i);
        std::memset(target, 0, row);
        page_.RenderRow(nextRow_ + i, std::span(target, row));
    }
    nextRow_ += rows;
    return rows;
}

} // namespace pellix::vscan
