// The main window's Save, Save as, close check and help command, with the
// virtual scanner's page and the real file dialog and message boxes,
// answered from inside their own modal loops.
#include "app/components/picture/bmp_reader.h"
#include "app/mainwindow/main_window.h"
#include "app/settings/settings.h"
#include "app/startup/app_state.h"
#include "tests/support/dialog_robot.h"
#include "tests/support/environment.h"
#include "tests/support/picture_support.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pellix {
namespace {

using test::DialogRobot;
using test::ScannerSettings;
using test::TempFolder;

std::optional<BmpImage> ReadBmp(const std::string& file) {
    std::string why;
    return BmpImage::Read(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), why);
}

std::vector<std::uint8_t> Bytes(const std::wstring& path) {
    const std::string text = test::ReadBytes(path);
    return {text.begin(), text.end()};
}

class MainWindowSave : public testing::Test {
protected:
    void SetUp() override {
        ScanFile.clear();
        WorkSaved = false;
        gSettings = Settings{};
        CurrentFolder = folder_.Path();
        ASSERT_TRUE(window_.Load());
        window_.Show(SW_SHOWNORMAL);
    }
    void TearDown() override {
        if (!ScanFile.empty()) {
            DeleteFileW(ScanFile.c_str());
        }
    }

    void ScanAPage(const wchar_t* pixelType = L"rgb") {
        ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"},
                                {L"PELLIX_VSCAN_PIXELTYPE", pixelType}};
        window_.Run(mnuScan);
        ASSERT_FALSE(ScanFile.empty());
    }

    // Answers the Save as dialog with `name`.
    void AnswerSaveAs(const std::wstring& name) {
        robot_.Then(test::AnswerFileDialog(window_.Handle(), name));
    }
    // Presses `button` in the next message box titled `title`, keeping
    // its text.
    void AnswerMessage(const wchar_t* title, int button, std::wstring* text = nullptr) {
        robot_.Then([=] {
            HWND box = test::FindShown(L"#32770", title);
            if (!box) {
                return false;
            }
            if (text) {
                *text = test::MessageBoxText(box);
            }
            PostMessageW(box, WM_COMMAND, button, 0);
            return true;
        });
    }

    TempFolder folder_{L"pellix save test"};
    MainWindow window_;
    DialogRobot robot_;
};

TEST_F(MainWindowSave, SaveAfterAScanAsksForANameThenWritesThereSilently) {
    ScanAPage();
    AnswerSaveAs(L"page.bmp");
    window_.RunToolbarKey(L"SAVE"); // any letter case
    EXPECT_TRUE(robot_.Done());
    const std::wstring saved = folder_.Join(L"page.bmp");
    EXPECT_TRUE(test::ReadBytes(saved) == test::ReadBytes(ScanFile)) << "the bitmap unchanged";
    EXPECT_TRUE(WorkSaved);

    // The second Save writes to the same file without a dialog.
    DeleteFileW(saved.c_str());
    WorkSaved = false;
    window_.Run(mnuOpslaan);
    EXPECT_TRUE(test::FileExists(saved));
    EXPECT_TRUE(WorkSaved);

    // A new scan forgets the name: Save asks again.
    ScanAPage();
    AnswerSaveAs(L"second.bmp");
    window_.Run(mnuOpslaan);
    EXPECT_TRUE(robot_.Done());
    EXPECT_TRUE(test::FileExists(folder_.Join(L"second.bmp")));
}

TEST_F(MainWindowSave, TheExtensionChoosesTheFormat) {
    ScanAPage();
    const std::string scan = test::ReadBytes(ScanFile);
    // A name ending in "." is stored without it: no extension, even with a
    // "." in the folder's name.
    CreateDirectoryW(folder_.Join(L"folder.d").c_str(), nullptr);
    const std::pair<const wchar_t*, const wchar_t*> names[] = {
        {L"page.jpeg", L"page.jpeg"},
        {L"page.png", L"page.png"},
        {L"folder.d\\page.", L"folder.d\\page"}};
    for (const auto& [typed, stored] : names) {
        AnswerSaveAs(folder_.Join(typed));
        window_.RunToolbarKey(L"saveas");
        ASSERT_TRUE(test::FileExists(folder_.Join(stored))) << testing::PrintToString(stored);
        EXPECT_TRUE(test::ReadBytes(folder_.Join(stored)) == scan)
            << testing::PrintToString(stored);
    }
    AnswerSaveAs(folder_.Join(L"page.JPG"));
    window_.RunToolbarKey(L"SaveAs");
    const auto jpeg = test::DecodeJpeg(Bytes(folder_.Join(L"page.JPG")));
    ASSERT_TRUE(jpeg);
    const auto bmp = ReadBmp(scan);
    ASSERT_TRUE(bmp);
    ASSERT_EQ(jpeg->width, bmp->Width());
    ASSERT_EQ(jpeg->height, bmp->Height());
    // Close to the scan: a small mean difference over the whole page.
    std::vector<std::uint8_t> row(std::size_t(bmp->Width()) * 3);
    double difference = 0;
    for (int y = 0; y < bmp->Height(); ++y) {
        bmp->RowToRgb(y, row.data());
        for (std::size_t i = 0; i < row.size(); ++i) {
            difference += std::abs(int(row[i]) - int(jpeg->pixels[y * row.size() + i]));
        }
    }
    EXPECT_LT(difference / (double(row.size()) * bmp->Height()), 6.0);
}

