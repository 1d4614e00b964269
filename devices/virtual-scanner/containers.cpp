#include "devices/virtual-scanner/containers.h"

#include <cstring>
#include <new>

namespace pellix::vscan {

using namespace twain;

namespace {

void StoreItem(TW_UINT8* at, TW_UINT16 itemType, TW_UINT32 item) {
    // Little-endian: the first bytes of the item are its low part.
    std::memcpy(at, &item, ItemSize(itemType));
}

} // namespace

TW_HANDLE MakeOneValue(const ManagerLink& link, TW_UINT16 itemType, TW_UINT32 item) {
    ManagerMemory memory(link, sizeof(TW_ONEVALUE));
    {
        ManagerLock lock(link, memory.get());
        if (!lock.data()) {
            throw std::bad_alloc();
        }
        TW_ONEVALUE value{};
        value.ItemType = itemType;
        value.Item = item;
        std::memcpy(lock.data(), &value, sizeof value);
    }
    return memory.release();
}

TW_HANDLE MakeEnumeration(const ManagerLink& link, TW_UINT16 itemType,
                          const std::vector<TW_UINT32>& items, std::size_t currentIndex,
                          std::size_t defaultIndex) {
    const std::size_t size = ItemSize(itemType);
    ManagerMemory memory(link, sizeof(TW_ENUMERATION) + size * items.size());
    {
        ManagerLock lock(link, memory.get());
        if (!lock.data()) {
            throw std::bad_alloc();
        }
        auto* enumeration = static_cast<TW_ENUMERATION*>(lock.data());
        enumeration->ItemType = itemType;
        enumeration->NumItems = static_cast<TW_UINT32>(items.size());
        enumeration->CurrentIndex = static_cast<TW_UINT32>(currentIndex);
        enumeration->DefaultIndex = static_cast<TW_UINT32>(defaultIndex);
        for (std::size_t i = 0; i < items.size(); ++i) {
            StoreItem(enumeration->ItemList + i * size, itemType, items[i]);
        }
    }
    return memory.release();
}

TW_HANDLE MakeArray(const ManagerLink& link, TW_UINT16 itemType,
                    const std::vector<TW_UINT32>& items) {
    const std::size_t size = ItemSize(itemType);
    ManagerMemory memory(link, sizeof(TW_ARRAY) + size * items.size());
    {
        ManagerLock lock(link, memory.get());
        if (!lock.data()) {
            throw std::bad_alloc();
        }
        auto* array = static_cast<TW_ARRAY*>(lock.data());
        array->ItemType = itemType;
        array->NumItems = static_cast<TW_UINT32>(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            StoreItem(array->ItemList + i * size, itemType, items[i]);
        }
    }
    return memory.release();
}

std::optional<OneValue> ReadOneValue(const ManagerLink& link, const TW_CAPABILITY& cap) {
    if (cap.ConType != TWON_ONEVALUE || !cap.hContainer) {
        return std::nullopt;
    }
    ManagerLock lock(link, cap.hContainer);
    if (!lock.data()) {
        return std::nullopt;
    }
    TW_ONEVALUE value;
    std::memcpy(&value, lock.data(), sizeof value);
    const std::size_t size = ItemSize(value.ItemType);
    if (size == 0) {
        return std::nullopt;
    }
    const TW_UINT32 mask = size == 4 ? 0xffffffffu : (1u << (8 * size)) - 1;
    return OneValue{value.ItemType, value.Item & mask};
}

} // namespace pellix::vscan
