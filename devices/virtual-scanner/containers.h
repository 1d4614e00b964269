// Capability containers (TW_ONEVALUE, TW_ENUMERATION, TW_ARRAY) written into
// memory allocated through the manager, and the value of an application's
// TW_ONEVALUE read back.
//
// Values travel as a TW_UINT32 "item" the way a TW_ONEVALUE holds them: a
// 16-bit value in the low half, a TW_FIX32 as Whole (low) and Frac (high).
#pragma once

#include "common/twain/twain_protocol.h"
#include "devices/virtual-scanner/manager_link.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace pellix::vscan {

// Each returns a new container handle owned by the caller; they throw
// std::bad_alloc when there is no room.
twain::TW_HANDLE MakeOneValue(const ManagerLink& link, twain::TW_UINT16 itemType,
                              twain::TW_UINT32 item);
twain::TW_HANDLE MakeEnumeration(const ManagerLink& link, twain::TW_UINT16 itemType,
                                 const std::vector<twain::TW_UINT32>& items,
                                 std::size_t currentIndex, std::size_t defaultIndex);
twain::TW_HANDLE MakeArray(const ManagerLink& link, twain::TW_UINT16 itemType,
                           const std::vector<twain::TW_UINT32>& items);

struct OneValue {
    twain::TW_UINT16 itemType;
    twain::TW_UINT32 item; // cut to the size of the type
};

// The content of an application's TW_ONEVALUE container, or nothing when
// the capability does not hold one.
std::optional<OneValue> ReadOneValue(const ManagerLink& link, const twain::TW_CAPABILITY& cap);

} // namespace pellix::vscan
