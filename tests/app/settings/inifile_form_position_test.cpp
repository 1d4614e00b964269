// clsInifile's window-position pair: with a real window, and with a window
// that refuses or cannot tell, for the failure rules.
#include "app/settings/inifile.h"
#include "app/settings/window_form.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace pellix {
namespace {

using test::TempFolder;

// A window whose every answer the test sets.
class FakeForm : public PositionedForm {
public:
    std::optional<double> Left() const override { return left; }
    std::optional<double> Top() const override { return top; }
    std::optional<double> Width() const override { return width; }
    std::optional<double> Height() const override { return height; }
    std::optional<FormState> State() const override { return state; }
    std::optional<ScreenMeasures> Screen() const override { return screen; }
    bool Move(const FormRect& place) override {
        ++moves;
        if (refuseMove) {
            return false;
        }
        left = place.left;
        top = place.top;
        width = place.width;
        height = place.height;
        return true;
    }
    bool Maximise() override {
        state = FormState::Maximised;
        return true;
    }

    std::optional<double> left = 1500, top = 1200, width = 6000, height = 4500;
    std::optional<FormState> state = FormState::Normal;
    std::optional<ScreenMeasures> screen = ScreenMeasures{15360, 11520, 15, 15};
    bool refuseMove = false;
    int moves = 0;
};

class FormPositionTest : public testing::Test {
protected:
    void SetUp() override {
        ini_.SetPath(folder_.Join(L"Pellix.ini"));
        ini_.SetSection(L"Main");
        ini_.SetKey(L"Caller");
        ini_.SetDefault(L"caller's default");
    }
    void Write(const std::string& text) { test::WriteBytes(ini_.Path(), "[Main]\r\n" + text); }
    std::wstring Stored(const wchar_t* key) {
        clsInifile reader;
        reader.SetPath(ini_.Path());
        reader.SetSection(L"Main");
        reader.SetKey(key);
        reader.SetDefault(L"(none)");
        return reader.Value();
    }
    void ExpectKeyAndDefaultKept() {
        EXPECT_EQ(ini_.Key(), L"Caller");
        EXPECT_EQ(ini_.Default(), L"caller's default");
        EXPECT_EQ(ini_.Section(), L"Main");
    }

    TempFolder folder_;
    clsInifile ini_;
};

TEST_F(FormPositionTest, ARealWindowIsSavedAndRestoredThroughItsStates) {
    HWND window = CreateWindowExW(0, L"STATIC", L"Positioned", WS_OVERLAPPEDWINDOW, 100, 80, 400,
                                  300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    WindowForm form(window);
    const double perPixel = 1440.0 / 96; // the test prefix's resolution

    ini_.SaveFormPosition(form);
    EXPECT_TRUE(ini_.Success());
    EXPECT_EQ(Stored(L"Maximised"), L"0");
    EXPECT_EQ(Stored(L"Left"), std::to_wstring(static_cast<int>(100 * perPixel)));
    EXPECT_EQ(Stored(L"Top"), std::to_wstring(static_cast<int>(80 * perPixel)));
    EXPECT_EQ(Stored(L"Width"), std::to_wstring(static_cast<int>(400 * perPixel)));
    EXPECT_EQ(Stored(L"Height"), std::to_wstring(static_cast<int>(300 * perPixel)));
    ExpectKeyAndDefaultKept();

    // Minimised: nothing is written.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    ini_.SetKey(L"Caller");
    Write("Maximised=7\r\nLeft=1\r\n");
    ini_.SaveFormPosition(form);
    EXPECT_EQ(Stored(L"Maximised"), L"7");
    EXPECT_EQ(Stored(L"Left"), L"1");

    // Maximised: only the flag; the normal rectangle stays as stored.
    ShowWindow(window, SW_RESTORE);
    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window));
    Write("Left=3000\r\nTop=2400\r\nWidth=4800\r\nHeight=4500\r\n");
    ini_.SaveFormPosition(form);
    EXPECT_EQ(Stored(L"Maximised"), L"1");
    EXPECT_EQ(Stored(L"Left"), L"3000");

