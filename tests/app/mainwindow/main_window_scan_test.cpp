// The main window's Scan, Save, Save as and close check with the virtual
// scanner's page and the real file dialog and message boxes, answered from
// inside their own modal loops.
#include "app/mainwindow/main_window.h"
#include "app/settings/settings.h"
#include "app/startup/app_state.h"
#include "tests/support/dialog_robot.h"
#include "tests/support/environment.h"
#include "tests/support/picture_support.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <optional>

namespace pellix {
namespace {

// Presses `button` in the next message box titled `title`, keeping its text.
std::function<bool()> Answer(const wchar_t* title, int button, std::wstring* text) {
    return [=] {
        HWND box = test::FindShown(L"#32770", title);
        if (box) {
            *text = test::MessageBoxText(box);
            PostMessageW(box, WM_COMMAND, button, 0);
        }
        return box != nullptr;
    };
}

class MainWindowScan : public testing::Test {
protected:
    void SetUp() override {
        ScanFile.clear();
        WorkSaved = false;
        gSettings = Settings{};
        CurrentFolder = folder_.Path();
        ASSERT_TRUE(window_.Load());
        window_.Show(SW_SHOWNORMAL);
    }
    void TearDown() override { DeleteFileW(ScanFile.c_str()); }

    void ScanAPage(const wchar_t* answer = L"scan", const wchar_t* transfer = L"native") {
        test::ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", answer},
                                      {L"PELLIX_VSCAN_XFER", transfer},
                                      {L"PELLIX_VSCAN_PIXELTYPE", L"gray"}};
        window_.Run(mnuScan);
    }
    // Runs `command`, answering its Save as dialog with `name`, then `then`.
    void SaveAs(const std::wstring& name, int command = mnuOpslaanAls,
                std::function<bool()> then = nullptr) {
        robot_.emplace().Then(test::AnswerFileDialog(window_.Handle(), name));
        if (then) {
            robot_->Then(std::move(then));
        }
        window_.Run(command);
        EXPECT_TRUE(robot_->Done());
    }

