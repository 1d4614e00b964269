// Reading capability containers and choosing the transfer mechanism.
// Platform-neutral: works on the bytes of a locked container.
#pragma once

#include "common/twain/twain_protocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pellix {

// The values a container holds, each widened to double (TW_FIX32 included).
struct CapabilityValues {
    twain::TW_UINT16 itemType = 0;
    std::vector<double> values;    // every value offered (a range: its ends)
    std::optional<double> current; // where the container tells
    bool Contains(double v) const;
    std::optional<double> Largest() const;
};

// Reads a TWON_ONEVALUE, TWON_ENUMERATION, TWON_ARRAY or TWON_RANGE of
// numeric items from `size` bytes. Nothing when the container is malformed
// or holds no numbers.
std::optional<CapabilityValues> ReadContainer(twain::TW_UINT16 conType, const void* data,
                                              std::size_t size);

enum class TransferMechanism { Native, Memory };

// Native transfer is the default; memory transfer is used when the source
// offers only that, or when its largest page would not fit one native block
// (`nativeLimit` bytes). A source that does not say what it offers gets
// native transfer, which every source must support.
std::optional<TransferMechanism>
ChooseTransferMechanism(const std::optional<CapabilityValues>& offered,
                        std::optional<std::uint64_t> largestPageBytes, std::uint64_t nativeLimit);

} // namespace pellix
