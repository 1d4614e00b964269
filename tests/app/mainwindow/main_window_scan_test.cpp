// The main window's Scan command with the virtual scanner.
#include "app/mainwindow/main_window.h"
#include "app/startup/app_state.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace pellix {
namespace {

using test::ScannerSettings;

class MainWindowScan : public testing::Test {
protected:
    void SetUp() override {
        ScanFile.clear();
        WorkSaved = false;
        ASSERT_TRUE(window_.Load());
        window_.Show(SW_SHOWNORMAL);
    }
    void TearDown() override {
        if (!ScanFile.empty()) {
            DeleteFileW(ScanFile.c_str());
        }
    }
    MainWindow window_;
};

TEST_F(MainWindowScan, AScanIsShownAndASecondScanReplacesItsFile) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    window_.Run(mnuScan);
    ASSERT_FALSE(ScanFile.empty());
    EXPECT_TRUE(window_.View().PictureVisible());
    EXPECT_FALSE(WorkSaved);
    const std::wstring first = ScanFile;

    window_.Run(mnuScan);
    EXPECT_NE(ScanFile, first);
    EXPECT_FALSE(test::FileExists(first)) << "the earlier scan's temporary file is deleted";
    EXPECT_TRUE(window_.View().PictureVisible());
}

// Cancelled in the source's dialog, or the scanner failing at the start of
// a whole-page transfer or after the first strip of a transfer in strips.
TEST_F(MainWindowScan, ACancelledOrFailedScanLeavesNothingToSaveOrAskAbout) {
    struct Row {
        const wchar_t* answer;
        const wchar_t* transfer;
    };
    for (const Row& row :
         {Row{L"cancel", L"native"}, Row{L"fail", L"native"}, Row{L"fail", L"memory"}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.answer) + L" " + row.transfer));
        {
            ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
            window_.Run(mnuScan);
        }
        const std::wstring earlier = ScanFile;
        ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", row.answer},
                                {L"PELLIX_VSCAN_XFER", row.transfer}};
        window_.Run(mnuScan);
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