    test::TempFolder folder_{L"pellix save test"};
    MainWindow window_;
    // A fresh one for each exchange, so that its time limit counts from there.
    std::optional<test::DialogRobot> robot_;
    std::wstring text_; // of the last message box answered
};

TEST_F(MainWindowScan, SaveAsksForANameOnceAfterEachScanAndThenClosingAsksNothing) {
    ScanAPage();
    ASSERT_FALSE(ScanFile.empty());
    EXPECT_TRUE(window_.View().PictureVisible());
    const std::wstring first = ScanFile, saved = folder_.Join(L"page.bmp");
    SaveAs(L"page.bmp", mnuOpslaan);
    EXPECT_TRUE(test::ReadBytes(saved) == test::ReadBytes(ScanFile));
    EXPECT_TRUE(WorkSaved);
    // The second Save writes to the same file without a dialog.
    DeleteFileW(saved.c_str());
    WorkSaved = false;
    window_.RunToolbarKey(L"SAVE"); // any letter case
    EXPECT_TRUE(test::FileExists(saved));
    EXPECT_TRUE(WorkSaved);

    // A new scan replaces the temporary file and forgets the name.
    ScanAPage();
    EXPECT_FALSE(test::FileExists(first)) << "the earlier scan's temporary file is deleted";
    EXPECT_FALSE(WorkSaved);
    SaveAs(L"second.bmp", mnuOpslaan);
    EXPECT_TRUE(test::FileExists(folder_.Join(L"second.bmp")));
    robot_.emplace().Then(Answer(L"Pellix beeindigen", IDNO, &text_));
    EXPECT_TRUE(window_.Unload());
    EXPECT_FALSE(robot_->Done()) << "saved work is closed without a question";
}

TEST_F(MainWindowScan, TheExtensionInAnyCaseChoosesTheFormatAndTheFolderFollows) {
    ScanAPage();
    const std::string scan = test::ReadBytes(ScanFile);
    ASSERT_NE(GetFileAttributesW(L"T:\\"), INVALID_FILE_ATTRIBUTES) << "drive T: is not mapped";
    const std::wstring here = folder_.Path(), sub = folder_.Join(L"folder.d");
    CreateDirectoryW(sub.c_str(), nullptr);
    struct Row {
        std::wstring typed, stored, folder;
        char kind; // b: the bitmap as it came, j: JPEG, g: GIF
        std::int16_t quality = 90;
    };
    // A name ending in "." is stored without it: no extension, even with a
    // "." in the folder's name. A quality outside 1..100 writes at 90.
    for (const Row& row : {
             Row{here + L"\\page.jpeg", here + L"\\page.jpeg", here, 'b'},
             Row{sub + L"\\page.", sub + L"\\page", sub, 'b'},
             Row{here + L"\\page.JPG", here + L"\\page.JPG", here, 'j', 0},
             Row{here + L"\\page.jpg", here + L"\\page.jpg", here, 'j', 150},
             Row{here + L"\\page.Gif", here + L"\\page.Gif", here, 'g'},
             Row{L"T:\\root page.png", L"T:\\root page.png", L"T:", 'b'},
         }) {
        SCOPED_TRACE(testing::PrintToString(row.typed));
        gSettings.iJPGQuality = row.quality;
        WorkSaved = false;
        SaveAs(row.typed);
        EXPECT_TRUE(WorkSaved);
        const std::string bytes = test::ReadBytes(row.stored);
        DeleteFileW(row.stored.c_str());
        if (row.kind == 'j') {
            const auto jpeg = test::DecodeJpeg({bytes.begin(), bytes.end()});
            ASSERT_TRUE(jpeg);
            EXPECT_EQ(jpeg->quantTables, test::ReferenceQuantTables(90, true));
            EXPECT_EQ(gSettings.iJPGQuality, 90);
        } else {
            EXPECT_TRUE(row.kind == 'g' ? test::DecodeGif({bytes.begin(), bytes.end()}).has_value()
                                        : bytes == scan);
        }
        wchar_t shown[MAX_PATH] = {};
        GetDlgItemTextW(GetDlgItem(window_.Handle(), kFolderStripId), kCurrentFolderLabelId, shown,
                        MAX_PATH);
        EXPECT_EQ(std::pair(CurrentFolder, std::wstring(shown)), std::pair(row.folder, row.folder));
    }
}

TEST_F(MainWindowScan, AFailedWriteIsReportedAndKeepsTheEarlierFileAndTheWorkUnsaved) {
    ScanAPage();
    const std::wstring taken = folder_.Join(L"taken.bmp"), scan = ScanFile;
    test::WriteBytes(taken, "earlier");
    // Another program holds the file open and shares nothing.
    HANDLE lock = CreateFileW(taken.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    SaveAs(taken, mnuOpslaanAls, Answer(L"Pellix", IDOK, &text_));
    CloseHandle(lock);
    EXPECT_NE(text_.find(L"The scan could not be saved as\r\n" + taken), std::wstring::npos)
        << testing::PrintToString(text_);
    EXPECT_FALSE(WorkSaved);
    EXPECT_TRUE(test::ReadBytes(taken) == "earlier");

    // Closing unsaved work asks: No keeps the window, Yes deletes the scan.
    robot_.emplace().Then(Answer(L"Pellix beeindigen", IDNO, &text_));
    EXPECT_FALSE(window_.Unload());
    EXPECT_EQ(text_, L"You didn't save your work. Exit program?");
    EXPECT_TRUE(IsWindow(window_.Handle()));
    EXPECT_TRUE(test::FileExists(scan));
    robot_.emplace().Then(Answer(L"Pellix beeindigen", IDYES, &text_));
    EXPECT_TRUE(window_.Unload());
    EXPECT_FALSE(test::FileExists(scan));
}

// Cancelled in the source's dialog, or the scanner failing at the start of
// a whole-page transfer or after the first strip of a transfer in strips.
TEST_F(MainWindowScan, ACancelledOrFailedScanLeavesNothingToSaveOrAskAbout) {
    for (const auto& [answer, transfer] :
         {std::pair{L"cancel", L"native"}, std::pair{L"fail", L"native"},
          std::pair{L"fail", L"memory"}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(answer) + L" " + transfer));
        ScanAPage();
        const std::wstring earlier = ScanFile;
        ScanAPage(answer, transfer);
        EXPECT_TRUE(ScanFile.empty());
        EXPECT_FALSE(window_.View().PictureVisible());
        EXPECT_FALSE(test::FileExists(earlier));
        // Nothing to save: Save and Save as do nothing.
        window_.Run(mnuOpslaan);
        window_.Run(mnuOpslaanAls);
    }
    EXPECT_TRUE(window_.Unload()) << "nothing to ask about";
}

} // namespace
} // namespace pellix
