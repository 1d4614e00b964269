#include "app/components/twain/twain_containers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace pellix {
namespace {

using namespace twain;

template <typename T> std::vector<std::uint8_t> Bytes(const T& value, size_t extra = 0) {
    std::vector<std::uint8_t> b(sizeof value + extra, 0);
    std::memcpy(b.data(), &value, sizeof value);
    return b;
}

std::vector<std::uint8_t> Enumeration(TW_UINT16 type, const std::vector<TW_UINT32>& items,
                                      TW_UINT32 current, size_t itemSize) {
    TW_ENUMERATION e{};
    e.ItemType = type;
    e.NumItems = static_cast<TW_UINT32>(items.size());
    e.CurrentIndex = current;
    std::vector<std::uint8_t> b(offsetof(TW_ENUMERATION, ItemList) + items.size() * itemSize);
    std::memcpy(b.data(), &e, offsetof(TW_ENUMERATION, ItemList));
    for (size_t i = 0; i < items.size(); ++i) {
        std::memcpy(&b[offsetof(TW_ENUMERATION, ItemList) + i * itemSize], &items[i], itemSize);
    }
    return b;
}

TEST(ReadContainer, OneValueOfEachWidth) {
    const auto u16 = Bytes(TW_ONEVALUE{TWTY_UINT16, TWSX_MEMORY});
    EXPECT_EQ(ReadContainer(TWON_ONEVALUE, u16.data(), u16.size())->values, std::vector<double>{2});
    const auto i16 = Bytes(TW_ONEVALUE{TWTY_INT16, 0xffff});
    EXPECT_EQ(ReadContainer(TWON_ONEVALUE, i16.data(), i16.size())->values,
              std::vector<double>{-1});
    const auto fix = Bytes(TW_ONEVALUE{TWTY_FIX32, Fix32ToItem(DoubleToFix32(8.27))});
    EXPECT_NEAR(ReadContainer(TWON_ONEVALUE, fix.data(), fix.size())->values[0], 8.27, 1e-4);
}

TEST(ReadContainer, EnumerationWithCurrentAndLargest) {
    std::vector<TW_UINT32> dpi;
    for (double d : {100.0, 300.0, 600.0, 150.0}) {
        dpi.push_back(Fix32ToItem(DoubleToFix32(d)));
    }
    const auto b = Enumeration(TWTY_FIX32, dpi, 1, 4);
    const auto values = ReadContainer(TWON_ENUMERATION, b.data(), b.size());
    ASSERT_TRUE(values);
    EXPECT_EQ(values->values, (std::vector<double>{100, 300, 600, 150}));
    EXPECT_EQ(values->current, 300);
    EXPECT_EQ(values->Largest(), 600);

    const auto mech = Enumeration(TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, 0, 2);
    EXPECT_TRUE(ReadContainer(TWON_ENUMERATION, mech.data(), mech.size())->Contains(TWSX_MEMORY));
}

TEST(ReadContainer, RangeGivesItsEnds) {
    TW_RANGE r{TWTY_UINT32, 50, 1200, 1, 300, 600};
    const auto b = Bytes(r);
    const auto values = ReadContainer(TWON_RANGE, b.data(), b.size());
    EXPECT_EQ(values->Largest(), 1200);
    EXPECT_EQ(values->current, 600);
}

TEST(ReadContainer, MalformedContainersGiveNothing) {
    const auto b = Enumeration(TWTY_UINT16, {1, 2, 3}, 0, 2);
    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, b.data(), b.size() - 1)) << "count past the end";
    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, b.data(), 4));
    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, nullptr, 100));
    const auto text = Bytes(TW_ONEVALUE{0x0009 /* TWTY_STR32 */, 0});
    EXPECT_FALSE(ReadContainer(TWON_ONEVALUE, text.data(), text.size()));
    EXPECT_FALSE(ReadContainer(42, b.data(), b.size()));
    auto huge = Enumeration(TWTY_UINT32, {1}, 0, 4);
    TW_UINT32 lots = 0x40000000;
    std::memcpy(&huge[2], &lots, 4);
    EXPECT_FALSE(ReadContainer(TWON_ENUMERATION, huge.data(), huge.size()));
}

TEST(ChooseTransferMechanism, NativeFirstMemoryWhenNeeded) {
    CapabilityValues both{TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, TWSX_NATIVE};
    CapabilityValues memoryOnly{TWTY_UINT16, {TWSX_MEMORY}, TWSX_MEMORY};
    CapabilityValues nativeOnly{TWTY_UINT16, {TWSX_NATIVE}, TWSX_NATIVE};
    CapabilityValues fileOnly{TWTY_UINT16, {TWSX_FILE}, TWSX_FILE};
    const std::uint64_t limit = 1000;
    EXPECT_EQ(ChooseTransferMechanism(both, 500, limit), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(both, std::nullopt, limit), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(both, 5000, limit), TransferMechanism::Memory);
    EXPECT_EQ(ChooseTransferMechanism(memoryOnly, 5, limit), TransferMechanism::Memory);
    EXPECT_EQ(ChooseTransferMechanism(nativeOnly, 5000, limit), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(std::nullopt, 5000, limit), TransferMechanism::Native);
    EXPECT_EQ(ChooseTransferMechanism(fileOnly, 5, limit), std::nullopt);
}

} // namespace
} // namespace pellix