    // Restoring applies the rectangle, then maximises.
    ShowWindow(window, SW_RESTORE);
    ASSERT_FALSE(IsZoomed(window));
    ini_.LoadFormPosition(form, 1500, 1500);
    ExpectKeyAndDefaultKept();
    EXPECT_TRUE(IsZoomed(window));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    EXPECT_EQ(placement.rcNormalPosition.left, 200);
    EXPECT_EQ(placement.rcNormalPosition.top, 160);
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 320);
    EXPECT_EQ(placement.rcNormalPosition.bottom - placement.rcNormalPosition.top, 300);
    DestroyWindow(window);
}

TEST_F(FormPositionTest, MissingKeysKeepTheWindowApartFromTheScreenFit) {
    FakeForm form;
    form.left = -900;
    ini_.LoadFormPosition(form, 0, 0);
    EXPECT_EQ(form.left, 60);
    EXPECT_EQ(form.top, 1200);
    EXPECT_EQ(form.width, 6000);
    EXPECT_EQ(form.state, FormState::Normal);
    ExpectKeyAndDefaultKept();
}

TEST_F(FormPositionTest, OnlyANonZeroNumberMaximises) {
    for (const char* flag : {"0", "yes", ""}) {
        Write(std::string("Maximised=") + flag + "\r\n");
        FakeForm form;
        ini_.LoadFormPosition(form, 0, 0);
        EXPECT_EQ(form.state, FormState::Normal) << flag;
    }
    Write("Maximised=1\r\nLeft=2,5\r\n");
    FakeForm form;
    ini_.LoadFormPosition(form, 0, 0);
    EXPECT_EQ(form.state, FormState::Maximised);
    EXPECT_EQ(form.left, 1500) << "not a number here: the current value stays";
}

TEST_F(FormPositionTest, AScreenTooSmallLeavesTheWindowButStillMaximises) {
    Write("Maximised=1\r\nLeft=0\r\nWidth=100\r\n");
    FakeForm form;
    form.screen = ScreenMeasures{3000, 3000, 15, 15};
    ini_.LoadFormPosition(form, 4365, 4470);
    EXPECT_EQ(form.moves, 0);
    EXPECT_EQ(form.left, 1500);
    EXPECT_EQ(form.state, FormState::Maximised);
}

TEST_F(FormPositionTest, FailuresEndTheCallWithSuccessFalseAndTheCallersKeyBack) {
    // A refused move skips the maximising.
    FakeForm refusing;
    refusing.refuseMove = true;
    ini_.SaveFormPosition(FakeForm{}); // a successful write first
    Write("Maximised=1\r\n");
    ASSERT_TRUE(ini_.Success());
    ini_.LoadFormPosition(refusing, 0, 0);
    EXPECT_FALSE(ini_.Success());
    EXPECT_EQ(refusing.state, FormState::Normal);
    ExpectKeyAndDefaultKept();

    // A window that cannot tell a measure: nothing is written or moved.
    FakeForm mute;
    mute.height.reset();
    Write("Height=999\r\n");
    ini_.SaveFormPosition(mute);
    EXPECT_FALSE(ini_.Success());
    EXPECT_EQ(Stored(L"Maximised"), L"(none)");
    EXPECT_EQ(Stored(L"Height"), L"999");
    ini_.LoadFormPosition(mute, 0, 0);
    EXPECT_EQ(mute.moves, 0);
    ExpectKeyAndDefaultKept();

    // An edge sum beyond the 32-bit range.
    FakeForm distant;
    ini_.SaveFormPosition(FakeForm{});
    Write("Left=2147483000\r\nWidth=5000\r\n");
    ini_.LoadFormPosition(distant, 0, 0);
    EXPECT_FALSE(ini_.Success());
    EXPECT_EQ(distant.moves, 0);

    // A file that cannot be written.
    ini_.SetPath(folder_.Join(L"missing\\Pellix.ini"));
    ini_.SaveFormPosition(FakeForm{});
    EXPECT_FALSE(ini_.Success());
    ExpectKeyAndDefaultKept();
}

} // namespace
} // namespace pellix
