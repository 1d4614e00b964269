// The virtual scanner as a data source: identity, the state machine and the
// condition codes a manager and an application see.
#include "tests/virtual-scanner/source_harness.h"

#include <gtest/gtest.h>

#include <cstring>

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
        EXPECT_EQ(ds_.call(group, dat, message, data), TWRC_FAILURE)
            << "DAT " << dat << " MSG " << message;
        EXPECT_EQ(ds_.conditionCode(), condition) << "DAT " << dat << " MSG " << message;
    }

    TW_UINT16 pending(TW_UINT16 message = MSG_GET) {
        TW_PENDINGXFERS pending{0xeeee, 0};
        EXPECT_EQ(ds_.call(DG_CONTROL, DAT_PENDINGXFERS, message, &pending), TWRC_SUCCESS);
        return pending.Count;
    }
    TW_UINT16 disable() {
        TW_USERINTERFACE ui{};
        return ds_.call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    }
};

TEST_F(SourceStates, IdentityIsConstantKeepsTheManagersNumberAndFollowsTheProductSetting) {
    TW_IDENTITY identity{};
    identity.Id = 1234;
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(identity.Id, 1234u);
    EXPECT_STREQ(identity.Manufacturer, "Pellix");
    EXPECT_STREQ(identity.ProductFamily, "Virtual Scanner");
    EXPECT_STREQ(identity.ProductName, "Pellix Virtual Scanner");
    EXPECT_EQ(identity.Version.MajorNum * 100 + identity.Version.MinorNum, 100);
    EXPECT_EQ(identity.Version.Language, TWLG_ENGLISH);
    EXPECT_EQ(identity.Version.Country, TWCY_USA);
    EXPECT_STREQ(identity.Version.Info, "1.0");
    EXPECT_EQ(identity.ProtocolMajor * 100 + identity.ProtocolMinor, 204);
    EXPECT_EQ(identity.SupportedGroups, DG_CONTROL | DG_IMAGE | DF_DS2);

    // Wine's manager asks until the name repeats: the answer must not change.
    TW_IDENTITY again{};
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &again), TWRC_SUCCESS);
    EXPECT_EQ(std::memcmp(&again.Version, &identity.Version, sizeof(TW_IDENTITY) - 4), 0);

    environment_.set(L"PELLIX_VSCAN_PRODUCT", L"Second Pellix Scanner");
    ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &again), TWRC_SUCCESS);
    EXPECT_STREQ(again.ProductName, "Second Pellix Scanner");
}

