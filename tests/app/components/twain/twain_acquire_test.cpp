// Acquisition from the virtual scanner, installed by the test set-up.
#include "app/components/twain/twain.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pellix {
namespace {

using test::ScannerSettings;

HWND g_owner = nullptr;

// Acquires a page and checks that it is a whole bitmap file of 40 x 25 mm at
// 100 dpi, with a gray palette where there is one, and the owner usable again.
void ExpectPage(std::uint32_t bits, std::uint32_t colours) {
    test::TempFolder folder;
    std::string why;
    ASSERT_EQ(TWAIN_AcquireToFilename(g_owner, folder.Join(L"scan.tmp"), &why), AcquireResult::Page)
        << why;
    EXPECT_TRUE(IsWindowEnabled(g_owner));
    const std::string b = test::ReadBytes(folder.Join(L"scan.tmp"));
    ASSERT_GE(b.size(), 62u);
    const auto u32 = [&](size_t at) {
        std::uint32_t v;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    };
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(u32(2), b.size());
    EXPECT_EQ(u32(18), 157u);
    EXPECT_EQ(u32(22), 98u) << "bottom-up";
    EXPECT_EQ(u32(28) & 0xffff, bits);
    EXPECT_EQ(u32(38), 3937u) << "100 dpi";
    EXPECT_EQ(u32(10), 14 + u32(14) + 4 * colours) << "headers and palette";
    EXPECT_EQ(b.size(), u32(10) + (157 * bits + 31) / 32 * 4 * 98);
    if (colours) {
        EXPECT_TRUE(u32(46) == colours || u32(46) == 0);
        EXPECT_EQ(u32(54) & 0xffffff, 0x000000u) << "index 0 is black";
        EXPECT_EQ(u32(58) & 0xffffff, colours == 2 ? 0xffffffu : 0x010101u);
    }
}

// While the source's dialog runs, the owner is disabled and a second scan
// (say from another window) refused.
bool g_disabled = false, g_refused = false;

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
    g_disabled |= !IsWindowEnabled(g_owner);
    g_refused |= TWAIN_AcquireToFilename(nullptr, L"C:\\x.bmp") == AcquireResult::Failed;
}

TEST(Acquire, EveryPixelTypeThroughEitherTransferWhileTheOwnerWaits) {
    g_owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                              200, nullptr, nullptr, nullptr, nullptr);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, Watch);
    for (const wchar_t* transfer : {L"native", L"memory"}) {
        for (const auto& [type, bits, colours] :
             {std::tuple{L"color", 24u, 0u}, std::tuple{L"gray", 8u, 256u},
              std::tuple{L"bw", 1u, 2u}}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(type) + L" " + transfer));
            ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"},
                                     {L"PELLIX_VSCAN_DELAY_MS", L"200"},
                                     {L"PELLIX_VSCAN_PIXELTYPE", type},
                                     {L"PELLIX_VSCAN_XFER", transfer}};
            ExpectPage(bits, colours);
        }
    }
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_disabled);
    EXPECT_TRUE(g_refused);
    DestroyWindow(g_owner);
}

// The manager's selection dialog (modal over the owner) answered with the
// source named in g_pick, or cancelled when that is empty.
std::wstring g_pick;
bool g_sawSelection = false;

void CALLBACK AnswerSelection(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindWindowW(L"#32770", nullptr);
    HWND list = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
    if (!list || !IsWindowVisible(dialog)) {
        return;
    }
    g_sawSelection = true;
    g_disabled |= !IsWindowEnabled(g_owner);
    const LRESULT index = SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(g_pick.c_str()));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(dialog, WM_COMMAND, g_pick.empty() || index == LB_ERR ? IDCANCEL : IDOK, 0);
}

TEST(Acquire, CancelKeepsTheSourceAndAChosenSourceServesLaterScans) {
    g_owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                              200, nullptr, nullptr, nullptr, nullptr);
    ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, AnswerSelection);
    g_disabled = false;
    EXPECT_EQ(TWAIN_SelectImageSource(g_owner), SelectResult::Cancelled);
    EXPECT_TRUE(g_sawSelection && g_disabled && IsWindowEnabled(g_owner));
    ExpectPage(24, 0);
    g_pick = L"Pellix Virtual Scanner (gray)";
    EXPECT_EQ(TWAIN_SelectImageSource(g_owner), SelectResult::Selected);
    KillTimer(nullptr, timer);
    ExpectPage(8, 256);
    ExpectPage(8, 256);
    DestroyWindow(g_owner);
}

} // namespace
} // namespace pellix
