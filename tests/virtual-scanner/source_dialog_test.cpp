// The virtual scanner's own dialog (ShowUI TRUE) and its automatic answers.
#include "tests/virtual-scanner/source_harness.h"

#include <gtest/gtest.h>

namespace pellix::vscan::test {
namespace {

using namespace twain;

constexpr int kResolutionBox = 1001;
constexpr int kColourModeBox = 1002;

class OwnerWindow {
public:
    OwnerWindow()
        : hwnd_(CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~OwnerWindow() { DestroyWindow(hwnd_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

BOOL CALLBACK findScanDialog(HWND hwnd, LPARAM found) {
    wchar_t className[32] = {};
    wchar_t title[64] = {};
    GetClassNameW(hwnd, className, 32);
    GetWindowTextW(hwnd, title, 64);
    if (std::wstring(className) == L"#32770" && std::wstring(title) == L"Pellix Virtual Scanner") {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND scanDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findScanDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

class SourceDialog : public testing::Test {
protected:
    ScopedEnvironment environment_;
    OwnerWindow owner_;
    std::optional<LoadedSource> ds_;

    void SetUp() override {
        environment_.set(L"PELLIX_VSCAN_PAGE", L"40x25").set(L"PELLIX_VSCAN_DPI", L"100");
    }

    void openAndEnable(bool showUI) {
        ds_.emplace();
        ASSERT_EQ(ds_->open(), TWRC_SUCCESS);
        ASSERT_EQ(ds_->enable(showUI, owner_.get()), TWRC_SUCCESS);
    }

    void disable() {
        TW_USERINTERFACE ui{};
        ASSERT_EQ(ds_->call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    }
};

TEST_F(SourceDialog, ScanAnswerShowsTheDialogThenAnnouncesThePage) {
    environment_.set(L"PELLIX_VSCAN_ANSWER", L"scan").set(L"PELLIX_VSCAN_DELAY_MS", L"20");
    openAndEnable(true);
    const HWND dialog = scanDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner_.get());
    EXPECT_TRUE(FakeManager::notifications().empty()) << "nothing before the answer";

    ASSERT_EQ(ds_->waitForNotification(), MSG_XFERREADY);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "the dialog goes once Scan is pressed";
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(ds_->call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    disable();
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(SourceDialog, CancelAnswerAsksTheApplicationToClose) {
    environment_.set(L"PELLIX_VSCAN_ANSWER", L"cancel");
    for (const bool showUI : {true, false}) {
        SCOPED_TRACE(showUI ? "with dialog" : "without dialog");
        openAndEnable(showUI);
        EXPECT_EQ(scanDialog() != nullptr, showUI);
        ASSERT_EQ(ds_->waitForNotification(), MSG_CLOSEDSREQ);
        TW_PENDINGXFERS pending{0xeeee, 0};
        ASSERT_EQ(ds_->call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
        EXPECT_EQ(pending.Count, 0);
        disable();
        EXPECT_EQ(scanDialog(), nullptr);
        ds_.reset();
    }
}

TEST_F(SourceDialog, TheUsersChoiceDecidesThePage) {
    openAndEnable(true);
    const HWND dialog = scanDialog();
    ASSERT_NE(dialog, nullptr);
    const HWND resolutions = GetDlgItem(dialog, kResolutionBox);
    const HWND modes = GetDlgItem(dialog, kColourModeBox);
    wchar_t text[64] = {};
    GetWindowTextW(resolutions, text, 64);
    EXPECT_STREQ(text, L"100 dpi") << "starts with the current values";
    GetWindowTextW(modes, text, 64);
    EXPECT_STREQ(text, L"Colour");
    EXPECT_EQ(SendMessageW(resolutions, CB_GETCOUNT, 0, 0), 6);
    EXPECT_EQ(SendMessageW(modes, CB_GETCOUNT, 0, 0), 3);

    SendMessageW(resolutions, CB_SELECTSTRING, WPARAM(-1), LPARAM(L"150 dpi"));
    SendMessageW(modes, CB_SELECTSTRING, WPARAM(-1), LPARAM(L"Black and white"));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 LPARAM(GetDlgItem(dialog, IDOK)));
    ASSERT_EQ(ds_->waitForNotification(), MSG_XFERREADY);

    TW_IMAGEINFO info{};
    ASSERT_EQ(ds_->call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_DOUBLE_EQ(Fix32ToDouble(info.XResolution), 150.0);
    EXPECT_EQ(info.PixelType, TWPT_BW);
    EXPECT_EQ(info.ImageWidth, 236);
    EXPECT_EQ(askCapability(*ds_, ICAP_PIXELTYPE, MSG_GETCURRENT).items.at(0), TWPT_BW);
}

TEST_F(SourceDialog, DialogMessagesAreTheSourcesEvents) {
    openAndEnable(true);
    const HWND dialog = scanDialog();
    ASSERT_NE(dialog, nullptr);
    MSG drained;
    while (PeekMessageW(&drained, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&drained);
    }

    PostMessageW(GetDlgItem(dialog, kResolutionBox), WM_KEYDOWN, VK_TAB, 0);
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    TW_EVENT event{&message, 0xeeee};
    EXPECT_EQ(ds_->call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
    EXPECT_EQ(event.TWMessage, MSG_NULL);

    PostMessageW(owner_.get(), WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    event = {&message, 0xeeee};
    EXPECT_EQ(ds_->call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    EXPECT_EQ(event.TWMessage, MSG_NULL);
}

TEST_F(SourceDialog, ADialogWithoutAnOwnerStillWorks) {
    environment_.set(L"PELLIX_VSCAN_ANSWER", L"scan");
    ds_.emplace();
    ASSERT_EQ(ds_->open(), TWRC_SUCCESS);
    ASSERT_EQ(ds_->enable(true, reinterpret_cast<HWND>(std::uintptr_t{0xdead0})), TWRC_SUCCESS);
    EXPECT_NE(scanDialog(), nullptr);
    EXPECT_EQ(ds_->waitForNotification(), MSG_XFERREADY);
}

} // namespace
} // namespace pellix::vscan::test
