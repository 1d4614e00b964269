// Capability negotiation with the virtual scanner, and the settings that
// choose the values at open: environment, and the INI file beside the source.
#include "tests/devices/virtual-scanner/source_harness.h"

#include <algorithm>
#include <string>

namespace pellix::vscan::test {
namespace {

using namespace twain;

class SourceCapabilities : public SourceTest {
protected:
    CapabilityReply Ask(TW_UINT16 cap, TW_UINT16 message) {
        return AskCapability(*ds_, cap, message);
    }
    TW_UINT16 Set(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item) {
        return SetCapability(*ds_, cap, type, item);
    }
};

struct CapCase {
    TW_UINT16 cap;
    TW_UINT16 container; // answer to MSG_GET
    TW_UINT16 itemType;
    std::vector<TW_UINT32> choices; // MSG_GET items
    TW_UINT32 current;              // as opened with no settings
    std::optional<TW_UINT32> other; // another value it takes; none: read-only
};

std::vector<CapCase> AllCapabilities() {
    std::vector<TW_UINT32> dpis;
    for (const int dpi : {100, 150, 200, 300, 400, 600}) {
        dpis.push_back(DpiItem(dpi));
    }
    const TW_UINT16 en = TWON_ENUMERATION, one = TWON_ONEVALUE;
    return {
        {ICAP_XRESOLUTION, en, TWTY_FIX32, dpis, DpiItem(300), DpiItem(150)},
        {ICAP_YRESOLUTION, en, TWTY_FIX32, dpis, DpiItem(300), DpiItem(600)},
        {ICAP_PIXELTYPE, en, TWTY_UINT16, {TWPT_BW, TWPT_GRAY, TWPT_RGB}, TWPT_RGB, TWPT_GRAY},
        {ICAP_BITDEPTH, en, TWTY_UINT16, {24}, 24, 24},
        {ICAP_XFERMECH, en, TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, TWSX_NATIVE, TWSX_MEMORY},
        {CAP_XFERCOUNT, one, TWTY_INT16, {0xffff}, 0xffff, 1},
        {CAP_INDICATORS, one, TWTY_BOOL, {1}, 1, 0},
        {CAP_UICONTROLLABLE, one, TWTY_BOOL, {1}, 1, std::nullopt},
        {CAP_DEVICEONLINE, one, TWTY_BOOL, {1}, 1, std::nullopt},
        {ICAP_UNITS, en, TWTY_UINT16, {TWUN_INCHES}, TWUN_INCHES, TWUN_INCHES},
        {ICAP_COMPRESSION, en, TWTY_UINT16, {TWCP_NONE}, TWCP_NONE, TWCP_NONE},
        {ICAP_PIXELFLAVOR, en, TWTY_UINT16, {TWPF_CHOCOLATE}, TWPF_CHOCOLATE, TWPF_CHOCOLATE},
        {ICAP_PHYSICALWIDTH, one, TWTY_FIX32, {DpiItem(40 / 25.4)}, DpiItem(40 / 25.4), {}},
        {ICAP_PHYSICALHEIGHT, one, TWTY_FIX32, {DpiItem(25 / 25.4)}, DpiItem(25 / 25.4), {}},
    };
}

TEST_F(SourceCapabilities, EveryCapabilityAnswersGetSetResetAndQuerySupport) {
    Open();
    for (const CapCase& c : AllCapabilities()) {
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << c.cap);
        const CapabilityReply all = Ask(c.cap, MSG_GET);
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
            const CapabilityReply value = Ask(c.cap, message);
            ASSERT_EQ(value.returnCode, TWRC_SUCCESS);
            EXPECT_EQ(value.containerType, TWON_ONEVALUE);
            EXPECT_EQ(value.itemType, c.itemType);
            EXPECT_EQ(value.items, std::vector{c.current});
        }
        const CapabilityReply support = Ask(c.cap, MSG_QUERYSUPPORT);
        ASSERT_EQ(support.returnCode, TWRC_SUCCESS);
        EXPECT_EQ(support.itemType, TWTY_INT32);
        const TW_UINT32 reads = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
        EXPECT_EQ(support.items.at(0), c.other ? reads | TWQC_SET | TWQC_RESET : reads);

        if (!c.other) {
            EXPECT_EQ(Set(c.cap, c.itemType, c.current), TWRC_FAILURE);
            ExpectCondition(TWCC_CAPBADOPERATION);
            EXPECT_EQ(Ask(c.cap, MSG_RESET).returnCode, TWRC_FAILURE);
            ExpectCondition(TWCC_CAPBADOPERATION);
            continue;
        }
        EXPECT_EQ(Set(c.cap, c.itemType, *c.other), TWRC_SUCCESS);
        EXPECT_EQ(Current(c.cap), *c.other);
        EXPECT_EQ(Ask(c.cap, MSG_GETDEFAULT).items.at(0), c.current);
        const CapabilityReply reset = Ask(c.cap, MSG_RESET);
        EXPECT_EQ(reset.returnCode, TWRC_SUCCESS);
        EXPECT_EQ(reset.containerType, c.container);
        EXPECT_EQ(Current(c.cap), c.current);
    }
    EXPECT_EQ(FakeManager::LiveBlocks(), 0) << "containers come from the manager's allocator";

