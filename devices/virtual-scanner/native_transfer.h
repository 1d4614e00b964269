// The native transfer: the whole page as one packed device-independent
// bitmap (BITMAPINFOHEADER, palette, bottom-up rows) in global memory.
#pragma once

#include "devices/virtual-scanner/core/page_generator.h"
#include "devices/virtual-scanner/win_handles.h"

namespace pellix::vscan {

// Throws std::bad_alloc when the page does not fit in memory.
GlobalMemory makePackedDib(const PageGenerator& page);

} // namespace pellix::vscan
