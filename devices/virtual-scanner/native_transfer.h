// The native transfer: the whole page as one packed device-independent
// bitmap (BITMAPINFOHEADER, palette, bottom-up rows) in global memory.
#pragma once

#include "common/win32/unique_any.h"
#include "devices/virtual-scanner/core/page_generator.h"

namespace pellix::vscan {

// Throws std::bad_alloc when the page does not fit in memory.
unique_hglobal MakePackedDib(const PageGenerator& page);

} // namespace pellix::vscan
