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

using test::DialogRobot;
using test::TempFolder;

class OptionsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        sIniFile = folder_.Join(L"Pellix.ini");
        gSettings = Settings{};
        owner_ = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override { DestroyWindow(owner_); }

    // Steps that wait for the dialog, then the test's own.
    DialogRobot& Open() {
        robot_.Then([this] {
            dialog_ = test::FindShown(L"PellixOptionsDialog", L"Pellix - Options");
            return dialog_ != nullptr;
        });
        return robot_;
    }
    void Run() {
        ShowOptionsDialog(owner_);
        EXPECT_TRUE(robot_.Done()) << "the dialog closed before every step ran";
        EXPECT_FALSE(IsWindow(dialog_));
    }

    HWND Page(int id) const { return GetDlgItem(dialog_, id); }
    HWND Control(int page, int id) const { return GetDlgItem(Page(page), id); }
    HWND Slider() const { return Control(kQualityPageId, kQualitySliderId); }
    HWND Box(int id) const { return Control(kFilenamePageId, id); }
    bool Checked(int id) const { return SendMessageW(Box(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(HWND control) { SendMessageW(control, BM_CLICK, 0, 0); }
    bool Press(int button) {
        PostMessageW(GetDlgItem(dialog_, button), BM_CLICK, 0, 0);
        return true;
    }

    TempFolder folder_;
    HWND owner_ = nullptr;
    HWND dialog_ = nullptr;
    DialogRobot robot_;
};

TEST_F(OptionsDialogTest, OpensOnQualityWithTheDefaultsAndModalOverItsOwner) {
    Open().Then([this] {
        EXPECT_FALSE(IsWindowEnabled(owner_));
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog_, kOptionsTabId), TCM_GETCURSEL, 0, 0), 0);
        EXPECT_TRUE(IsWindowVisible(Page(kQualityPageId)));
        EXPECT_FALSE(IsWindowVisible(Page(kFilenamePageId)));
        EXPECT_EQ(SendMessageW(Slider(), TBM_GETPOS, 0, 0), 90);
        EXPECT_EQ(SendMessageW(Slider(), TBM_GETRANGEMIN, 0, 0), 1);
        EXPECT_EQ(SendMessageW(Slider(), TBM_GETRANGEMAX, 0, 0), 99);
        EXPECT_FALSE(Checked(kAskForFilenameId));
        EXPECT_FALSE(Checked(kFilenameDateId));
        EXPECT_FALSE(Checked(kFilenameFolderId));
        EXPECT_FALSE(IsWindowEnabled(Box(kFilenameDateId)));
        EXPECT_FALSE(IsWindowEnabled(Box(kFilenameFolderId)));
        EXPECT_TRUE(IsWindowEnabled(Box(kSuggestLabelId)));
        return Press(IDCANCEL);
    });
    Run();
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_FALSE(test::FileExists(sIniFile));
}