    const CapabilityReply supported = Ask(CAP_SUPPORTEDCAPS, MSG_GET);
    EXPECT_EQ(supported.containerType, TWON_ARRAY);
    std::vector<TW_UINT32> expected{CAP_SUPPORTEDCAPS}, listed = supported.items;
    for (const CapCase& c : AllCapabilities()) {
        expected.push_back(c.cap);
    }
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(Set(CAP_SUPPORTEDCAPS, TWTY_UINT16, CAP_XFERCOUNT), TWRC_FAILURE);
    ExpectCondition(TWCC_CAPBADOPERATION);
    for (const TW_UINT16 message : {MSG_GET, MSG_GETCURRENT, MSG_QUERYSUPPORT, MSG_RESET}) {
        EXPECT_EQ(Ask(0x1234, message).returnCode, TWRC_FAILURE);
        ExpectCondition(TWCC_CAPUNSUPPORTED);
    }
    EXPECT_EQ(Set(0x1234, TWTY_UINT16, 1), TWRC_FAILURE);
    ExpectCondition(TWCC_CAPUNSUPPORTED);
}

TEST_F(SourceCapabilities, BadValuesAreRefusedAndLeaveTheCurrentValue) {
    Open();
    struct Bad {
        TW_UINT16 cap;
        TW_UINT16 type;
        TW_UINT32 item;
    };
    const Bad bad[] = {
        {ICAP_XRESOLUTION, TWTY_FIX32, DpiItem(250)},
        {ICAP_YRESOLUTION, TWTY_FIX32, DpiItem(1200)},
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
        const TW_UINT32 before = Current(b.cap);
        EXPECT_EQ(Set(b.cap, b.type, b.item), TWRC_FAILURE);
        ExpectCondition(TWCC_BADVALUE);
        EXPECT_EQ(Current(b.cap), before);
    }
    // Only a TW_ONEVALUE sets a value.
    HGLOBAL container = GlobalAlloc(GHND, 64);
    TW_CAPABILITY enumeration{ICAP_PIXELTYPE, TWON_ENUMERATION, container};
    TW_CAPABILITY empty{ICAP_PIXELTYPE, TWON_ONEVALUE, nullptr};
    ExpectFailure(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &enumeration, TWCC_BADVALUE);
    ExpectFailure(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &empty, TWCC_BADVALUE);
    GlobalFree(container);
}

TEST_F(SourceCapabilities, LinkedValuesMoveTogetherAndResetAllRestoresEverything) {
    Open();
    ASSERT_EQ(Set(ICAP_YRESOLUTION, TWTY_FIX32, DpiItem(150)), TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_XRESOLUTION), DpiItem(150));
    ASSERT_EQ(Set(ICAP_XRESOLUTION, TWTY_FIX32, DpiItem(600)), TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_YRESOLUTION), DpiItem(600));
    const CapabilityReply reset = Ask(ICAP_YRESOLUTION, MSG_RESET);
    EXPECT_EQ(reset.items.at(reset.currentIndex), DpiItem(300));
    EXPECT_EQ(Current(ICAP_XRESOLUTION), DpiItem(300));

    const std::pair<TW_UINT16, TW_UINT32> pairs[] = {{TWPT_BW, 1}, {TWPT_GRAY, 8}, {TWPT_RGB, 24}};
    for (const auto& [pixelType, depth] : pairs) {
        ASSERT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, pixelType), TWRC_SUCCESS);
        EXPECT_EQ(Current(ICAP_BITDEPTH), depth);
        EXPECT_EQ(Ask(ICAP_BITDEPTH, MSG_GET).items, std::vector{depth});
        EXPECT_EQ(Set(ICAP_BITDEPTH, TWTY_UINT16, depth), TWRC_SUCCESS);
    }

    ASSERT_EQ(Set(CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_SUCCESS);
    ASSERT_EQ(Set(CAP_INDICATORS, TWTY_BOOL, 0), TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW), TWRC_SUCCESS);
    TW_CAPABILITY all{0, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(ds_->Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &all), TWRC_SUCCESS);
    EXPECT_EQ(Current(CAP_XFERCOUNT), 0xffffu);
    EXPECT_EQ(Current(CAP_INDICATORS), 1u);
    EXPECT_EQ(Current(ICAP_XFERMECH), TWSX_NATIVE);
    EXPECT_EQ(Current(ICAP_BITDEPTH), 24u);
}

