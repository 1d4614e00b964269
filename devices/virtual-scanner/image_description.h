// What DAT_IMAGEINFO and DAT_IMAGELAYOUT report about a page.
#pragma once

#include "common/twain/twain_protocol.h"
#include "devices/virtual-scanner/core/page_format.h"

namespace pellix::vscan {

twain::TW_IMAGEINFO DescribeImage(const PageFormat& format);

// The whole sheet, in inches, as page pageNumber of the first document.
twain::TW_IMAGELAYOUT DescribeLayout(const PaperSize& paper, twain::TW_UINT32 pageNumber);

} // namespace pellix::vscan
