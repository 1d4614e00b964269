// The virtual scanner as a data source: identity, the state machine and the
// condition codes a manager and an application see.
#include "tests/devices/virtual-scanner/source_harness.h"

#include <cstring>

namespace pellix::vscan::test {
namespace {

using namespace twain;

class SourceStates : public SourceTest {
protected:
    struct Triplet {
        TW_UINT32 group;
        TW_UINT16 dat;
        TW_UINT16 message;
        void* data;
        TW_UINT16 condition = TWCC_SEQERROR;
    };
    void ExpectFailures(std::initializer_list<Triplet> triplets) {
        for (const Triplet& t : triplets) {
            ExpectFailure(t.group, t.dat, t.message, t.data, t.condition);
        }
    }
};

TEST_F(SourceStates, IdentityIsConstantKeepsTheManagersNumberAndFollowsTheProductSetting) {
    LoadedSource& ds = ds_.emplace();
    TW_IDENTITY identity{};
    identity.Id = 1234;
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
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
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &again), TWRC_SUCCESS);
    EXPECT_EQ(std::memcmp(&again.Version, &identity.Version, sizeof(TW_IDENTITY) - 4), 0);
    environment_.Set(L"PELLIX_VSCAN_PRODUCT", L"Second Pellix Scanner");
    ASSERT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &again), TWRC_SUCCESS);
    EXPECT_STREQ(again.ProductName, "Second Pellix Scanner");
}

TEST_F(SourceStates, EveryStateRefusesWhatBelongsToOthers) {
    LoadedSource& ds = ds_.emplace();
    TW_USERINTERFACE ui{};
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    TW_PENDINGXFERS xfers{};
    TW_HANDLE dib = nullptr;
    TW_IMAGEINFO info{};
    MSG message{};
    TW_EVENT event{&message, MSG_NULL};
    TW_ENTRYPOINT entry = FakeManager::EntryPoints();
    ExpectFailures({
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui},
        {DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &xfers},
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds.source},
    });
    // A later success clears a reported failure as well.
    TW_IDENTITY identity{};
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(ds.ConditionCode(), TWCC_SUCCESS);

    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    ExpectFailures({
        {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds.source},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui},
        {DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event},
        {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info},
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &xfers},
    });

    // With ShowUI and no answer set, the dialog waits for a user: state 5.
    ASSERT_EQ(ds.Enable(true), TWRC_SUCCESS);
    ExpectFailures({
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &xfers},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui},
        {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds.source},
        {DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry},
    });
    EXPECT_EQ(SetCapability(ds, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_FAILURE);
    ExpectCondition(TWCC_SEQERROR);
    EXPECT_EQ(AskCapability(ds, ICAP_PIXELTYPE, MSG_RESET).returnCode, TWRC_FAILURE);
    ExpectCondition(TWCC_SEQERROR);
    EXPECT_EQ(AskCapability(ds, ICAP_PIXELTYPE, MSG_GETCURRENT).returnCode, TWRC_SUCCESS);
    EXPECT_EQ(Pending(), 0);
    EXPECT_TRUE(FakeManager::Notifications().empty());

    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    ASSERT_EQ(ds.Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(ds.WaitForNotification(), MSG_XFERREADY);
    EXPECT_EQ(Disable(), TWRC_FAILURE);
    ExpectCondition(TWCC_SEQERROR);
    EXPECT_EQ(SetCapability(ds, CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_FAILURE);
    ExpectCondition(TWCC_SEQERROR);
    ExpectFailure(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, nullptr, TWCC_BADVALUE);
    ExpectFailure(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, nullptr, TWCC_BADVALUE);
}

TEST_F(SourceStates, UnknownTripletsAreBadProtocolAndMissingDataABadValue) {
    LoadedSource& ds = ds_.emplace();
    ExpectFailures({
        {DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr, TWCC_BADVALUE},
        {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr, TWCC_BADVALUE},
    });
    ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
    int d[16] = {};
    ExpectFailures({
        {DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, d, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_XFERGROUP, MSG_GET, d, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_STOPFEEDER, d, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, d, TWCC_BADPROTOCOL},
        {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, d, TWCC_BADPROTOCOL},
        {DG_IMAGE, DAT_PALETTE8, MSG_GET, d, TWCC_BADPROTOCOL},
        {DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, d, TWCC_BADPROTOCOL},
        {0x0004, DAT_NULL, MSG_GET, d, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr, TWCC_BADVALUE},
        {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, nullptr, TWCC_BADVALUE},
        {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, nullptr, TWCC_BADVALUE},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr, TWCC_BADVALUE},
    });
    ASSERT_EQ(ds.Enable(false), TWRC_SUCCESS);
    TW_EVENT noMessage{nullptr, MSG_NULL};
    ExpectFailures({
        {DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr, TWCC_BADVALUE},
        {DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &noMessage, TWCC_BADVALUE},
    });
}

TEST_F(SourceStates, EachEnableAnnouncesOnePageThroughTheManager) {
    LoadedSource& ds = ds_.emplace();
    ds.OpenAndScan();
    ASSERT_EQ(FakeManager::Notifications().size(), 1u);
    const Notification& note = FakeManager::Notifications()[0];
    EXPECT_EQ(note.originId, LoadedSource::kSourceId);
    EXPECT_EQ(note.destinationId, LoadedSource::kApplicationId);
    EXPECT_EQ(note.message, MSG_XFERREADY);
    EXPECT_EQ(Pending(), 1);
    EXPECT_EQ(Pending(MSG_RESET), 0);
    TW_IMAGEINFO info{};
    ExpectFailure(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info, TWCC_SEQERROR);

    // Enabled again, and disabled before the page is announced: no notice.
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    ASSERT_EQ(ds.Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_EQ(FakeManager::Notifications().size(), 1u);

    ASSERT_EQ(ds.Enable(false), TWRC_SUCCESS);
    EXPECT_EQ(ds.WaitForNotification(), MSG_XFERREADY);
    EXPECT_EQ(Pending(MSG_ENDXFER), 0);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds.source), TWRC_SUCCESS);
}

