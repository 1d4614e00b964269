// The main window in this process: its minimum size and how the viewport
// scrolls pictures of every size.
#include "app/mainwindow/main_window.h"
#include "app/startup/app_state.h"
#include "tests/support/dialog_robot.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace pellix {
namespace {

using test::TempFolder;

int WindowDpi(HWND window) {
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi;
}

// A 24-bit bitmap file of the given size in pixels, white.
void WriteBmp(const std::wstring& path, int width, int height) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string bytes(54 + static_cast<size_t>(stride) * height, '\xff');
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>(v >> (8 * i));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    put32(26, 1 | (24 << 16));
    put32(30, 0);
    put32(34, static_cast<std::uint32_t>(stride * height));
    put32(38, 0);
    put32(42, 0);
    put32(46, 0);
    put32(50, 0);
    test::WriteBytes(path, bytes);
}

// A 24-bit bitmap file whose every pixel tells where it lies: blue and
// green the low bits of x and y, red their high bits.
std::uint32_t PatternAt(int x, int y) {
    const int red = ((x >> 8) | ((y >> 8) << 4)) & 0xff;
    return RGB(red, y & 0xff, x & 0xff);
}

void WritePatternBmp(const std::wstring& path, int width, int height) {
    WriteBmp(path, width, height);
    std::string bytes = test::ReadBytes(path);
    const int stride = (width * 3 + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = PatternAt(x, y);
            const size_t at = 54 + static_cast<size_t>(height - 1 - y) * stride + x * 3;
            bytes[at] = static_cast<char>(GetBValue(c));
            bytes[at + 1] = static_cast<char>(GetGValue(c));
            bytes[at + 2] = static_cast<char>(GetRValue(c));
        }
    }
    test::WriteBytes(path, bytes);
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        CurrentFolder = L"C:\\Scans";
        ASSERT_TRUE(window_.Load());
        window_.Show(SW_SHOWNORMAL);
    }
    MainWindow window_;
    TempFolder folder_;
};

TEST_F(MainWindowTest, CannotBeMadeSmallerThanItsMinimum) {
    const int dpi = WindowDpi(window_.Handle());
    SetWindowPos(window_.Handle(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(window_.Handle(), &r);
    EXPECT_EQ(r.right - r.left, TwipsToPixels(kMinimumWidth, dpi));
    EXPECT_EQ(r.bottom - r.top, TwipsToPixels(kMinimumHeight, dpi));
}

TEST_F(MainWindowTest, ShowsTheCurrentFolder) {
    wchar_t text[256] = {};
    GetDlgItemTextW(GetDlgItem(window_.Handle(), kFolderStripId), kCurrentFolderLabelId, text, 256);
    EXPECT_STREQ(text, L"C:\\Scans");
}

TEST_F(MainWindowTest, ScrollRangesFitEveryPictureAndValuesArePulledBack) {
    PageView& view = window_.View();

    // Before the first scan the hidden picture's design size sets the ranges.
    EXPECT_FALSE(view.PictureVisible());

    // A page far larger than the viewport (a 600 dpi A4 is 7016 rows): the
    // whole page can be reached, well beyond 32767 twips.
    const std::wstring large = folder_.Join(L"large.bmp");
    WriteBmp(large, 300, 7016);
    ASSERT_TRUE(view.ShowPicture(large));
    EXPECT_TRUE(view.PictureVisible());
    const ScrollMaxima big = view.Maxima();
    EXPECT_GT(big.vertical, 32767);
    SendMessageW(GetDlgItem(window_.Handle(), kViewId), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(view.VerticalValue(), big.vertical);

    // A small picture: negative maxima, and the old value is pulled back.
    const std::wstring small = folder_.Join(L"small.bmp");
    WriteBmp(small, 10, 10);
    ASSERT_TRUE(view.ShowPicture(small));
    EXPECT_LT(view.Maxima().vertical, 0);
    EXPECT_LE(view.VerticalValue(), 0);
    EXPECT_GE(view.VerticalValue(), view.Maxima().vertical);

    // Arrow clicks move by the small step and stay in range.
    SendMessageW(GetDlgItem(window_.Handle(), kViewId), WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_LE(view.HorizontalValue(), 0);
    EXPECT_GE(view.HorizontalValue(), view.Maxima().horizontal);
}

TEST_F(MainWindowTest, TheViewShowsThePartOfThePageEveryStepScrollsTo) {
    const std::wstring page = folder_.Join(L"pattern.bmp");
    WritePatternBmp(page, 1500, 2500);
    PageView& view = window_.View();
    ASSERT_TRUE(view.ShowPicture(page));
    HWND holder = GetDlgItem(window_.Handle(), kViewId);
    UpdateWindow(holder);
    const int dpi = WindowDpi(holder);
    const auto check = [&](const char* after) {
        UpdateWindow(holder);
        const int left = TwipsToPixels(view.HorizontalValue(), dpi);
        const int top = TwipsToPixels(view.VerticalValue(), dpi);
        HDC dc = GetDC(holder);
        for (const POINT at : {POINT{2, 2}, POINT{150, 90}, POINT{300, 200}, POINT{40, 230}}) {
            EXPECT_EQ(GetPixel(dc, at.x, at.y) & 0xffffff, PatternAt(left + at.x, top + at.y))
                << after << " at " << at.x << "," << at.y;
        }
        ReleaseDC(holder, dc);
    };
    check("showing");
    const std::pair<UINT, int> steps[] = {
        {WM_VSCROLL, SB_LINEDOWN}, {WM_VSCROLL, SB_LINEDOWN}, {WM_HSCROLL, SB_LINEDOWN},
        {WM_VSCROLL, SB_PAGEDOWN}, {WM_HSCROLL, SB_PAGEDOWN}, {WM_VSCROLL, SB_LINEUP},
        {WM_HSCROLL, SB_LINEUP},   {WM_VSCROLL, SB_BOTTOM},   {WM_VSCROLL, SB_LINEUP},
    };
    for (const auto& [message, code] : steps) {
        SendMessageW(holder, message, code, 0);
        check(message == WM_VSCROLL ? "a vertical step" : "a horizontal step");
    }
}

TEST_F(MainWindowTest, NotABitmapIsRefused) {
    const std::wstring empty = folder_.Join(L"empty.tmp");
    test::WriteBytes(empty, "");
    EXPECT_FALSE(window_.View().ShowPicture(empty));
    EXPECT_FALSE(window_.View().PictureVisible());
}

TEST_F(MainWindowTest, TheOptionsKeyInAnyCaseOpensTheDialogModally) {
    test::DialogRobot robot;
    bool ownerDisabled = false;
    robot.Then([&] {
        HWND options = test::FindShown(L"PellixOptionsDialog", L"Pellix - Options");
        if (!options) {
            return false;
        }
        ownerDisabled = !IsWindowEnabled(window_.Handle());
        PostMessageW(options, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    window_.RunToolbarKey(L"OPTIONS");
    EXPECT_TRUE(robot.Done());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(window_.Handle()));
}

} // namespace
} // namespace pellix
