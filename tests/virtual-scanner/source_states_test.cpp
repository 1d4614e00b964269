// The virtual scanner as a data source: identity, the state machine and the
// condition codes a manager and an application see.
#include "tests/virtual-scanner/source_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace pellix::vscan::test {
namespace {

using namespace twain;

class SourceStates : public testing::Test {
protected:
    ScopedEnvironment environment_;
    LoadedSource ds_;

    void SetUp() override {
        environment_.set(L"PELLIX_VSCAN_PAGE", L"40x25").set(L"PELLIX_VSCAN_DPI", L"100");
        ASSERT_NE(ds_.module(), nullptr) << "cannot load the data source";
    }

    // The call fails with the condition code, which DAT_STATUS reports once.
    void expectFailure(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, void* data,
                       TW_UINT16 condition) {
        EXPECT_EQ(ds_.call(group, dat, message, data), TWRC_FAILURE);
        EXPECT_EQ(ds_.conditionCode(), condition);
    }

    TW_UINT16 pendingCount() {
        TW_PENDINGXFERS pending{0xeeee, 0};
        EXPECT_EQ(ds_.call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
        return pending.Count;
    }
};

TEST_F(SourceStates, IdentityIsConstantAndKeepsTheManagersNumber) {
    TW_IDENTITY first{};
    first.Id = 1234;
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &first), TWRC_SUCCESS);
    EXPECT_EQ(first.Id, 1234u);
    EXPECT_STREQ(first.Manufacturer, "Pellix");
    EXPECT_STREQ(first.ProductFamily, "Virtual Scanner");
    EXPECT_STREQ(first.ProductName, "Pellix Virtual Scanner");
    EXPECT_EQ(first.Version.MajorNum, 1);
    EXPECT_EQ(first.Version.MinorNum, 0);
    EXPECT_EQ(first.Version.Language, TWLG_ENGLISH);
    EXPECT_EQ(first.Version.Country, TWCY_USA);
    EXPECT_STREQ(first.Version.Info, "1.0");
    EXPECT_EQ(first.ProtocolMajor, 2);
    EXPECT_EQ(first.ProtocolMinor, 4);
    EXPECT_EQ(first.SupportedGroups, DG_CONTROL | DG_IMAGE | DF_DS2);

    // Wine's manager asks again and again until the name repeats.
    TW_IDENTITY second{};
    second.Id = 1235;
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &second), TWRC_SUCCESS);
    EXPECT_STREQ(second.ProductName, first.ProductName);
}

TEST_F(SourceStates, ProductNameComesFromTheEnvironmentWhenAsked) {
    environment_.set(L"PELLIX_VSCAN_PRODUCT", L"Second Pellix Scanner");
    TW_IDENTITY identity{};
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_STREQ(identity.ProductName, "Second Pellix Scanner");
}

TEST_F(SourceStates, TripletsBeforeOpeningAreOutOfSequence) {
    TW_USERINTERFACE ui{};
    expectFailure(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui, TWCC_SEQERROR);
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    expectFailure(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap, TWCC_SEQERROR);
    TW_PENDINGXFERS pending{};
    expectFailure(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending, TWCC_SEQERROR);
    TW_HANDLE dib = nullptr;
    expectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib, TWCC_SEQERROR);
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source, TWCC_SEQERROR);
}

TEST_F(SourceStates, StatusReportsTheLastFailureOnce) {
    TW_USERINTERFACE ui{};
    EXPECT_EQ(ds_.call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SUCCESS);

    // A later success clears it as well.
    EXPECT_EQ(ds_.call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
    TW_IDENTITY identity{};
    EXPECT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SUCCESS);
    EXPECT_EQ(ds_.call(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr), TWRC_FAILURE);
}

TEST_F(SourceStates, UnknownTripletsAreBadProtocol) {
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    int data[16] = {};
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, data, TWCC_BADPROTOCOL);
    expectFailure(DG_CONTROL, DAT_XFERGROUP, MSG_GET, data, TWCC_BADPROTOCOL);
    expectFailure(DG_CONTROL, DAT_PENDINGXFERS, MSG_STOPFEEDER, data, TWCC_BADPROTOCOL);
    expectFailure(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, data, TWCC_BADPROTOCOL);
    expectFailure(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, data, TWCC_BADPROTOCOL);
    expectFailure(DG_IMAGE, DAT_PALETTE8, MSG_GET, data, TWCC_BADPROTOCOL);
    expectFailure(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, data, TWCC_BADPROTOCOL);
    expectFailure(0x0004, DAT_NULL, MSG_GET, data, TWCC_BADPROTOCOL);
}

TEST_F(SourceStates, MissingDataIsABadValue) {
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr, TWCC_BADVALUE);
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    expectFailure(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr, TWCC_BADVALUE);
    expectFailure(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, nullptr, TWCC_BADVALUE);
    ASSERT_EQ(ds_.enable(false), TWRC_SUCCESS);
    expectFailure(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr, TWCC_BADVALUE);
    TW_EVENT noMessage{nullptr, MSG_NULL};
    expectFailure(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &noMessage, TWCC_BADVALUE);
    ASSERT_EQ(ds_.waitForNotification(), MSG_XFERREADY);
    expectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, nullptr, TWCC_BADVALUE);
}