TEST_F(OptionsDialogTest, ClickingTheSecondTabShowsItsPageAndTheNextOpeningStartsOnTheFirst) {
    Open().Then([this] {
        HWND tab = GetDlgItem(dialog_, kOptionsTabId);
        RECT item{};
        SendMessageW(tab, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(tab, WM_LBUTTONUP, 0, at);
        EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
        EXPECT_TRUE(IsWindowVisible(Page(kFilenamePageId)));
        EXPECT_FALSE(IsWindowVisible(Page(kQualityPageId)));
        return Press(IDOK);
    });
    Run();
    Open().Then([this] {
        EXPECT_EQ(SendMessageW(GetDlgItem(dialog_, kOptionsTabId), TCM_GETCURSEL, 0, 0), 0);
        return Press(IDCANCEL);
    });
    Run();
}

TEST_F(OptionsDialogTest, SuggestionBoxesFollowTheAskBoxAndKeepTheirMarks) {
    gSettings.bAskForFilename = true;
    gSettings.bFilenameUseDate = true;
    Open().Then([this] {
        EXPECT_TRUE(Checked(kAskForFilenameId));
        EXPECT_TRUE(IsWindowEnabled(Box(kFilenameDateId)));
        EXPECT_TRUE(Checked(kFilenameDateId));
        Click(Box(kFilenameFolderId));
        Click(Box(kAskForFilenameId));
        EXPECT_FALSE(IsWindowEnabled(Box(kFilenameDateId)));
        EXPECT_FALSE(IsWindowEnabled(Box(kFilenameFolderId)));
        EXPECT_TRUE(Checked(kFilenameDateId));
        EXPECT_TRUE(Checked(kFilenameFolderId));
        return Press(IDOK);
    });
    Run();
    EXPECT_FALSE(gSettings.bAskForFilename);
    EXPECT_TRUE(gSettings.bFilenameUseDate);
    EXPECT_TRUE(gSettings.bFilenameUseFolder);
    const std::string file = test::ReadBytes(sIniFile);
    EXPECT_NE(file.find("AskForFilename=False"), std::string::npos) << file;
    EXPECT_NE(file.find("FilenameUseDate=True"), std::string::npos) << file;
    EXPECT_NE(file.find("FilenameUseFolder=True"), std::string::npos) << file;
}

TEST_F(OptionsDialogTest, CancelAndTheCloseButtonDiscardEveryChange) {
    for (const bool viaFrame : {false, true}) {
        Open().Then([this, viaFrame] {
            SendMessageW(Slider(), TBM_SETPOS, TRUE, 40);
            Click(Box(kAskForFilenameId));
            if (viaFrame) {
                PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
                return true;
            }
            return Press(IDCANCEL);
        });
        Run();
        EXPECT_EQ(gSettings.iJPGQuality, 90);
        EXPECT_FALSE(gSettings.bAskForFilename);
        EXPECT_FALSE(test::FileExists(sIniFile));
    }
}

TEST_F(OptionsDialogTest, DraggingTheSliderShowsItsValueInTheTipAndOkStoresIt) {
    Open().Then([this] {
        HWND slider = Slider();
        RECT thumb{}, channel{};
        SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        SendMessageW(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
        const int y = (thumb.top + thumb.bottom) / 2;
        SendMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELPARAM((thumb.left + thumb.right) / 2, y));
        for (int x = channel.left; x < channel.right; ++x) {
            SendMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
            if (SendMessageW(slider, TBM_GETPOS, 0, 0) == 75) {
                break;
            }
        }
        EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 75);
        HWND tip = reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0));
        wchar_t text[80] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.lpszText = text;
        SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(text, L"75");
        SendMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(channel.right, y));
        // Nor can the slider be set past its ends.
        SendMessageW(slider, TBM_SETPOS, TRUE, 150);
        EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 99);
        SendMessageW(slider, TBM_SETPOS, TRUE, 75);
        return Press(IDOK);
    });
    Run();
    EXPECT_EQ(gSettings.iJPGQuality, 75);
    EXPECT_NE(test::ReadBytes(sIniFile).find("JPGQuality=75"), std::string::npos);
}

TEST_F(OptionsDialogTest, AQualityOutsideTheRangeShowsTheNearerEnd) {
    for (const auto& [stored, shown] : {std::pair{150, 99}, std::pair{0, 1}, std::pair{-3, 1}}) {
        gSettings.iJPGQuality = static_cast<std::int16_t>(stored);
        Open().Then([this, shown = shown] {
            EXPECT_EQ(SendMessageW(Slider(), TBM_GETPOS, 0, 0), shown);
            return Press(IDCANCEL);
        });
        Run();
        EXPECT_EQ(gSettings.iJPGQuality, stored) << "Cancel keeps even an odd value";
    }
}

TEST_F(OptionsDialogTest, ASaveThatFailsIsReportedAndTheChoicesHoldForTheRun) {
    sIniFile = folder_.Join(L"missing\\Pellix.ini");
    Open()
        .Then([this] {
            SendMessageW(Slider(), TBM_SETPOS, TRUE, 33);
            return Press(IDOK);
        })
        .Then([] {
            HWND box = test::FindShown(L"#32770", L"Pellix");
            if (!box) {
                return false;
            }
            const std::wstring text = test::MessageBoxText(box);
            EXPECT_NE(text.find(L"could not be saved to " + sIniFile), std::wstring::npos)
                << testing::PrintToString(text);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
    Run();
    EXPECT_EQ(gSettings.iJPGQuality, 33);
    EXPECT_FALSE(test::FileExists(sIniFile));
}

} // namespace
} // namespace pellix