TEST_F(SourceCapabilities, SettingsChooseTheValuesAtOpen) {
    environment_.Set(L"PELLIX_VSCAN_PIXELTYPE", L"bw")
        .Set(L"PELLIX_VSCAN_DPI", L"150")
        .Set(L"PELLIX_VSCAN_PAGE", L"letter")
        .Set(L"PELLIX_VSCAN_XFER", L"memory");
    Open();
    EXPECT_EQ(Current(ICAP_PIXELTYPE), TWPT_BW);
    EXPECT_EQ(Current(ICAP_BITDEPTH), 1u);
    EXPECT_EQ(Current(ICAP_XRESOLUTION), DpiItem(150));
    EXPECT_EQ(Current(ICAP_PHYSICALWIDTH), DpiItem(8.5));
    EXPECT_EQ(Current(ICAP_PHYSICALHEIGHT), DpiItem(11));
    EXPECT_EQ(Ask(ICAP_XFERMECH, MSG_GET).items, std::vector<TW_UINT32>{TWSX_MEMORY});
    EXPECT_EQ(Set(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE), TWRC_FAILURE);
    ExpectCondition(TWCC_BADVALUE);

    environment_.Set(L"PELLIX_VSCAN_DPI", L"123");
    Open();
    EXPECT_EQ(Current(ICAP_XRESOLUTION), DpiItem(300)) << "not offered: ignored";
}

TEST_F(SourceCapabilities, WithoutAManagerEntryPointContainersAreGlobalMemory) {
    // A 1.x manager (Wine's) hands over no entry points.
    LoadedSource& ds = ds_.emplace();
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds.source), TWRC_SUCCESS);
    TW_CAPABILITY request{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &request), TWRC_SUCCESS);
    ASSERT_NE(request.hContainer, nullptr);
    EXPECT_GE(GlobalSize(request.hContainer), sizeof(TW_ONEVALUE));
    const auto* value = static_cast<const TW_ONEVALUE*>(GlobalLock(request.hContainer));
    EXPECT_EQ(value->ItemType, TWTY_UINT16);
    EXPECT_EQ(value->Item, TWPT_RGB);
    GlobalUnlock(request.hContainer);
    EXPECT_EQ(GlobalFree(request.hContainer), nullptr);
    EXPECT_EQ(FakeManager::LiveBlocks(), 0);
}

// A copy of the source installed under another name reads the INI file named
// after itself, and is another scanner.
TEST_F(SourceCapabilities, ACopiedSourceReadsItsIniFileUnderTheEnvironment) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"pellix-vscan-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring dsPath = folder + L"\\sane.ds", iniPath = folder + L"\\sane.ini";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(BuiltSourcePath().c_str(), dsPath.c_str(), FALSE));
    const std::string ini = "[Scanner]\r\nProductName=Pellix Gray Scanner\r\nPixelType=gray\r\n"
                            "Resolution=200\r\nTransfers=memory\r\n";
    HANDLE file = CreateFileW(iniPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, ini.data(), DWORD(ini.size()), &written, nullptr);
    CloseHandle(file);

    for (const bool overridden : {false, true}) {
        SCOPED_TRACE(overridden ? "environment set" : "INI file only");
        if (overridden) {
            environment_.Set(L"PELLIX_VSCAN_PRODUCT", L"Pellix Override")
                .Set(L"PELLIX_VSCAN_PIXELTYPE", L"bw");
        }
        LoadedSource copy(dsPath);
        TW_IDENTITY identity{};
        ASSERT_EQ(copy.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
        EXPECT_STREQ(identity.ProductName, overridden ? "Pellix Override" : "Pellix Gray Scanner");
        ASSERT_EQ(copy.Open(), TWRC_SUCCESS);
        EXPECT_EQ(AskCapability(copy, ICAP_PIXELTYPE, MSG_GETCURRENT).items.at(0),
                  overridden ? TWPT_BW : TWPT_GRAY);
        EXPECT_EQ(AskCapability(copy, ICAP_XRESOLUTION, MSG_GETCURRENT).items.at(0), DpiItem(200));
        EXPECT_EQ(AskCapability(copy, ICAP_XFERMECH, MSG_GET).items,
                  std::vector<TW_UINT32>{TWSX_MEMORY});
        if (overridden) {
            continue;
        }
        // Loaded beside the original, the two are independent.
        LoadedSource& original = Open();
        ASSERT_NE(original.Module(), copy.Module());
        EXPECT_EQ(Current(ICAP_PIXELTYPE), TWPT_RGB);
        ASSERT_EQ(original.Enable(false), TWRC_SUCCESS);
        ASSERT_EQ(original.WaitForNotification(), MSG_XFERREADY);
        TW_PENDINGXFERS pending{};
        EXPECT_EQ(copy.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
        EXPECT_EQ(pending.Count, 0) << "the copy was not enabled";
        ds_.reset();
    }
    DeleteFileW(iniPath.c_str());
    DeleteFileW(dsPath.c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace
} // namespace pellix::vscan::test
