// The virtual scanner's own dialog (ShowUI TRUE) and its automatic answers.
#include "tests/devices/virtual-scanner/source_harness.h"

#include <memory>

namespace pellix::vscan::test {
namespace {

using namespace twain;

constexpr int kResolutionBox = 1001;
constexpr int kColourModeBox = 1002;

BOOL CALLBACK CheckScanDialog(HWND hwnd, LPARAM found) {
    wchar_t className[32] = {}, title[64] = {};
    GetClassNameW(hwnd, className, 32);
    GetWindowTextW(hwnd, title, 64);
    if (std::wstring(className) == L"#32770" && std::wstring(title) == L"Pellix Virtual Scanner") {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindScanDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), CheckScanDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

class SourceDialog : public SourceTest {
protected:
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> owner_{
        CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr),
        &DestroyWindow};

    void SetUp() override {
        SourceTest::SetUp();
        environment_.Set(L"PELLIX_VSCAN_DPI", L"100");
    }
    void OpenAndEnable(bool showUI, HWND parent) {
        Open();
        ASSERT_EQ(ds_->Enable(showUI, parent), TWRC_SUCCESS);
    }
};

TEST_F(SourceDialog, AutomaticAnswersWithAndWithoutTheDialog) {
    struct Case {
        const wchar_t* answer;
        bool showUI;
        bool ownerExists;
        TW_UINT16 notification;
    };
    const Case cases[] = {
        {L"scan", true, true, MSG_XFERREADY},
        {L"scan", true, false, MSG_XFERREADY}, // a parent that is no window
        {L"cancel", true, true, MSG_CLOSEDSREQ},
        {L"cancel", false, true, MSG_CLOSEDSREQ},
    };
    environment_.Set(L"PELLIX_VSCAN_DELAY_MS", L"20");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.answer, c.answer + wcslen(c.answer))
                                        << (c.showUI ? " with dialog" : " without dialog")
                                        << (c.ownerExists ? "" : ", no owner"));
        environment_.Set(L"PELLIX_VSCAN_ANSWER", c.answer);
        const HWND owner = c.ownerExists ? owner_.get() : reinterpret_cast<HWND>(0xdead0);
        OpenAndEnable(c.showUI, owner);
        const HWND dialog = FindScanDialog();
        ASSERT_EQ(dialog != nullptr, c.showUI);
        if (dialog) {
            EXPECT_TRUE(IsWindowVisible(dialog));
            if (c.ownerExists) {
                EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
            }
        }
        EXPECT_TRUE(FakeManager::Notifications().empty()) << "nothing before the answer";
        ASSERT_EQ(ds_->WaitForNotification(), c.notification);
        const bool scanned = c.notification == MSG_XFERREADY;
        if (dialog && scanned) {
            EXPECT_FALSE(IsWindowVisible(dialog)) << "the dialog goes once Scan is pressed";
        }
        EXPECT_EQ(Pending(), scanned ? 1 : 0);
        if (scanned) {
            EXPECT_EQ(Pending(MSG_RESET), 0);
        }
        ASSERT_EQ(Disable(), TWRC_SUCCESS);
        EXPECT_EQ(FindScanDialog(), nullptr);
    }
}

TEST_F(SourceDialog, TheUsersChoiceDecidesThePage) {
    OpenAndEnable(true, owner_.get());
    const HWND dialog = FindScanDialog();
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
    ASSERT_EQ(ds_->WaitForNotification(), MSG_XFERREADY);
    TW_IMAGEINFO info{};
    ASSERT_EQ(ds_->Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_DOUBLE_EQ(Fix32ToDouble(info.XResolution), 150.0);
    EXPECT_EQ(info.PixelType, TWPT_BW);
    EXPECT_EQ(info.ImageWidth, 236);
    EXPECT_EQ(Current(ICAP_PIXELTYPE), TWPT_BW);
}

TEST_F(SourceDialog, DialogMessagesAreTheSourcesEvents) {
    OpenAndEnable(true, owner_.get());
    const HWND dialog = FindScanDialog();
    ASSERT_NE(dialog, nullptr);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    for (const HWND target : {GetDlgItem(dialog, kResolutionBox), owner_.get()}) {
        const bool dialogs = target != owner_.get();
        SCOPED_TRACE(dialogs ? "the dialog's" : "the application's");
        PostMessageW(target, WM_KEYDOWN, VK_TAB, 0);
        ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
        TW_EVENT event{&message, 0xeeee};
        EXPECT_EQ(ds_->Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event),
                  dialogs ? TWRC_DSEVENT : TWRC_NOTDSEVENT);
        EXPECT_EQ(event.TWMessage, MSG_NULL);
    }
}

} // namespace
} // namespace pellix::vscan::test
