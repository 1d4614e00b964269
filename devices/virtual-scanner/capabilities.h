// The capabilities the virtual scanner offers, their values and which of
// them an application may change. Only the values live here; the
// DAT_CAPABILITY messages are answered in capability_requests.cpp.
#pragma once

#include "common/twain/twain_protocol.h"
#include "devices/virtual-scanner/core/page_format.h"
#include "devices/virtual-scanner/core/scanner_options.h"

#include <optional>
#include <vector>

namespace pellix::vscan {

// One capability as an application sees it. Values are TW_ONEVALUE items
// (see containers.h).
struct CapabilityValues {
    twain::TW_UINT16 itemType = twain::TWTY_UINT16;
    // What MSG_GET answers with: TWON_ENUMERATION, TWON_ONEVALUE or TWON_ARRAY.
    twain::TW_UINT16 container = twain::TWON_ONEVALUE;
    // The choices of an enumeration, the items of an array.
    std::vector<twain::TW_UINT32> choices;
    twain::TW_UINT32 current = 0;
    twain::TW_UINT32 defaultValue = 0;
    bool settable = false;
};

enum class CapabilityChange { Done, BadValue, ReadOnly, Unsupported };

class Capabilities {
public:
    explicit Capabilities(const ScannerOptions& options);

    // Every capability offered, in a fixed order.
    static const std::vector<twain::TW_UINT16>& Supported();

    std::optional<CapabilityValues> Values(twain::TW_UINT16 cap) const;
    CapabilityChange Set(twain::TW_UINT16 cap, twain::TW_UINT32 item);
    CapabilityChange Reset(twain::TW_UINT16 cap);

    // What the next scan is made with.
    int Dpi() const { return dpi_; }
    PixelKind CurrentPixelKind() const { return pixelKind_; }
    twain::TW_UINT16 TransferMechanism() const { return mechanism_; }
    PageFormat CurrentPageFormat() const;
    // The choice made in the scan dialog.
    void Choose(int dpi, PixelKind kind);

private:
    PaperSize paper_;
    int defaultDpi_;
    int dpi_;
    PixelKind defaultPixelKind_;
    PixelKind pixelKind_;
    std::vector<twain::TW_UINT32> mechanisms_;
    twain::TW_UINT16 mechanism_;
    twain::TW_INT16 transferCount_ = -1;
    bool indicators_ = true;
};

twain::TW_UINT16 ToPixelType(PixelKind kind);

} // namespace pellix::vscan
