// The Options dialog in this process, driven from inside its modal loop.
#include "app/settings/options_dialog.h"
#include "app/settings/settings.h"
#include "tests/support/dialog_robot.h"
#include "tests/support/temp_folder.h"

#include <commctrl.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace pellix {
namespace {

class OptionsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        sIniFile = folder_.Join(L"Pellix.ini");
        gSettings = Settings{};
        owner_ = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override { DestroyWindow(owner_); }

    // Opens the dialog, runs `step` in it once it shows and then the
    // robot's further steps, and returns when the dialog has closed.
    void Run(std::function<bool()> step, std::function<bool()> then = nullptr) {
        robot_.Then([this] {
            dialog_ = test::FindShown(L"PellixOptionsDialog", L"Pellix - Options");
            return dialog_ != nullptr;
        });
        robot_.Then(std::move(step));
        if (then) {
            robot_.Then(std::move(then));
        }
        ShowOptionsDialog(owner_);
        EXPECT_TRUE(robot_.Done()) << "the dialog closed before every step ran";
        EXPECT_FALSE(IsWindow(dialog_));
        EXPECT_TRUE(IsWindowEnabled(owner_));
    }

    HWND Page(int id) const { return GetDlgItem(dialog_, id); }
    HWND Slider() const { return GetDlgItem(Page(kQualityPageId), kQualitySliderId); }
    HWND Box(int id) const { return GetDlgItem(Page(kFilenamePageId), id); }
    bool Checked(int id) const { return SendMessageW(Box(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(int id) { SendMessageW(Box(id), BM_CLICK, 0, 0); }
    LRESULT Tab(UINT message, WPARAM w = 0, LPARAM l = 0) {
        return SendMessageW(GetDlgItem(dialog_, kOptionsTabId), message, w, l);
    }
    bool Press(int button) { return PostMessageW(GetDlgItem(dialog_, button), BM_CLICK, 0, 0); }

    test::TempFolder folder_;
    HWND owner_ = nullptr;
    HWND dialog_ = nullptr;
    test::DialogRobot robot_;
};

TEST_F(OptionsDialogTest, OpensModallyOnQualityWithTheSettingsAndOkStoresEveryChoice) {
    gSettings.bAskForFilename = true;
    gSettings.bFilenameUseDate = true;
    Run([this] {
        EXPECT_FALSE(IsWindowEnabled(owner_)) << "a modal dialog";
        EXPECT_EQ(Tab(TCM_GETCURSEL), 0);
        EXPECT_TRUE(IsWindowVisible(Page(kQualityPageId)));
        EXPECT_FALSE(IsWindowVisible(Page(kFilenamePageId)));
        RECT item{};
        Tab(TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        Tab(WM_LBUTTONDOWN, MK_LBUTTON, at);
        Tab(WM_LBUTTONUP, 0, at);
        EXPECT_EQ(Tab(TCM_GETCURSEL), 1);
        EXPECT_TRUE(IsWindowVisible(Page(kFilenamePageId)));
        EXPECT_FALSE(IsWindowVisible(Page(kQualityPageId)));
        EXPECT_EQ(SendMessageW(Slider(), TBM_GETPOS, 0, 0), 90);
        EXPECT_TRUE(Checked(kAskForFilenameId));
        EXPECT_TRUE(Checked(kFilenameDateId));
        EXPECT_FALSE(Checked(kFilenameFolderId));
        EXPECT_TRUE(IsWindowEnabled(Box(kFilenameFolderId)));
        Click(kAskForFilenameId);
        EXPECT_FALSE(IsWindowEnabled(Box(kFilenameDateId)));
        EXPECT_FALSE(IsWindowEnabled(Box(kFilenameFolderId)));
        EXPECT_TRUE(Checked(kFilenameDateId));
        SendMessageW(Slider(), TBM_SETPOS, TRUE, 75);
        return Press(IDOK);
    });
    EXPECT_EQ(std::tuple(gSettings.iJPGQuality, gSettings.bAskForFilename,
                         gSettings.bFilenameUseDate, gSettings.bFilenameUseFolder),
              std::tuple(75, false, true, false));
    EXPECT_NE(
        test::ReadBytes(sIniFile).find("[Quality]\r\nJPGQuality=75\r\nAskForFilename=False\r\n"
                                       "FilenameUseDate=True\r\nFilenameUseFolder=False"),
        std::string::npos);
}

// A quality outside the slider's range (a hand-edited file) shows the nearer
// end; Cancel and the close button keep even such a value.
TEST_F(OptionsDialogTest, CancelAndTheCloseButtonDiscardEveryChange) {
    for (const auto& [stored, shown, viaFrame] :
         {std::tuple{150, 99, false}, std::tuple{0, 1, true}, std::tuple{-3, 1, false}}) {
        gSettings.iJPGQuality = static_cast<std::int16_t>(stored);
        Run([this, shown = shown, viaFrame = viaFrame] {
            EXPECT_EQ(SendMessageW(Slider(), TBM_GETPOS, 0, 0), shown);
            SendMessageW(Slider(), TBM_SETPOS, TRUE, 40);
            Click(kAskForFilenameId);
            PostMessageW(viaFrame ? dialog_ : GetDlgItem(dialog_, IDCANCEL),
                         viaFrame ? WM_SYSCOMMAND : BM_CLICK, viaFrame ? SC_CLOSE : 0, 0);
            return true;
        });
        EXPECT_EQ(gSettings.iJPGQuality, stored);
        EXPECT_FALSE(gSettings.bAskForFilename);
        EXPECT_FALSE(test::FileExists(sIniFile));
    }
}

TEST_F(OptionsDialogTest, ASaveThatFailsIsReportedAndTheChoicesHoldForTheRun) {
    sIniFile = folder_.Join(L"missing\\Pellix.ini");
    Run(
        [this] {
            SendMessageW(Slider(), TBM_SETPOS, TRUE, 33);
            return Press(IDOK);
        },
        [] {
            HWND box = test::FindShown(L"#32770", L"Pellix");
            if (!box) {
                return false;
            }
            EXPECT_EQ(test::MessageBoxText(box), L"The settings could not be saved to " + sIniFile +
                                                     L".\n\nThey hold until Pellix is closed.");
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
    EXPECT_EQ(gSettings.iJPGQuality, 33);
    EXPECT_FALSE(test::FileExists(sIniFile));
}

} // namespace
} // namespace pellix
