#include "app/components/twain/twain_containers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace pellix {
namespace {

using namespace twain;

std::vector<std::uint8_t> Resolutions(TW_UINT32 count) {
    const TW_ENUMERATION head{TWTY_FIX32, count, 1, 0, {}};
    std::vector<std::uint8_t> b(offsetof(TW_ENUMERATION, ItemList));
    std::memcpy(b.data(), &head, b.size());
    for (double dpi : {100.0, 300.0, 600.0, 150.0}) {
        const TW_UINT32 item = Fix32ToItem(DoubleToFix32(dpi));
        b.insert(b.end(), reinterpret_cast<const std::uint8_t*>(&item),
                 reinterpret_cast<const std::uint8_t*>(&item) + 4);
    }
    return b;
}

TEST(TwainContainers, ReadOrRefusedAndTheTransferChosen) {
    const auto b = Resolutions(4);
    const auto values = ReadContainer(TWON_ENUMERATION, b.data(), b.size());
    ASSERT_TRUE(values);
    EXPECT_EQ(values->values, (std::vector<double>{100, 300, 600, 150}));
    EXPECT_EQ(values->current, 300);
    EXPECT_EQ(values->Largest(), 600);

    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, b.data(), b.size() - 1)) << "count past the end";
    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, b.data(), 4));
    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, nullptr, 100));
    EXPECT_FALSE(ReadContainer(42, b.data(), b.size()));
    const auto huge = Resolutions(0x40000000);
    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, huge.data(), huge.size()));
    const TW_ONEVALUE text{0x0009 /* TWTY_STR32 */, 0};
    EXPECT_FALSE(ReadContainer(TWON_ONEVALUE, &text, sizeof text));

    const CapabilityValues both{TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, TWSX_NATIVE};
    const CapabilityValues memory{TWTY_UINT16, {TWSX_MEMORY}, TWSX_MEMORY};
    const CapabilityValues native{TWTY_UINT16, {TWSX_NATIVE}, TWSX_NATIVE};
    const CapabilityValues file{TWTY_UINT16, {TWSX_FILE}, TWSX_FILE};
    EXPECT_EQ(ChooseTransferMechanism(both, 500, 1000), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(both, std::nullopt, 1000), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(both, 5000, 1000), TransferMechanism::Memory);
    EXPECT_EQ(ChooseTransferMechanism(memory, 5, 1000), TransferMechanism::Memory);
    EXPECT_EQ(ChooseTransferMechanism(native, 5000, 1000), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(std::nullopt, 5000, 1000), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(file, 5, 1000), std::nullopt);
}

} // namespace
} // namespace pellix