TEST_F(SourceStates, OpenSourceRefusesWhatBelongsToOtherStates) {
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds_.source, TWCC_SEQERROR);
    TW_USERINTERFACE ui{};
    expectFailure(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui, TWCC_SEQERROR);
    MSG message{};
    TW_EVENT event{&message, MSG_NULL};
    expectFailure(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event, TWCC_SEQERROR);
    TW_IMAGEINFO info{};
    expectFailure(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info, TWCC_SEQERROR);
    TW_HANDLE dib = nullptr;
    expectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib, TWCC_SEQERROR);
    TW_PENDINGXFERS pending{};
    expectFailure(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending, TWCC_SEQERROR);
    EXPECT_EQ(pendingCount(), 0);
}

TEST_F(SourceStates, EnabledSourceRefusesChangesAndTransfersBeforeItIsReady) {
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    // With ShowUI and no answer set, the dialog waits for a user.
    ASSERT_EQ(ds_.enable(true), TWRC_SUCCESS);
    EXPECT_EQ(setCapability(ds_, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(askCapability(ds_, ICAP_PIXELTYPE, MSG_RESET).returnCode, TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(askCapability(ds_, ICAP_PIXELTYPE, MSG_GETCURRENT).returnCode, TWRC_SUCCESS);

    TW_HANDLE dib = nullptr;
    expectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib, TWCC_SEQERROR);
    TW_PENDINGXFERS pending{};
    expectFailure(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending, TWCC_SEQERROR);
    TW_USERINTERFACE ui{};
    expectFailure(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui, TWCC_SEQERROR);
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source, TWCC_SEQERROR);
    TW_ENTRYPOINT entry = FakeManager::entryPoints();
    expectFailure(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry, TWCC_SEQERROR);
    EXPECT_EQ(pendingCount(), 0);
    EXPECT_TRUE(FakeManager::notifications().empty());
}

TEST_F(SourceStates, ReadyAnnouncesItselfToTheApplicationThroughTheManager) {
    ds_.openAndScan();
    ASSERT_EQ(FakeManager::notifications().size(), 1u);
    const Notification& note = FakeManager::notifications()[0];
    EXPECT_EQ(note.originId, LoadedSource::kSourceId);
    EXPECT_EQ(note.destinationId, LoadedSource::kApplicationId);
    EXPECT_EQ(note.message, MSG_XFERREADY);
    EXPECT_EQ(pendingCount(), 1);

    // In state 6 the source may neither be disabled nor change its values.
    TW_USERINTERFACE ui{};
    expectFailure(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui, TWCC_SEQERROR);
    EXPECT_EQ(setCapability(ds_, CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
}

TEST_F(SourceStates, ResetOfAPendingPageReturnsToEnabled) {
    ds_.openAndScan();
    TW_PENDINGXFERS pending{0xeeee, 0};
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    TW_IMAGEINFO info{};
    expectFailure(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info, TWCC_SEQERROR);
    TW_USERINTERFACE ui{};
    EXPECT_EQ(ds_.call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source), TWRC_SUCCESS);
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    expectFailure(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap, TWCC_SEQERROR);
}

TEST_F(SourceStates, EachEnableGivesOnePageAndTheSourceCanBeEnabledAgain) {
    ds_.openAndScan();
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    TW_USERINTERFACE ui{};
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    ASSERT_EQ(ds_.enable(false), TWRC_SUCCESS);
    EXPECT_EQ(ds_.waitForNotification(), MSG_XFERREADY);
    EXPECT_EQ(FakeManager::notifications().size(), 2u);
}

TEST_F(SourceStates, DisablingBeforeTheScanStartsSendsNothing) {
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    ASSERT_EQ(ds_.enable(false), TWRC_SUCCESS);
    TW_USERINTERFACE ui{};
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    // The pending start was cancelled with the enable.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_TRUE(FakeManager::notifications().empty());
}

TEST_F(SourceStates, ImageLayoutIsTheWholeSheet) {
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    for (const TW_UINT16 message : {MSG_GET, MSG_GETDEFAULT}) {
        TW_IMAGELAYOUT layout{};
        ASSERT_EQ(ds_.call(DG_IMAGE, DAT_IMAGELAYOUT, message, &layout), TWRC_SUCCESS);
        EXPECT_DOUBLE_EQ(Fix32ToDouble(layout.Frame.Left), 0.0);
        EXPECT_DOUBLE_EQ(Fix32ToDouble(layout.Frame.Top), 0.0);
        EXPECT_NEAR(Fix32ToDouble(layout.Frame.Right), 40 / 25.4, 1e-4);
        EXPECT_NEAR(Fix32ToDouble(layout.Frame.Bottom), 25 / 25.4, 1e-4);
        EXPECT_EQ(layout.PageNumber, 1u);
    }
}

TEST_F(SourceStates, OpenCloseCyclesLeaveNoWindowsOrClassesBehind) {
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
        const HWND session =
            FindWindowExW(HWND_MESSAGE, nullptr, L"PellixVirtualScannerSession", nullptr);
        EXPECT_NE(session, nullptr);
        ASSERT_EQ(ds_.enable(true), TWRC_SUCCESS);
        TW_USERINTERFACE ui{};
        ASSERT_EQ(ds_.call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
        ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source), TWRC_SUCCESS);
        EXPECT_FALSE(IsWindow(session));
        WNDCLASSEXW info{};
        info.cbSize = sizeof info;
        EXPECT_FALSE(GetClassInfoExW(ds_.module(), L"PellixVirtualScannerSession", &info));
    }
}

} // namespace
} // namespace pellix::vscan::test