TEST_F(SourceStates, ImageLayoutIsTheWholeSheet) {
    LoadedSource& ds = Open();
    for (const TW_UINT16 message : {MSG_GET, MSG_GETDEFAULT}) {
        TW_IMAGELAYOUT layout{};
        ASSERT_EQ(ds.Call(DG_IMAGE, DAT_IMAGELAYOUT, message, &layout), TWRC_SUCCESS);
        EXPECT_EQ(Fix32ToDouble(layout.Frame.Left) + Fix32ToDouble(layout.Frame.Top), 0.0);
        EXPECT_NEAR(Fix32ToDouble(layout.Frame.Right), 40 / 25.4, 1e-4);
        EXPECT_NEAR(Fix32ToDouble(layout.Frame.Bottom), 25 / 25.4, 1e-4);
        EXPECT_EQ(layout.PageNumber, 1u);
    }
}

TEST_F(SourceStates, OpenCloseCyclesLeaveNoWindowsOrClassesBehind) {
    LoadedSource& ds = ds_.emplace();
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_EQ(ds.Open(), TWRC_SUCCESS);
        const HWND session =
            FindWindowExW(HWND_MESSAGE, nullptr, L"PellixVirtualScannerSession", nullptr);
        EXPECT_NE(session, nullptr);
        ASSERT_EQ(ds.Enable(true), TWRC_SUCCESS);
        ASSERT_EQ(Disable(), TWRC_SUCCESS);
        ASSERT_EQ(ds.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &ds.source), TWRC_SUCCESS);
        EXPECT_FALSE(IsWindow(session));
        WNDCLASSEXW info{};
        info.cbSize = sizeof info;
        EXPECT_FALSE(GetClassInfoExW(ds.Module(), L"PellixVirtualScannerSession", &info));
    }
}

} // namespace
} // namespace pellix::vscan::test
