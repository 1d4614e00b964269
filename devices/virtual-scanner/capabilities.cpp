#include "devices/virtual-scanner/capabilities.h"

#include <algorithm>

namespace pellix::vscan {

using namespace twain;

namespace {

TW_UINT32 Fix32Item(double value) {
    return Fix32ToItem(DoubleToFix32(value));
}

std::optional<int> OfferedDpi(TW_UINT32 item) {
    const double value = Fix32ToDouble(ItemToFix32(item));
    for (const int dpi : kOfferedResolutions) {
        if (value > dpi - 0.01 && value < dpi + 0.01) {
            return dpi;
        }
    }
    return std::nullopt;
}

std::optional<PixelKind> FromPixelType(TW_UINT32 item) {
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

CapabilityValues ReadOnly(TW_UINT16 itemType, TW_UINT32 value) {
    return {itemType, TWON_ONEVALUE, {value}, value, value, false};
}

// A capability with a single choice that an application may still "set".
CapabilityValues OnlyChoice(TW_UINT32 value) {
    return {TWTY_UINT16, TWON_ENUMERATION, {value}, value, value, true};
}

} // namespace

TW_UINT16 ToPixelType(PixelKind kind) {
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

const std::vector<TW_UINT16>& Capabilities::Supported() {
    static const std::vector<TW_UINT16> caps{
        CAP_XFERCOUNT,    CAP_SUPPORTEDCAPS,  CAP_INDICATORS,      CAP_UICONTROLLABLE,
        CAP_DEVICEONLINE, ICAP_COMPRESSION,   ICAP_PIXELTYPE,      ICAP_UNITS,
        ICAP_XFERMECH,    ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT, ICAP_XRESOLUTION,
        ICAP_YRESOLUTION, ICAP_PIXELFLAVOR,   ICAP_BITDEPTH,
    };
    return caps;
}

PageFormat Capabilities::CurrentPageFormat() const {
    return MakePageFormat(paper_, dpi_, pixelKind_);
}

void Capabilities::Choose(int dpi, PixelKind kind) {
    if (IsOfferedResolution(dpi)) {
        dpi_ = dpi;
    }
    pixelKind_ = kind;
}

std::optional<CapabilityValues> Capabilities::Values(TW_UINT16 cap) const {
    switch (cap) {
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        CapabilityValues values{TWTY_FIX32,      TWON_ENUMERATION,       {},
                                Fix32Item(dpi_), Fix32Item(defaultDpi_), true};
        for (const int dpi : kOfferedResolutions) {
            values.choices.push_back(Fix32Item(dpi));
        }
        return values;
    }
    case ICAP_PIXELTYPE:
        return CapabilityValues{TWTY_UINT16,
                                TWON_ENUMERATION,
                                {TWPT_BW, TWPT_GRAY, TWPT_RGB},
                                ToPixelType(pixelKind_),
                                ToPixelType(defaultPixelKind_),
                                true};
    case ICAP_BITDEPTH: {
        // One depth per pixel type: it follows ICAP_PIXELTYPE.
        const auto depth = static_cast<TW_UINT32>(BitsPerPixel(pixelKind_));
        return OnlyChoice(depth);
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
        return ReadOnly(TWTY_BOOL, 1);
    case CAP_SUPPORTEDCAPS: {
        CapabilityValues values{TWTY_UINT16, TWON_ARRAY, {}, 0, 0, false};
        for (const TW_UINT16 id : Supported()) {
            values.choices.push_back(id);
        }
        return values;
    }
    case ICAP_UNITS:
        return OnlyChoice(TWUN_INCHES);
    case ICAP_COMPRESSION:
        return OnlyChoice(TWCP_NONE);
    case ICAP_PIXELFLAVOR:
        return OnlyChoice(TWPF_CHOCOLATE);
    case ICAP_PHYSICALWIDTH:
        return ReadOnly(TWTY_FIX32, Fix32Item(paper_.widthMm / 25.4));
    case ICAP_PHYSICALHEIGHT:
        return ReadOnly(TWTY_FIX32, Fix32Item(paper_.heightMm / 25.4));
    default:
        return std::nullopt;
    }
}

CapabilityChange Capabilities::Set(TW_UINT16 cap, TW_UINT32 item) {
    const auto current = Values(cap);
    if (!current) {
        return CapabilityChange::Unsupported;
    }
    if (!current->settable) {
        return CapabilityChange::ReadOnly;
    }
    switch (cap) {
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        if (const auto dpi = OfferedDpi(item)) {
            dpi_ = *dpi; // one resolution for both directions
            return CapabilityChange::Done;
        }
        return CapabilityChange::BadValue;
    case ICAP_PIXELTYPE:
        if (const auto kind = FromPixelType(item)) {
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

CapabilityChange Capabilities::Reset(TW_UINT16 cap) {
    const auto current = Values(cap);
    if (!current) {
        return CapabilityChange::Unsupported;
    }
    if (!current->settable) {
        return CapabilityChange::ReadOnly;
    }
    return Set(cap, current->defaultValue);
}

} // namespace pellix::vscan
