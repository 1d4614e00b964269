// Capability negotiation with the virtual scanner.
#include "tests/virtual-scanner/source_harness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pellix::vscan::test {
namespace {

using namespace twain;

class SourceCapabilities : public testing::Test {
protected:
    ScopedEnvironment environment_;
    std::optional<LoadedSource> ds_;

    void SetUp() override { environment_.set(L"PELLIX_VSCAN_PAGE", L"40x25"); }

    LoadedSource& open() {
        ds_.emplace();
        EXPECT_EQ(ds_->open(), TWRC_SUCCESS);
        return *ds_;
    }

    CapabilityReply ask(TW_UINT16 cap, TW_UINT16 message) {
        return askCapability(*ds_, cap, message);
    }
    TW_UINT32 current(TW_UINT16 cap) { return ask(cap, MSG_GETCURRENT).items.at(0); }
    TW_UINT16 set(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item) {
        return setCapability(*ds_, cap, type, item);
    }
    void expectCondition(TW_UINT16 condition) { EXPECT_EQ(ds_->conditionCode(), condition); }
};

// What every capability offers, as an application sees it.
struct CapCase {
    TW_UINT16 cap;
    TW_UINT16 container; // answer to MSG_GET
    TW_UINT16 itemType;
    std::vector<TW_UINT32> choices; // MSG_GET items
    TW_UINT32 current;              // as opened with no settings
    bool settable;
};

std::vector<CapCase> allCapabilities() {
    std::vector<TW_UINT32> dpis;
    for (const int dpi : {100, 150, 200, 300, 400, 600}) {
        dpis.push_back(dpiItem(dpi));
    }
    return {
        {ICAP_XRESOLUTION, TWON_ENUMERATION, TWTY_FIX32, dpis, dpiItem(300), true},
        {ICAP_YRESOLUTION, TWON_ENUMERATION, TWTY_FIX32, dpis, dpiItem(300), true},
        {ICAP_PIXELTYPE,
         TWON_ENUMERATION,
         TWTY_UINT16,
         {TWPT_BW, TWPT_GRAY, TWPT_RGB},
         TWPT_RGB,
         true},
        {ICAP_BITDEPTH, TWON_ENUMERATION, TWTY_UINT16, {24}, 24, true},
        {ICAP_XFERMECH,
         TWON_ENUMERATION,
         TWTY_UINT16,
         {TWSX_NATIVE, TWSX_MEMORY},
         TWSX_NATIVE,
         true},
        {CAP_XFERCOUNT, TWON_ONEVALUE, TWTY_INT16, {0xffff}, 0xffff, true},
        {CAP_INDICATORS, TWON_ONEVALUE, TWTY_BOOL, {1}, 1, true},
        {CAP_UICONTROLLABLE, TWON_ONEVALUE, TWTY_BOOL, {1}, 1, false},
        {CAP_DEVICEONLINE, TWON_ONEVALUE, TWTY_BOOL, {1}, 1, false},
        {ICAP_UNITS, TWON_ENUMERATION, TWTY_UINT16, {TWUN_INCHES}, TWUN_INCHES, true},
        {ICAP_COMPRESSION, TWON_ENUMERATION, TWTY_UINT16, {TWCP_NONE}, TWCP_NONE, true},
        {ICAP_PIXELFLAVOR, TWON_ENUMERATION, TWTY_UINT16, {TWPF_CHOCOLATE}, TWPF_CHOCOLATE, true},
        {ICAP_PHYSICALWIDTH,
         TWON_ONEVALUE,
         TWTY_FIX32,
         {dpiItem(40 / 25.4)},
         dpiItem(40 / 25.4),
         false},
        {ICAP_PHYSICALHEIGHT,
         TWON_ONEVALUE,
         TWTY_FIX32,
         {dpiItem(25 / 25.4)},
         dpiItem(25 / 25.4),
         false},
    };
}

TEST_F(SourceCapabilities, EveryCapabilityAnswersEveryQuery) {
    open();
    for (const CapCase& c : allCapabilities()) {
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << c.cap);
        const CapabilityReply all = ask(c.cap, MSG_GET);
        ASSERT_EQ(all.returnCode, TWRC_SUCCESS);
        EXPECT_EQ(all.containerType, c.container);
        EXPECT_EQ(all.itemType, c.itemType);
        EXPECT_EQ(all.items, c.choices);
        if (c.container == TWON_ENUMERATION) {
            ASSERT_LT(all.currentIndex, all.items.size());
            EXPECT_EQ(all.items[all.currentIndex], c.current);
            EXPECT_EQ(all.items[all.defaultIndex], c.current);
        }
        for (const TW_UINT16 message : {MSG_GETCURRENT, MSG_GETDEFAULT}) {
            const CapabilityReply one = ask(c.cap, message);
            ASSERT_EQ(one.returnCode, TWRC_SUCCESS);
            EXPECT_EQ(one.containerType, TWON_ONEVALUE);
            EXPECT_EQ(one.itemType, c.itemType);
            EXPECT_EQ(one.items, std::vector{c.current});
        }
        const CapabilityReply support = ask(c.cap, MSG_QUERYSUPPORT);
        ASSERT_EQ(support.returnCode, TWRC_SUCCESS);
        EXPECT_EQ(support.itemType, TWTY_INT32);
        const TW_UINT32 reads = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
        EXPECT_EQ(support.items.at(0), c.settable ? reads | TWQC_SET | TWQC_RESET : reads);

        if (c.settable) {
            EXPECT_EQ(set(c.cap, c.itemType, c.current), TWRC_SUCCESS) << "its own value";
            const CapabilityReply reset = ask(c.cap, MSG_RESET);
            EXPECT_EQ(reset.returnCode, TWRC_SUCCESS);
            EXPECT_EQ(reset.containerType, c.container);
        } else {
            EXPECT_EQ(set(c.cap, c.itemType, c.current), TWRC_FAILURE);
            expectCondition(TWCC_CAPBADOPERATION);
            EXPECT_EQ(ask(c.cap, MSG_RESET).returnCode, TWRC_FAILURE);
            expectCondition(TWCC_CAPBADOPERATION);
        }
    }
    EXPECT_EQ(FakeManager::liveBlocks(), 0) << "containers come from the manager's allocator";