TEST_F(MainWindowSave, QualityOutsideItsRangeWritesAt90AndGifIsExactForGrayAndBlackAndWhite) {
    for (const int quality : {0, 150}) {
        gSettings.iJPGQuality = static_cast<std::int16_t>(quality);
        ScanAPage(L"gray");
        AnswerSaveAs(L"q.jpg");
        window_.Run(mnuOpslaanAls);
        const auto jpeg = test::DecodeJpeg(Bytes(folder_.Join(L"q.jpg")));
        ASSERT_TRUE(jpeg);
        EXPECT_EQ(jpeg->quantTables, test::ReferenceQuantTables(90, true)) << quality;
        EXPECT_EQ(gSettings.iJPGQuality, 90);
    }
    for (const wchar_t* type : {L"gray", L"bw"}) {
        ScanAPage(type);
        AnswerSaveAs(L"page.gif");
        window_.Run(mnuOpslaanAls);
        const std::string scan = test::ReadBytes(ScanFile);
        const auto bmp = ReadBmp(scan);
        const auto gif = test::DecodeGif(Bytes(folder_.Join(L"page.gif")));
        ASSERT_TRUE(bmp && gif) << testing::PrintToString(type);
        std::vector<std::uint8_t> row(std::size_t(bmp->Width()) * 3);
        for (int y = 0; y < bmp->Height(); ++y) {
            bmp->RowToRgb(y, row.data());
            for (int x = 0; x < bmp->Width(); ++x) {
                const RgbColour colour = gif->At(x, y);
                ASSERT_EQ(colour.red, row[x * 3]) << x << "," << y;
                ASSERT_EQ(colour.green, row[x * 3 + 1]);
                ASSERT_EQ(colour.blue, row[x * 3 + 2]);
            }
        }
    }
}

TEST_F(MainWindowSave, SaveAsIntoADriveRootShowsTheDriveAsTheFolder) {
    ASSERT_NE(GetFileAttributesW(L"T:\\"), INVALID_FILE_ATTRIBUTES) << "drive T: is not mapped";
    ScanAPage();
    AnswerSaveAs(L"T:\\root page.bmp");
    window_.Run(mnuOpslaanAls);
    EXPECT_TRUE(test::FileExists(L"T:\\root page.bmp"));
    DeleteFileW(L"T:\\root page.bmp");
    EXPECT_EQ(CurrentFolder, L"T:");
    wchar_t shown[MAX_PATH] = {};
    GetWindowTextW(GetDlgItem(GetDlgItem(window_.Handle(), kFolderStripId), kCurrentFolderLabelId),
                   shown, MAX_PATH);
    EXPECT_STREQ(shown, L"T:");
}

TEST_F(MainWindowSave, AFailedWriteIsReportedAndTheWorkStaysUnsaved) {
    ScanAPage();
    const std::wstring taken = folder_.Join(L"taken.bmp");
    test::WriteBytes(taken, "earlier");
    // Another program holds the file open and shares nothing.
    HANDLE lock = CreateFileW(taken.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    AnswerSaveAs(taken);
    std::wstring text;
    AnswerMessage(L"Pellix", IDOK, &text);
    window_.Run(mnuOpslaanAls);
    EXPECT_TRUE(robot_.Done());
    EXPECT_NE(text.find(L"taken.bmp"), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_FALSE(WorkSaved);
    CloseHandle(lock);
    EXPECT_TRUE(test::ReadBytes(taken) == "earlier") << "the earlier file is left as it was";
}

TEST_F(MainWindowSave, ClosingUnsavedWorkAsksAndNoKeepsTheWindow) {
    ScanAPage();
    const std::wstring scan = ScanFile;
    std::wstring text;
    AnswerMessage(L"Pellix beeindigen", IDNO, &text);
    EXPECT_FALSE(window_.Unload());
    EXPECT_TRUE(robot_.Done());
    EXPECT_EQ(text, L"You didn't save your work. Exit program?");
    EXPECT_TRUE(IsWindow(window_.Handle()));
    EXPECT_TRUE(test::FileExists(scan));

    AnswerMessage(L"Pellix beeindigen", IDYES);
    EXPECT_TRUE(window_.Unload());
    EXPECT_FALSE(test::FileExists(scan)) << "Yes deletes the temporary file";
    ScanFile.clear();
}

TEST_F(MainWindowSave, ClosingSavedWorkAsksNothing) {
    ScanAPage();
    AnswerSaveAs(L"kept.bmp");
    window_.Run(mnuOpslaanAls);
    EXPECT_TRUE(window_.Unload()) << "no question, so no one answers it";
}

TEST_F(MainWindowSave, AMissingHelpDocumentIsReported) {
    std::wstring text;
    AnswerMessage(L"Pellix", IDOK, &text);
    window_.Run(mnuContents); // the test program has no Pellix.pdf beside it
    EXPECT_TRUE(robot_.Done());
    EXPECT_EQ(text, L"Can't open the Help document");
}

} // namespace
} // namespace pellix
