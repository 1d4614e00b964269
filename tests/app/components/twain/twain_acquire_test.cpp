// Acquisition through Wine's TWAIN manager from the virtual scanner, which
// the test set-up installs into the private prefix (see
// scripts/install-virtual-scanner.sh).
#include "app/components/twain/twain.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace pellix {
namespace {

using test::TempFolder;

using test::ScannerSettings;

class OwnerWindow {
public:
    OwnerWindow() {
        hwnd_ =
            CreateWindowExW(0, L"STATIC", L"Pellix test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            10, 10, 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~OwnerWindow() { DestroyWindow(hwnd_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

struct Bmp {
    std::uint32_t fileSize, offset, headerSize, colours, xPpm;
    std::int32_t width, height;
    std::uint16_t bits;
    std::uint32_t palette0, palette1;
};

Bmp ReadBmp(const std::string& b) {
    Bmp bmp{};
    auto u32 = [&](size_t at) {
        std::uint32_t v;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    };
    bmp.fileSize = u32(2);
    bmp.offset = u32(10);
    bmp.headerSize = u32(14);
    bmp.width = static_cast<std::int32_t>(u32(18));
    bmp.height = static_cast<std::int32_t>(u32(22));
    bmp.bits = static_cast<std::uint16_t>(u32(28) & 0xffff);
    bmp.xPpm = u32(38);
    bmp.colours = u32(46);
    if (b.size() >= 62) {
        bmp.palette0 = u32(54);
        bmp.palette1 = u32(58);
    }
    return bmp;
}

class AcquireTest : public testing::Test {
protected:
    TempFolder folder_;
    std::wstring file_ = folder_.Join(L"scan.tmp");
    OwnerWindow owner_;

    void SetUp() override { test::WriteBytes(file_, ""); }

    AcquireResult Acquire(std::string* why = nullptr) {
        return TWAIN_AcquireToFilename(owner_.get(), file_, why);
    }

    // Checks a complete bitmap file of a 40 x 25 mm page at 100 dpi.
    void ExpectPage(std::uint16_t bits, std::uint32_t colours) {
        const std::string bytes = test::ReadBytes(file_);
        ASSERT_GE(bytes.size(), 54u);
        ASSERT_EQ(bytes.substr(0, 2), "BM");
        const Bmp bmp = ReadBmp(bytes);
        EXPECT_EQ(bmp.fileSize, bytes.size());
        EXPECT_EQ(bmp.bits, bits);
        EXPECT_NEAR(bmp.width, 157, 1);
        EXPECT_NEAR(bmp.height, 98, 1) << "bottom-up, about 25 mm at 100 dpi";
        EXPECT_EQ(bmp.xPpm, 3937u) << "100 dpi";
        const std::uint64_t stride = (static_cast<std::uint64_t>(bmp.width) * bits + 31) / 32 * 4;
        EXPECT_EQ(bmp.offset, 14 + bmp.headerSize + 4 * (colours ? colours : 0));
        EXPECT_EQ(bytes.size(), bmp.offset + stride * static_cast<std::uint64_t>(bmp.height));
        if (colours) {
            EXPECT_TRUE(bmp.colours == colours || bmp.colours == 0);
            EXPECT_EQ(bmp.palette0 & 0xffffff, 0x000000u) << "index 0 is black";
            EXPECT_EQ(bmp.palette1 & 0xffffff, colours == 2 ? 0xffffffu : 0x010101u);
        }
    }
};

TEST(TwainAvailability, ManagerIsPresentUnderWine) {
    EXPECT_EQ(TWAIN_IsAvailable(), 1);
}

TEST_F(AcquireTest, ColourGrayAndBlackWhitePagesThroughNativeTransfer) {
    struct Mode {
        const wchar_t* name;
        std::uint16_t bits;
        std::uint32_t colours;
    };
    for (const Mode& mode : {Mode{L"color", 24, 0}, Mode{L"gray", 8, 256}, Mode{L"bw", 1, 2}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode.name)));
        ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"},
                                 {L"PELLIX_VSCAN_PIXELTYPE", mode.name},
                                 {L"PELLIX_VSCAN_XFER", L"native"}};
        std::string why;
        ASSERT_EQ(Acquire(&why), AcquireResult::Page) << why;
        ExpectPage(mode.bits, mode.colours);
        EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    }
}

TEST_F(AcquireTest, SourcesOfferingOnlyMemoryTransferWork) {
    for (const auto& [mode, bits, colours] :
         {std::tuple{L"color", 24, 0u}, std::tuple{L"gray", 8, 256u}, std::tuple{L"bw", 1, 2u}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode)));
        ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"},
                                 {L"PELLIX_VSCAN_PIXELTYPE", mode},
                                 {L"PELLIX_VSCAN_XFER", L"memory"}};
        std::string why;
        ASSERT_EQ(Acquire(&why), AcquireResult::Page) << why;
        ExpectPage(static_cast<std::uint16_t>(bits), colours);
    }
}

