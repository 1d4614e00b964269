#include "app/components/twain/twain_containers.h"

#include <algorithm>
#include <cstring>

namespace pellix {
namespace {

using namespace twain;

// One item from a list (packed items of their own size).
double ListItem(TW_UINT16 type, const std::uint8_t* p) {
    switch (type) {
    case TWTY_INT8:
        return static_cast<std::int8_t>(p[0]);
    case TWTY_UINT8:
        return p[0];
    case TWTY_INT16:
        return static_cast<std::int16_t>(p[0] | (p[1] << 8));
    case TWTY_UINT16:
    case TWTY_BOOL:
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    default: {
        TW_UINT32 v;
        std::memcpy(&v, p, 4);
        if (type == TWTY_INT32) {
            return static_cast<TW_INT32>(v);
        }
        if (type == TWTY_FIX32) {
            return Fix32ToDouble(ItemToFix32(v));
        }
        return v;
    }
    }
}

// One item held in a 32-bit field (a one-value or a range end).
double FieldItem(TW_UINT16 type, TW_UINT32 v) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &v, 4);
    return ListItem(type, bytes);
}

template <typename T> bool Fits(std::size_t size) {
    return size >= sizeof(T);
}

} // namespace

bool CapabilityValues::Contains(double v) const {
    return std::find(values.begin(), values.end(), v) != values.end();
}

std::optional<double> CapabilityValues::Largest() const {
    if (values.empty()) {
        return std::nullopt;
    }
    return *std::max_element(values.begin(), values.end());
}

std::optional<CapabilityValues> ReadContainer(TW_UINT16 conType, const void* data,
                                              std::size_t size) {
    if (data == nullptr) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    CapabilityValues result;
    switch (conType) {
    case TWON_ONEVALUE: {
        if (!Fits<TW_ONEVALUE>(size)) {
            return std::nullopt;
        }
        TW_ONEVALUE one;
        std::memcpy(&one, bytes, sizeof one);
        if (ItemSize(one.ItemType) == 0) {
            return std::nullopt;
        }
        result.itemType = one.ItemType;
        result.values.push_back(FieldItem(one.ItemType, one.Item));
        result.current = result.values.front();
        return result;
    }
    case TWON_RANGE: {
        if (!Fits<TW_RANGE>(size)) {
            return std::nullopt;
        }
        TW_RANGE range;
        std::memcpy(&range, bytes, sizeof range);
        if (ItemSize(range.ItemType) == 0) {
            return std::nullopt;
        }
        result.itemType = range.ItemType;
        result.values = {FieldItem(range.ItemType, range.MinValue),
                         FieldItem(range.ItemType, range.MaxValue)};
        result.current = FieldItem(range.ItemType, range.CurrentValue);
        return result;
    }
    case TWON_ENUMERATION:
    case TWON_ARRAY: {
        const bool isEnum = conType == TWON_ENUMERATION;
        const std::size_t listOffset =
            isEnum ? offsetof(TW_ENUMERATION, ItemList) : offsetof(TW_ARRAY, ItemList);
        if (size < listOffset) {
            return std::nullopt;
        }
        TW_UINT16 type;
        TW_UINT32 count;
        std::memcpy(&type, bytes, sizeof type);
        std::memcpy(&count, bytes + offsetof(TW_ARRAY, NumItems), sizeof count);
        const std::size_t item = ItemSize(type);
        if (item == 0 || count > (size - listOffset) / item) {
            return std::nullopt;
        }
        result.itemType = type;
        for (TW_UINT32 i = 0; i < count; ++i) {
            result.values.push_back(ListItem(type, bytes + listOffset + i * item));
        }
        if (isEnum) {
            TW_UINT32 currentIndex;
            std::memcpy(&currentIndex, bytes + offsetof(TW_ENUMERATION, CurrentIndex), 4);
            if (currentIndex < count) {
                result.current = result.values[currentIndex];
            }
        }
        return result;
    }
    default:
        return std::nullopt;
    }
}

std::optional<TransferMechanism>
ChooseTransferMechanism(const std::optional<CapabilityValues>& offered,
                        std::optional<std::uint64_t> largestPageBytes, std::uint64_t nativeLimit) {
    if (!offered) {
        return TransferMechanism::Native;
    }
    const bool native = offered->Contains(TWSX_NATIVE);
    const bool memory = offered->Contains(TWSX_MEMORY);
    if (native && (!memory || !largestPageBytes || *largestPageBytes <= nativeLimit)) {
        return TransferMechanism::Native;
    }
    if (memory) {
        return TransferMechanism::Memory;
    }
    return std::nullopt;
}

} // namespace pellix
