// The memory transfer: the page in strips of whole rows, top-down, each
// row padded to a multiple of four bytes. Colour is R, G, B; black and white
// one bit per pixel, most significant first, 0 = black.
#pragma once

#include "app/components/twain_protocol.h"
#include "devices/virtual-scanner/core/page_generator.h"

#include <cstddef>
#include <cstdint>

namespace pellix::vscan {

// The buffer sizes the source proposes for a page of this format.
twain::TW_SETUPMEMXFER memoryBufferSizes(const PageFormat& format);

class MemoryStrips {
public:
    explicit MemoryStrips(const PageGenerator& page) : page_(page) {}

    std::size_t bytesPerRow() const { return page_.format().paddedRowBytes(); }
    int nextRow() const { return nextRow_; }
    bool finished() const { return nextRow_ >= page_.format().height; }

    // Writes as many whole rows as fit in length bytes, but at most
    // maxRows; returns how many were written.
    int write(std::uint8_t* buffer, std::size_t length, int maxRows);

private:
    const PageGenerator& page_;
    int nextRow_ = 0;
};

} // namespace pellix::vscan