TEST_F(SourceStates, EveryStateRefusesWhatBelongsToOthers) {
    TW_USERINTERFACE ui{};
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    TW_PENDINGXFERS pendingXfers{};
    TW_HANDLE dib = nullptr;
    TW_IMAGEINFO info{};
    MSG message{};
    TW_EVENT event{&message, MSG_NULL};
    TW_ENTRYPOINT entry = FakeManager::entryPoints();
    struct Triplet {
        TW_UINT32 group;
        TW_UINT16 dat;
        TW_UINT16 message;
        void* data;
    };
    const Triplet closed[] = {
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui},
        {DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pendingXfers},
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source},
    };
    for (const Triplet& t : closed) {
        expectFailure(t.group, t.dat, t.message, t.data, TWCC_SEQERROR);
    }

    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    const Triplet open[] = {
        {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds_.source},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui},
        {DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event},
        {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info},
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendingXfers},
    };
    for (const Triplet& t : open) {
        expectFailure(t.group, t.dat, t.message, t.data, TWCC_SEQERROR);
    }

    // With ShowUI and no answer set, the dialog waits for a user: state 5.
    ASSERT_EQ(ds_.enable(true), TWRC_SUCCESS);
    const Triplet enabled[] = {
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pendingXfers},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui},
        {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source},
        {DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry},
    };
    for (const Triplet& t : enabled) {
        expectFailure(t.group, t.dat, t.message, t.data, TWCC_SEQERROR);
    }
    EXPECT_EQ(setCapability(ds_, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(askCapability(ds_, ICAP_PIXELTYPE, MSG_RESET).returnCode, TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(askCapability(ds_, ICAP_PIXELTYPE, MSG_GETCURRENT).returnCode, TWRC_SUCCESS);
    EXPECT_EQ(pending(), 0);
    EXPECT_TRUE(FakeManager::notifications().empty());

    ASSERT_EQ(disable(), TWRC_SUCCESS);
    ASSERT_EQ(ds_.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(ds_.waitForNotification(), MSG_XFERREADY);
    EXPECT_EQ(disable(), TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(setCapability(ds_, CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_FAILURE);
    EXPECT_EQ(ds_.conditionCode(), TWCC_SEQERROR);
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
}

TEST_F(SourceStates, UnknownTripletsAreBadProtocolAndMissingDataABadValue) {
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr, TWCC_BADVALUE);
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    int data[16] = {};
    const std::pair<TW_UINT32, std::pair<TW_UINT16, TW_UINT16>> unknown[] = {
        {DG_CONTROL, {DAT_IDENTITY, MSG_USERSELECT}},
        {DG_CONTROL, {DAT_XFERGROUP, MSG_GET}},
        {DG_CONTROL, {DAT_PENDINGXFERS, MSG_STOPFEEDER}},
        {DG_CONTROL, {DAT_USERINTERFACE, MSG_ENABLEDSUIONLY}},
        {DG_IMAGE, {DAT_IMAGEFILEXFER, MSG_GET}},
        {DG_IMAGE, {DAT_PALETTE8, MSG_GET}},
        {DG_IMAGE, {DAT_IMAGELAYOUT, MSG_SET}},
        {0x0004, {DAT_NULL, MSG_GET}},
    };
    for (const auto& [group, triplet] : unknown) {
        expectFailure(group, triplet.first, triplet.second, data, TWCC_BADPROTOCOL);
    }

    expectFailure(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr, TWCC_BADVALUE);
    ASSERT_EQ(ds_.enable(false), TWRC_SUCCESS);
    expectFailure(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr, TWCC_BADVALUE);
    TW_EVENT noMessage{nullptr, MSG_NULL};
    expectFailure(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &noMessage, TWCC_BADVALUE);
    ASSERT_EQ(ds_.waitForNotification(), MSG_XFERREADY);
    expectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, nullptr, TWCC_BADVALUE);
    expectFailure(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, nullptr, TWCC_BADVALUE);
}

TEST_F(SourceStates, EachEnableAnnouncesOnePageThroughTheManager) {
    ds_.openAndScan();
    ASSERT_EQ(FakeManager::notifications().size(), 1u);
    const Notification& note = FakeManager::notifications()[0];
    EXPECT_EQ(note.originId, LoadedSource::kSourceId);
    EXPECT_EQ(note.destinationId, LoadedSource::kApplicationId);
    EXPECT_EQ(note.message, MSG_XFERREADY);
    EXPECT_EQ(pending(), 1);
    EXPECT_EQ(pending(MSG_RESET), 0);
    TW_IMAGEINFO info{};
    expectFailure(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info, TWCC_SEQERROR);

    // Enabled again, and disabled before the page is announced: no notice.
    ASSERT_EQ(disable(), TWRC_SUCCESS);
    ASSERT_EQ(ds_.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(disable(), TWRC_SUCCESS);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(FakeManager::notifications().size(), 1u);

    ASSERT_EQ(ds_.enable(false), TWRC_SUCCESS);
    EXPECT_EQ(ds_.waitForNotification(), MSG_XFERREADY);
    EXPECT_EQ(pending(MSG_ENDXFER), 0);
    ASSERT_EQ(disable(), TWRC_SUCCESS);
    EXPECT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source), TWRC_SUCCESS);
}

TEST_F(SourceStates, ImageLayoutIsTheWholeSheet) {
    ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
    for (const TW_UINT16 message : {MSG_GET, MSG_GETDEFAULT}) {
        TW_IMAGELAYOUT layout{};
        ASSERT_EQ(ds_.call(DG_IMAGE, DAT_IMAGELAYOUT, message, &layout), TWRC_SUCCESS);
        EXPECT_EQ(Fix32ToDouble(layout.Frame.Left) + Fix32ToDouble(layout.Frame.Top), 0.0);
        EXPECT_NEAR(Fix32ToDouble(layout.Frame.Right), 40 / 25.4, 1e-4);
        EXPECT_NEAR(Fix32ToDouble(layout.Frame.Bottom), 25 / 25.4, 1e-4);
        EXPECT_EQ(layout.PageNumber, 1u);
    }
}

TEST_F(SourceStates, OpenCloseCyclesLeaveNoWindowsOrClassesBehind) {
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_EQ(ds_.open(), TWRC_SUCCESS);
        const HWND session =
            FindWindowExW(HWND_MESSAGE, nullptr, L"PellixVirtualScannerSession", nullptr);
        EXPECT_NE(session, nullptr);
        ASSERT_EQ(ds_.enable(true), TWRC_SUCCESS);
        ASSERT_EQ(disable(), TWRC_SUCCESS);
        ASSERT_EQ(ds_.call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds_.source), TWRC_SUCCESS);
        EXPECT_FALSE(IsWindow(session));
        WNDCLASSEXW info{};
        info.cbSize = sizeof info;
        EXPECT_FALSE(GetClassInfoExW(ds_.module(), L"PellixVirtualScannerSession", &info));
    }
}

} // namespace
} // namespace pellix::vscan::test
