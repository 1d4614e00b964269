#include "devices/virtual-scanner/capabilities.h"

#include <algorithm>

namespace pellix::vscan {

using namespace twain;

namespace {

TW_UINT32 fix32Item(double value) {
    return Fix32ToItem(DoubleToFix32(value));
}

std::optional<int> offeredDpi(TW_UINT32 item) {
    const double value = Fix32ToDouble(ItemToFix32(item));
    for (const int dpi : kOfferedResolutions) {
        if (value > dpi - 0.01 && value < dpi + 0.01) {
            return dpi;
        }
    }
    return std::nullopt;
}

std::optional<PixelKind> fromPixelType(TW_UINT32 item) {
    switch (item) {
    case TWPT_BW:
        return PixelKind::BlackWhite;
    case TWPT_GRAY:
        return PixelKind::Gray;
    case TWPT_RGB:
        return PixelKind::Color;
    default:
        return std::nullopt;
    }
}

CapabilityValues readOnly(TW_UINT16 itemType, TW_UINT32 value) {
    return {itemType, TWON_ONEVALUE, {value}, value, value, false};
}

// A capability with a single choice that an application may still "set".
CapabilityValues onlyChoice(TW_UINT32 value) {
    return {TWTY_UINT16, TWON_ENUMERATION, {value}, value, value, true};
}

} // namespace

TW_UINT16 toPixelType(PixelKind kind) {
    switch (kind) {
    case PixelKind::BlackWhite:
        return TWPT_BW;
    case PixelKind::Gray:
        return TWPT_GRAY;
    case PixelKind::Color:
        return TWPT_RGB;
    }
    return TWPT_RGB;
}

Capabilities::Capabilities(const ScannerOptions& options)
    : paper_(options.paper), defaultDpi_(options.dpi), dpi_(options.dpi),
      defaultPixelKind_(options.pixelKind), pixelKind_(options.pixelKind) {
    for (const TransferKind kind : options.transfers) {
        mechanisms_.push_back(kind == TransferKind::Native ? TWSX_NATIVE : TWSX_MEMORY);
    }
    if (mechanisms_.empty()) {
        mechanisms_.push_back(TWSX_NATIVE);
    }
    mechanism_ = static_cast<TW_UINT16>(mechanisms_.front());
}

const std::vector<TW_UINT16>& Capabilities::supported() {
    static const std::vector<TW_UINT16> caps{
        CAP_XFERCOUNT,    CAP_SUPPORTEDCAPS,  CAP_INDICATORS,      CAP_UICONTROLLABLE,
        CAP_DEVICEONLINE, ICAP_COMPRESSION,   ICAP_PIXELTYPE,      ICAP_UNITS,
        ICAP_XFERMECH,    ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT, ICAP_XRESOLUTION,
        ICAP_YRESOLUTION, ICAP_PIXELFLAVOR,   ICAP_BITDEPTH,
    };
    return caps;
}

PageFormat Capabilities::pageFormat() const {
    return makePageFormat(paper_, dpi_, pixelKind_);
}

void Capabilities::choose(int dpi, PixelKind kind) {
    if (isOfferedResolution(dpi)) {
        dpi_ = dpi;
    }
    pixelKind_ = kind;
}

std::optional<CapabilityValues> Capabilities::values(TW_UINT16 cap) const {
    switch (cap) {
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        CapabilityValues values{TWTY_FIX32,      TWON_ENUMERATION,       {},
                                fix32Item(dpi_), fix32Item(defaultDpi_), true};
        for (const int dpi : kOfferedResolutions) {
            values.choices.push_back(fix32Item(dpi));
        }
        return values;
    }
    case ICAP_PIXELTYPE:
        return CapabilityValues{TWTY_UINT16,
                                TWON_ENUMERATION,
                                {TWPT_BW, TWPT_GRAY, TWPT_RGB},
                                toPixelType(pixelKind_),
                                toPixelType(defaultPixelKind_),
                                true};
    case ICAP_BITDEPTH: {
        // One depth per pixel type: it follows ICAP_PIXELTYPE.
        const auto depth = static_cast<TW_UINT32>(bitsPerPixel(pixelKind_));
        return onlyChoice(depth);
    }
    case ICAP_XFERMECH:
        return CapabilityValues{TWTY_UINT16, TWON_ENUMERATION,    mechanisms_,
                                mechanism_,  mechanisms_.front(), true};
    case CAP_XFERCOUNT: {
        const auto count = static_cast<TW_UINT32>(static_cast<TW_UINT16>(transferCount_));
        return CapabilityValues{TWTY_INT16, TWON_ONEVALUE, {count}, count, 0xffff, true};
    }
    case CAP_INDICATORS:
        return CapabilityValues{
            TWTY_BOOL, TWON_ONEVALUE, {indicators_ ? 1u : 0u}, indicators_ ? 1u : 0u, 1, true};
    case CAP_UICONTROLLABLE:
    case CAP_DEVICEONLINE:
        return readOnly(TWTY_BOOL, 1);
    case CAP_SUPPORTEDCAPS: {
        CapabilityValues values{TWTY_UINT16, TWON_ARRAY, {}, 0, 0, false};
        for (const TW_UINT16 id : supported()) {
            values.choices.push_back(id);
        }
        return values;
    }
    case ICAP_UNITS:
        return onlyChoice(TWUN_INCHES);
    case ICAP_COMPRESSION:
        return onlyChoice(TWCP_NONE);
    case ICAP_PIXELFLAVOR:
        return onlyChoice(TWPF_CHOCOLATE);
    case ICAP_PHYSICALWIDTH:
        return readOnly(TWTY_FIX32, fix32Item(paper_.widthMm / 25.4));
    case ICAP_PHYSICALHEIGHT:
        return readOnly(TWTY_FIX32, fix32Item(paper_.heightMm / 25.4));
    default:
        return std::nullopt;
    }
}

