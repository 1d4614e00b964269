// The main window in this process: its minimum size, its commands that need
// no scanner, and how the viewport scrolls and paints pages of every size.
#include "app/mainwindow/main_window.h"
#include "tests/support/dialog_robot.h"
#include "tests/support/picture_support.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace pellix {
namespace {

// Every pixel tells where it lies: blue and green the low bits of x and y,
// red their high bits.
std::uint32_t PatternAt(std::int32_t x, std::int32_t y) {
    return (std::uint32_t((x >> 8) | ((y >> 8) << 4)) & 0xff) << 16 | (y & 0xff) << 8 | (x & 0xff);
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window_.Load());
        window_.Show(SW_SHOWNORMAL);
    }
    // A 24-bit bitmap file with the pattern, shown in the view.
    bool ShowPage(int width, int height) {
        const std::wstring page = folder_.Join(std::to_wstring(width) + L".bmp");
        test::BmpLayout layout;
        layout.width = width;
        layout.height = height;
        const std::vector<std::uint8_t> bytes = test::BuildBmp(layout, PatternAt);
        test::WriteBytes(page, {bytes.begin(), bytes.end()});
        return window_.View().ShowPicture(page);
    }
    MainWindow window_;
    test::TempFolder folder_;
    test::DialogRobot robot_;
};

TEST_F(MainWindowTest, KeepsItsMinimumSizeAndReportsAMissingHelpDocument) {
    SetWindowPos(window_.Handle(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(window_.Handle(), &r);
    EXPECT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(291L, 298L));

    robot_.Then([] {
        HWND box = test::FindShown(L"#32770", L"Pellix");
        if (box) {
            EXPECT_EQ(test::MessageBoxText(box), L"Can't open the Help document");
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        return box != nullptr;
    });
    window_.Run(mnuContents); // the test program has no Pellix.pdf beside it
    EXPECT_TRUE(robot_.Done());
}

// Pages of every size: the whole page can be reached, far beyond 32767
// twips, a small one is pushed right and down, and every step shows the
// part it scrolls to.
TEST_F(MainWindowTest, TheViewShowsThePartOfThePageEveryStepScrollsTo) {
    PageView& view = window_.View();
    test::WriteBytes(folder_.Join(L"empty.bmp"), "");
    EXPECT_FALSE(view.ShowPicture(folder_.Join(L"empty.bmp")));
    EXPECT_FALSE(view.PictureVisible());
    ASSERT_TRUE(ShowPage(1500, 2500));
    HWND holder = GetDlgItem(window_.Handle(), kViewId);
    const auto check = [&](const char* after) {
        UpdateWindow(holder);
        const int left = TwipsToPixels(view.HorizontalValue(), 96);
        const int top = TwipsToPixels(view.VerticalValue(), 96);
        HDC dc = GetDC(holder);
        for (const POINT at : {POINT{2, 2}, POINT{150, 90}, POINT{300, 200}, POINT{40, 230}}) {
            const std::uint32_t rgb = PatternAt(left + at.x, top + at.y);
            EXPECT_EQ(GetPixel(dc, at.x, at.y) & 0xffffff,
                      RGB(rgb >> 16, rgb >> 8 & 0xff, rgb & 0xff))
                << after << " at " << at.x << "," << at.y;
        }
        ReleaseDC(holder, dc);
    };
    check("showing");
    const std::pair<UINT, int> steps[] = {{WM_VSCROLL, SB_LINEDOWN}, {WM_VSCROLL, SB_LINEDOWN},
                                          {WM_HSCROLL, SB_LINEDOWN}, {WM_VSCROLL, SB_PAGEDOWN},
                                          {WM_HSCROLL, SB_PAGEDOWN}, {WM_VSCROLL, SB_LINEUP},
                                          {WM_HSCROLL, SB_LINEUP},   {WM_VSCROLL, SB_BOTTOM},
                                          {WM_VSCROLL, SB_LINEUP},   {WM_VSCROLL, SB_BOTTOM}};
    for (const auto& [message, code] : steps) {
        SendMessageW(holder, message, code, 0);
        check(message == WM_VSCROLL ? "a vertical step" : "a horizontal step");
    }
    EXPECT_EQ(view.VerticalValue(), view.Maxima().vertical);
    EXPECT_GT(view.VerticalValue(), 32767);

    ASSERT_TRUE(ShowPage(10, 10));
    EXPECT_LT(view.Maxima().vertical, 0);
    EXPECT_LE(view.VerticalValue(), 0) << "pulled back";
    EXPECT_GE(view.VerticalValue(), view.Maxima().vertical);
    SendMessageW(holder, WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_LE(view.HorizontalValue(), 0);
    EXPECT_GE(view.HorizontalValue(), view.Maxima().horizontal);
}

} // namespace
} // namespace pellix