TEST_F(AcquireTest, CancelLeavesTheFileEmptyAndTheNextScanWorks) {
    {
        ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"cancel"}};
        EXPECT_EQ(Acquire(), AcquireResult::Cancelled);
        EXPECT_EQ(test::ReadBytes(file_), "");
        EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    }
    ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    EXPECT_EQ(Acquire(), AcquireResult::Page);
    ExpectPage(24, 0);
}

TEST_F(AcquireTest, AFailingScannerLeavesTheFileEmpty) {
    for (const wchar_t* transfer : {L"native", L"memory"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(transfer)));
        ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"fail"},
                                 {L"PELLIX_VSCAN_XFER", transfer}};
        std::string why;
        EXPECT_EQ(Acquire(&why), AcquireResult::Failed);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(test::ReadBytes(file_), "");
    }
    ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    EXPECT_EQ(Acquire(), AcquireResult::Page);
}

// Samples the owner's state from a timer while the source's dialog runs.
HWND g_watchedOwner = nullptr;
bool g_sawDisabledOwner = false;
bool g_sawSecondScanRefused = false;

void CALLBACK WatchOwner(HWND, UINT, UINT_PTR, DWORD) {
    if (g_watchedOwner && !IsWindowEnabled(g_watchedOwner)) {
        g_sawDisabledOwner = true;
    }
    // A second scan started meanwhile (say from another window) is refused.
    if (TWAIN_AcquireToFilename(nullptr, L"C:\\nowhere.bmp") == AcquireResult::Failed) {
        g_sawSecondScanRefused = true;
    }
}

TEST_F(AcquireTest, OwnerIsDisabledWhileTheSourceRuns) {
    ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"}, {L"PELLIX_VSCAN_DELAY_MS", L"400"}};
    g_watchedOwner = owner_.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, WatchOwner);
    EXPECT_EQ(Acquire(), AcquireResult::Page);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_sawDisabledOwner);
    EXPECT_TRUE(g_sawSecondScanRefused);
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
}

TEST_F(AcquireTest, WorksWithoutAnOwnerWindow) {
    ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    EXPECT_EQ(TWAIN_AcquireToFilename(nullptr, file_), AcquireResult::Page);
    ExpectPage(24, 0);
}

TEST_F(AcquireTest, AnUnwritableFileFailsWithAReason) {
    ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    std::string why;
    EXPECT_EQ(TWAIN_AcquireToFilename(owner_.get(), folder_.Join(L"gone\\scan.tmp"), &why),
              AcquireResult::Failed);
    EXPECT_NE(why.find("cannot be written"), std::string::npos) << why;
}

// Answers the manager's selection dialog from a timer: picks the entry
// containing g_pick, or cancels when it is empty.
std::wstring g_pick;
bool g_sawSelectionDialog = false;

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK AnswerSelection(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) {
        return;
    }
    g_sawSelectionDialog = true;
    if (g_watchedOwner && !IsWindowEnabled(g_watchedOwner)) {
        g_sawDisabledOwner = true;
    }
    if (g_pick.empty()) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    HWND list = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
    const LRESULT index = SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(g_pick.c_str()));
    if (index != LB_ERR) {
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

TEST_F(AcquireTest, TheChosenSourceIsUsedByLaterScans) {
    ScannerSettings settings{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    g_watchedOwner = owner_.get();
    g_sawDisabledOwner = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, AnswerSelection);

    g_pick.clear();
    EXPECT_EQ(TWAIN_SelectImageSource(owner_.get()), SelectResult::Cancelled);
    EXPECT_TRUE(g_sawSelectionDialog);
    EXPECT_TRUE(g_sawDisabledOwner);
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    ASSERT_EQ(Acquire(), AcquireResult::Page);
    ExpectPage(24, 0); // still the default, colour source

    g_pick = L"Pellix Virtual Scanner (gray)";
    EXPECT_EQ(TWAIN_SelectImageSource(owner_.get()), SelectResult::Selected);
    KillTimer(nullptr, timer);
    ASSERT_EQ(Acquire(), AcquireResult::Page);
    ExpectPage(8, 256); // the gray source
    ASSERT_EQ(Acquire(), AcquireResult::Page);
    ExpectPage(8, 256);
}

} // namespace
} // namespace pellix