CapabilityChange Capabilities::set(TW_UINT16 cap, TW_UINT32 item) {
    const auto current = values(cap);
    if (!current) {
        return CapabilityChange::Unsupported;
    }
    if (!current->settable) {
        return CapabilityChange::ReadOnly;
    }
    switch (cap) {
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        if (const auto dpi = offeredDpi(item)) {
            dpi_ = *dpi; // one resolution for both directions
            return CapabilityChange::Done;
        }
        return CapabilityChange::BadValue;
    case ICAP_PIXELTYPE:
        if (const auto kind = fromPixelType(item)) {
            pixelKind_ = *kind;
            return CapabilityChange::Done;
        }
        return CapabilityChange::BadValue;
    case ICAP_XFERMECH:
        if (std::find(mechanisms_.begin(), mechanisms_.end(), item) != mechanisms_.end()) {
            mechanism_ = static_cast<TW_UINT16>(item);
            return CapabilityChange::Done;
        }
        return CapabilityChange::BadValue;
    case CAP_XFERCOUNT: {
        const auto count = static_cast<TW_INT16>(static_cast<TW_UINT16>(item));
        if (count == -1 || count > 0) {
            transferCount_ = count;
            return CapabilityChange::Done;
        }
        return CapabilityChange::BadValue;
    }
    case CAP_INDICATORS:
        if (item <= 1) {
            indicators_ = item == 1;
            return CapabilityChange::Done;
        }
        return CapabilityChange::BadValue;
    default:
        // Capabilities with one choice accept just that.
        return item == current->current ? CapabilityChange::Done : CapabilityChange::BadValue;
    }
}

CapabilityChange Capabilities::reset(TW_UINT16 cap) {
    const auto current = values(cap);
    if (!current) {
        return CapabilityChange::Unsupported;
    }
    if (!current->settable) {
        return CapabilityChange::ReadOnly;
    }
    return set(cap, current->defaultValue);
}

} // namespace pellix::vscan
