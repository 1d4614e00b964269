// The INI file class and the window positions it keeps, on real files in a
// folder whose name leaves the code page.
#include "app/settings/inifile.h"
#include "app/settings/window_form.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace pellix {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::wstring>;

class IniFileTest : public testing::Test {
protected:
    clsInifile Open(const std::wstring& section, const std::wstring& key) {
        clsInifile ini;
        ini.SetPath(path_);
        ini.SetSection(section);
        ini.SetKey(key);
        return ini;
    }
    std::wstring Stored(const wchar_t* key) {
        clsInifile reader = Open(L"Main", key);
        reader.SetDefault(L"(none)");
        return reader.Value();
    }

    test::TempFolder folder_{L"Einstellungen \u00fc \u65e5\u672c"};
    std::wstring path_ = folder_.Join(L"Pellix.ini");
};

TEST_F(IniFileTest, ValuesAreSeenAtOnceInAnyCaseCutTo254WithoutNulsAndRefusalsFail) {
    clsInifile reader = Open(L"QUALITY", L"jpgquality");
    reader.SetDefault(L"90");
    EXPECT_EQ(reader.Value(), L"90");
    EXPECT_FALSE(test::FileExists(path_)) << "reading must not create the file";

    clsInifile writer = Open(L"Quality", L"JPGQuality");
    writer.SetValue(L"75");
    EXPECT_TRUE(writer.Success());
    EXPECT_EQ(reader.Value(), L"75");
    writer.SetValue(L"a\0b\0\0c"s);
    EXPECT_EQ(reader.Value(), L"abc");
    writer.SetValue(std::wstring(300, L'v'));
    EXPECT_EQ(reader.Value(), std::wstring(254, L'v'));
    // No path, a missing folder, a file another program holds open without
    // sharing.
    HANDLE h = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    for (const std::wstring& path : {L""s, folder_.Join(L"no such folder\\Pellix.ini"), path_}) {
        writer.SetPath(path);
        writer.SetValue(L"3");
        EXPECT_EQ(writer.LastReturnCode(), 0) << testing::PrintToString(path);
    }
    CloseHandle(h);
    EXPECT_EQ(reader.Value(), std::wstring(254, L'v'));
}

TEST_F(IniFileTest, KeysAndSectionsEnumerateInFileOrderAndOnlyAKeyedWriteTouchesOne) {
    clsInifile ini = Open(L"Keys", L"A");
    ini.SetValue(L"1");
    ini.SetKey(L"B");
    ini.SetValue(L"2");
    ini.SetSection(L"Other");
    ini.SetValue(L"3");
    ini.SetSection(L"Keys");
    EXPECT_EQ(ini.INISection(), L"A\0B\0"s);
    EXPECT_EQ(ini.EnumerateAllSections(), (Names{L"Keys", L"Other"}));
    // Without a key the bare platform call would remove the whole section.
    ini.SetKey(L"");
    ini.SetValue(L"x");
    EXPECT_FALSE(ini.Success());
    ini.DeleteKey();
    EXPECT_FALSE(ini.Success());
    EXPECT_EQ(ini.EnumerateCurrentSection(), (Names{L"A", L"B"}));

    ini.SetKey(L"B");
    ini.DeleteKey();
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.EnumerateCurrentSection(), Names{L"A"});
    ini.SetINISection(L"whatever"); // any text removes the section and its keys
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.EnumerateAllSections(), Names{L"Other"});
    ini.SetSection(L"Other");
    ini.DeleteSection();
    EXPECT_TRUE(ini.EnumerateAllSections().empty());
}

TEST_F(IniFileTest, AWindowsPlaceIsSavedThroughItsStatesAndRestoredOnTheScreen) {
    HWND window = CreateWindowExW(0, L"STATIC", L"Positioned", WS_OVERLAPPEDWINDOW, 100, 80, 400,
                                  300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    WindowForm form(window);
    clsInifile ini = Open(L"Main", L"Caller");
    ini.SetDefault(L"caller's default");
    const std::pair caller(L"Caller"s, L"caller's default"s);

    // 15 twips per pixel at the test prefix's 96 dpi.
    ini.SaveFormPosition(form);
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ((Names{Stored(L"Maximised"), Stored(L"Left"), Stored(L"Top"), Stored(L"Width"),
                     Stored(L"Height")}),
              (Names{L"0", L"1500", L"1200", L"6000", L"4500"}));
    EXPECT_EQ(std::pair(ini.Key(), ini.Default()), caller);
    // Minimised nothing is written; maximised only the flag.
    ShowWindow(window, SW_MINIMIZE);
    test::WriteBytes(path_, "[Main]\r\nMaximised=7\r\nLeft=1\r\n");
    ini.SaveFormPosition(form);
    EXPECT_EQ((Names{Stored(L"Maximised"), Stored(L"Left")}), (Names{L"7", L"1"}));
    ShowWindow(window, SW_RESTORE);
    ShowWindow(window, SW_MAXIMIZE);
    ini.SaveFormPosition(form);
    EXPECT_EQ((Names{Stored(L"Maximised"), Stored(L"Left")}), (Names{L"1", L"1"}));

    // The window's normal place and state after restoring `stored`, and
    // whether that succeeded.
    const auto restore = [&](const char* stored, int minimum) {
        ShowWindow(window, SW_SHOWNORMAL);
        SetWindowPos(window, nullptr, -50, 80, 400, 300, SWP_NOZORDER);
        ini.SaveFormPosition(form); // a successful write first, so Success tells a failure
        test::WriteBytes(path_, std::string("[Main]\r\n") + stored);
        ini.LoadFormPosition(form, minimum, minimum);
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        const RECT r = placement.rcNormalPosition;
        return std::tuple(r.left, r.top, r.right - r.left, r.bottom - r.top,
                          IsZoomed(window) != FALSE, ini.Success());
    };
    EXPECT_EQ(
        restore("Maximised=1\r\nLeft=3000\r\nTop=2400\r\nWidth=4800\r\nHeight=6000\r\n", 1500),
        std::tuple(200, 160, 320, 400, true, true));
    EXPECT_EQ(std::pair(ini.Key(), ini.Default()), caller);
    // Missing or unreadable keys keep the window's own measures, which the
    // 4-pixel margin then pulls inside; only a non-zero number maximises.
    EXPECT_EQ(restore("Maximised=yes\r\nTop=x\r\n", 0), std::tuple(4, 80, 400, 300, false, true));
    // A screen too small for the minimum leaves the window where it is.
    EXPECT_EQ(restore("Maximised=-1\r\nLeft=0\r\n", 999999),
              std::tuple(-50, 80, 400, 300, true, true));
    // An edge beyond the 32-bit range fails and moves nothing.
    EXPECT_EQ(restore("Maximised=1\r\nLeft=2147483000\r\nWidth=5000\r\n", 0),
              std::tuple(-50, 80, 400, 300, false, false));

    // A window that cannot tell its place leaves the stored one alone.
    DestroyWindow(window);
    ini.SaveFormPosition(form);
    EXPECT_FALSE(ini.Success());
    EXPECT_EQ(Stored(L"Maximised"), L"1");
    EXPECT_EQ(std::pair(ini.Key(), ini.Default()), caller);
}

} // namespace
} // namespace pellix