    // The read-only list of all of them.
    const CapabilityReply supported = ask(CAP_SUPPORTEDCAPS, MSG_GET);
    EXPECT_EQ(supported.containerType, TWON_ARRAY);
    std::vector<TW_UINT32> expected{CAP_SUPPORTEDCAPS}, listed = supported.items;
    for (const CapCase& c : allCapabilities()) {
        expected.push_back(c.cap);
    }
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(set(CAP_SUPPORTEDCAPS, TWTY_UINT16, CAP_XFERCOUNT), TWRC_FAILURE);
    expectCondition(TWCC_CAPBADOPERATION);
}

TEST_F(SourceCapabilities, UnknownCapabilitiesAreUnsupported) {
    open();
    for (const TW_UINT16 message : {MSG_GET, MSG_GETCURRENT, MSG_QUERYSUPPORT, MSG_RESET}) {
        EXPECT_EQ(ask(0x1234, message).returnCode, TWRC_FAILURE);
        expectCondition(TWCC_CAPUNSUPPORTED);
    }
    EXPECT_EQ(set(0x1234, TWTY_UINT16, 1), TWRC_FAILURE);
    expectCondition(TWCC_CAPUNSUPPORTED);
}

TEST_F(SourceCapabilities, BadValuesAreRefusedAndLeaveTheCurrentValue) {
    open();
    struct Bad {
        TW_UINT16 cap;
        TW_UINT16 type;
        TW_UINT32 item;
    };
    const Bad bad[] = {
        {ICAP_XRESOLUTION, TWTY_FIX32, dpiItem(250)},
        {ICAP_YRESOLUTION, TWTY_FIX32, dpiItem(1200)},
        {ICAP_XRESOLUTION, TWTY_UINT16, 300}, // not a TW_FIX32
        {ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE},
        {ICAP_BITDEPTH, TWTY_UINT16, 8}, // colour is 24-bit
        {ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE},
        {CAP_XFERCOUNT, TWTY_INT16, 0},
        {CAP_XFERCOUNT, TWTY_INT16, 0xfffe}, // -2
        {CAP_INDICATORS, TWTY_BOOL, 2},
        {ICAP_UNITS, TWTY_UINT16, 1},
        {ICAP_COMPRESSION, TWTY_UINT16, 1},
        {ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_VANILLA},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << b.cap);
        const TW_UINT32 before = current(b.cap);
        EXPECT_EQ(set(b.cap, b.type, b.item), TWRC_FAILURE);
        expectCondition(TWCC_BADVALUE);
        EXPECT_EQ(current(b.cap), before);
    }

    // Only a TW_ONEVALUE sets a value.
    HGLOBAL container = GlobalAlloc(GHND, 64);
    TW_CAPABILITY request{ICAP_PIXELTYPE, TWON_ENUMERATION, container};
    EXPECT_EQ(ds_->call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request), TWRC_FAILURE);
    expectCondition(TWCC_BADVALUE);
    request = {ICAP_PIXELTYPE, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(ds_->call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request), TWRC_FAILURE);
    expectCondition(TWCC_BADVALUE);
    GlobalFree(container);
}

TEST_F(SourceCapabilities, ResolutionsMoveTogetherAndResetToTheDefault) {
    open();
    ASSERT_EQ(set(ICAP_YRESOLUTION, TWTY_FIX32, dpiItem(150)), TWRC_SUCCESS);
    EXPECT_EQ(current(ICAP_XRESOLUTION), dpiItem(150));
    ASSERT_EQ(set(ICAP_XRESOLUTION, TWTY_FIX32, dpiItem(600)), TWRC_SUCCESS);
    EXPECT_EQ(current(ICAP_YRESOLUTION), dpiItem(600));
    const CapabilityReply all = ask(ICAP_XRESOLUTION, MSG_GET);
    EXPECT_EQ(all.items[all.currentIndex], dpiItem(600));
    EXPECT_EQ(all.items[all.defaultIndex], dpiItem(300));

    const CapabilityReply reset = ask(ICAP_YRESOLUTION, MSG_RESET);
    ASSERT_EQ(reset.returnCode, TWRC_SUCCESS);
    EXPECT_EQ(reset.items[reset.currentIndex], dpiItem(300));
    EXPECT_EQ(current(ICAP_XRESOLUTION), dpiItem(300));
}

