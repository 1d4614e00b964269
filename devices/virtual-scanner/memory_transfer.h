// The memory transfer: the page in strips of whole rows, top-down, each
// row padded to a multiple of four bytes. Colour is R, G, B; black and white
// one bit per pixel, most significant first, 0 = black.
#pragma once

#include "common/twain/twain_protocol.h"
#include "devices/virtual-scanner/core/page_generator.h"

#include <cstddef>
#include <cstdint>

namespace pellix::vscan {

// The buffer sizes the source proposes for a page of this format.
twain::TW_SETUPMEMXFER MemoryBufferSizes(const PageFormat& format);

class MemoryStrips {
public:
    explicit MemoryStrips(const PageGenerator& page) : page_(page) {}

    std::size_t BytesPerRow() const { return page_.Format().PaddedRowBytes(); }
    int NextRow() const { return nextRow_; }
    bool Finished() const { return nextRow_ >= page_.Format().height; }

    // Writes as many whole rows as fit in length bytes, but at most
    // maxRows; returns how many were written.
    int Write(std::uint8_t* buffer, std::size_t length, int maxRows);

private:
    const PageGenerator& page_;
    int nextRow_ = 0;
};

} // namespace pellix::vscan
