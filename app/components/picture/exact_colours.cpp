#include "app/components/picture/exact_colours.h"

#include <algorithm>

namespace pellix {
namespace {

constexpr std::size_t kSlots = 1024;

std::uint32_t Pack(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
}

} // namespace

ExactColours::ExactColours(int limit)
    : limit_(std::clamp(limit, 1, 256)), keys_(kSlots, kEmpty), indices_(kSlots, 0) {}

std::size_t ExactColours::Slot(std::uint32_t colour) const {
    std::size_t slot = (colour * 2654435761u) >> 22; // ten bits of a Fibonacci hash
    while (keys_[slot] != kEmpty && keys_[slot] != colour) {
        slot = (slot + 1) % kSlots;
    }
    return slot;
}

bool ExactColours::Insert(std::uint32_t colour) {
    const std::size_t slot = Slot(colour);
    if (keys_[slot] == colour) {
        return true;
    }
    if (static_cast<int>(colours_.size()) == limit_) {
        overflowed_ = true;
        return false;
    }
    keys_[slot] = colour;
    indices_[slot] = static_cast<std::uint8_t>(colours_.size());
    colours_.push_back({static_cast<std::uint8_t>(colour >> 16),
                        static_cast<std::uint8_t>(colour >> 8), static_cast<std::uint8_t>(colour)});
    return true;
}

void ExactColours::AddRow(const std::uint8_t* rgb, std::int32_t width) {
    std::uint32_t previous = kEmpty;
    for (std::int32_t x = 0; x < width && !overflowed_; ++x) {
        const std::uint32_t colour = Pack(rgb + 3 * x);
        if (colour != previous) {
            Insert(colour);
            previous = colour;
        }
    }
}

void ExactColours::MapRow(const std::uint8_t* rgb, std::int32_t width,
                          std::uint8_t* indices) const {
    std::uint32_t previous = kEmpty;
    std::uint8_t index = 0;
    for (std::int32_t x = 0; x < width; ++x) {
        const std::uint32_t colour = Pack(rgb + 3 * x);
        if (colour != previous) {
            const std::size_t slot = Slot(colour);
            index = keys_[slot] == colour ? indices_[slot] : 0;
            previous = colour;
        }
        indices[x] = index;
    }
}

} // namespace pellix