TEST_F(SourceCapabilities, BitDepthFollowsThePixelType) {
    open();
    const std::pair<TW_UINT16, TW_UINT32> pairs[] = {{TWPT_BW, 1}, {TWPT_GRAY, 8}, {TWPT_RGB, 24}};
    for (const auto& [pixelType, depth] : pairs) {
        ASSERT_EQ(set(ICAP_PIXELTYPE, TWTY_UINT16, pixelType), TWRC_SUCCESS);
        EXPECT_EQ(current(ICAP_PIXELTYPE), pixelType);
        EXPECT_EQ(current(ICAP_BITDEPTH), depth);
        EXPECT_EQ(ask(ICAP_BITDEPTH, MSG_GET).items, std::vector{depth});
        EXPECT_EQ(set(ICAP_BITDEPTH, TWTY_UINT16, depth), TWRC_SUCCESS);
    }
}

TEST_F(SourceCapabilities, SettableValuesTakeEffect) {
    open();
    EXPECT_EQ(set(CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_SUCCESS);
    EXPECT_EQ(current(CAP_XFERCOUNT), 1u);
    EXPECT_EQ(ask(CAP_XFERCOUNT, MSG_GETDEFAULT).items.at(0), 0xffffu);
    EXPECT_EQ(set(CAP_INDICATORS, TWTY_BOOL, 0), TWRC_SUCCESS);
    EXPECT_EQ(current(CAP_INDICATORS), 0u);
    EXPECT_EQ(set(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
    EXPECT_EQ(current(ICAP_XFERMECH), TWSX_MEMORY);

    TW_CAPABILITY all{0, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(ds_->call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &all), TWRC_SUCCESS);
    EXPECT_EQ(current(CAP_XFERCOUNT), 0xffffu);
    EXPECT_EQ(current(CAP_INDICATORS), 1u);
    EXPECT_EQ(current(ICAP_XFERMECH), TWSX_NATIVE);
}

TEST_F(SourceCapabilities, SettingsChooseTheValuesAtOpen) {
    environment_.set(L"PELLIX_VSCAN_PIXELTYPE", L"bw")
        .set(L"PELLIX_VSCAN_DPI", L"150")
        .set(L"PELLIX_VSCAN_PAGE", L"letter")
        .set(L"PELLIX_VSCAN_XFER", L"memory");
    open();
    EXPECT_EQ(current(ICAP_PIXELTYPE), TWPT_BW);
    EXPECT_EQ(current(ICAP_BITDEPTH), 1u);
    EXPECT_EQ(current(ICAP_XRESOLUTION), dpiItem(150));
    EXPECT_EQ(current(ICAP_PHYSICALWIDTH), dpiItem(8.5));
    EXPECT_EQ(current(ICAP_PHYSICALHEIGHT), dpiItem(11));
    EXPECT_EQ(ask(ICAP_XFERMECH, MSG_GET).items, std::vector<TW_UINT32>{TWSX_MEMORY});
    EXPECT_EQ(current(ICAP_XFERMECH), TWSX_MEMORY);
    EXPECT_EQ(set(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE), TWRC_FAILURE);
    expectCondition(TWCC_BADVALUE);

    // A resolution that is not offered is ignored.
    ds_.reset();
    environment_.set(L"PELLIX_VSCAN_DPI", L"123");
    open();
    EXPECT_EQ(current(ICAP_XRESOLUTION), dpiItem(300));
}

TEST_F(SourceCapabilities, WithoutAManagerEntryPointContainersAreGlobalMemory) {
    // A 1.x manager (Wine's) hands over no entry points.
    ds_.emplace();
    ASSERT_EQ(ds_->call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds_->source), TWRC_SUCCESS);
    TW_CAPABILITY request{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(ds_->call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &request), TWRC_SUCCESS);
    ASSERT_NE(request.hContainer, nullptr);
    EXPECT_GE(GlobalSize(request.hContainer), sizeof(TW_ONEVALUE));
    const auto* value = static_cast<const TW_ONEVALUE*>(GlobalLock(request.hContainer));
    EXPECT_EQ(value->ItemType, TWTY_UINT16);
    EXPECT_EQ(value->Item, TWPT_RGB);
    GlobalUnlock(request.hContainer);
    EXPECT_EQ(GlobalFree(request.hContainer), nullptr);
    EXPECT_EQ(FakeManager::liveBlocks(), 0);
}

} // namespace
} // namespace pellix::vscan::test
