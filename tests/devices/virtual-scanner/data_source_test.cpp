// The built virtual scanner driven through DS_Entry. The test plays both the
// application and the manager: a fake one handed over through
// DAT_ENTRYPOINT, so that notifications arrive here.
#include "common/twain/twain_protocol.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace pellix::vscan {
namespace {

using namespace twain;

constexpr TW_UINT32 kApplicationId = 7, kSourceId = 42;
std::vector<TW_UINT16> g_notifications; // from the source to the application

TW_UINT16 PASCAL FakeManagerEntry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                                  TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    if (!origin || origin->Id != kSourceId || !destination || destination->Id != kApplicationId ||
        group != DG_CONTROL || dat != DAT_NULL || data) {
        ADD_FAILURE() << "not a notification from the source to the application";
        return TWRC_FAILURE;
    }
    g_notifications.push_back(message);
    return TWRC_SUCCESS;
}

TW_UINT32 DpiItem(double dpi) {
    return Fix32ToItem(DoubleToFix32(dpi));
}

// One source at a time, loaded afresh for each Open(), on a 40 x 25 mm page
// (157 x 98 pixels) at 100 dpi.
constexpr int kWidth = 157, kHeight = 98;

class DataSource : public testing::Test {
protected:
    test::Environment environment_{{L"PELLIX_VSCAN_PAGE", L"40x25"},
                                   {L"PELLIX_VSCAN_DPI", L"100"},
                                   {L"PELLIX_VSCAN_CLOCK", L"2024-06-01 10:20:30"}};
    HMODULE module_ = nullptr;
    DSENTRYPROC entry_ = nullptr;
    TW_IDENTITY application_{}, source_{};

    DataSource() {
        application_.Id = kApplicationId;
        source_.Id = kSourceId;
        Load();
    }
    ~DataSource() override { Unload(); }
    void Load() {
        g_notifications.clear();
        module_ = LoadLibraryW(test::WindowsPath(VSCAN_SOURCE_PATH).c_str());
        entry_ = reinterpret_cast<DSENTRYPROC>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DS_Entry")));
    }
    // Winds the source down from any state, then unloads it.
    void Unload() {
        TW_PENDINGXFERS pending{};
        Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        Disable();
        Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
        FreeLibrary(module_);
    }
    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, void* data) {
        EXPECT_NE(entry_, nullptr) << "the data source did not load";
        return entry_ ? entry_(&application_, group, dat, message, data) : TWRC_FAILURE;
    }
    // A fresh source, given the fake manager and opened: state 4.
    void Open() {
        Unload();
        Load();
        TW_ENTRYPOINT entry{sizeof entry, FakeManagerEntry, {}, {}, {}, {}};
        EXPECT_EQ(Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry), TWRC_SUCCESS);
        EXPECT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
    }
    TW_UINT16 Enable(bool showUI, HWND parent = nullptr) {
        TW_USERINTERFACE ui{showUI, FALSE, parent};
        return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }
    TW_UINT16 Disable() {
        TW_USERINTERFACE ui{};
        return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    }
    // Runs the application's message loop (MSG_PROCESSEVENT first) until the
    // source sends a notification, or gives up after ten seconds.
    std::optional<TW_UINT16> WaitForNotification() {
        const std::size_t seen = g_notifications.size();
        for (int round = 0; round < 400; ++round) { // 25 ms each
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TW_EVENT event{&message, MSG_NULL};
                if (Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
                if (g_notifications.size() > seen) {
                    return g_notifications.back();
                }
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 25, QS_ALLINPUT);
        }
        return std::nullopt;
    }
    // A fresh source, opened and enabled without its dialog, with the page
    // announced: state 6.
    void Scan(TW_UINT16 mechanism = TWSX_NATIVE) {
        Open();
        EXPECT_EQ(Set(ICAP_XFERMECH, TWTY_UINT16, mechanism), TWRC_SUCCESS);
        EXPECT_EQ(Enable(false), TWRC_SUCCESS);
        EXPECT_EQ(WaitForNotification(), MSG_XFERREADY);
    }

    // The call failed, and DAT_STATUS reports the condition once.
    void ExpectFailure(TW_UINT16 result, TW_UINT16 condition) {
        EXPECT_EQ(result, TWRC_FAILURE);
        for (const TW_UINT16 reported : {condition, TW_UINT16(TWCC_SUCCESS)}) {
            TW_STATUS status{0xffff, 0xffff};
            EXPECT_EQ(Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
            EXPECT_EQ(status.ConditionCode, reported) << "reported once";
        }
    }
    struct Triplet {
        TW_UINT32 group;
        TW_UINT16 dat, message;
        void* data;
        TW_UINT16 condition = TWCC_SEQERROR;
    };
    void ExpectFailures(std::initializer_list<Triplet> triplets) {
        for (const Triplet& t : triplets) {
            SCOPED_TRACE(testing::Message() << "DAT " << t.dat << " MSG " << t.message);
            ExpectFailure(Call(t.group, t.dat, t.message, t.data), t.condition);
        }
    }
    TW_UINT16 Pending(TW_UINT16 message = MSG_GET) {
        TW_PENDINGXFERS pending{0xeeee, 0};
        EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, message, &pending), TWRC_SUCCESS);
        return pending.Count;
    }

    // Asks for a capability and frees the container; item gets the item of a
    // TW_ONEVALUE answer.
    TW_UINT16 Ask(TW_UINT16 cap, TW_UINT16 message, TW_UINT32* item = nullptr) {
        TW_CAPABILITY request{cap, TWON_DONTCARE16, nullptr};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, message, &request);
        if (item && result == TWRC_SUCCESS && request.ConType == TWON_ONEVALUE) {
            *item = static_cast<TW_ONEVALUE*>(GlobalLock(request.hContainer))->Item;
            GlobalUnlock(request.hContainer);
        }
        GlobalFree(request.hContainer);
        return result;
    }
    TW_UINT32 Current(TW_UINT16 cap) {
        TW_UINT32 item = 0xdeadbeef;
        EXPECT_EQ(Ask(cap, MSG_GETCURRENT, &item), TWRC_SUCCESS);
        return item;
    }
    // MSG_SET with a TW_ONEVALUE.
    TW_UINT16 Set(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
        HGLOBAL container = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        *static_cast<TW_ONEVALUE*>(GlobalLock(container)) = {itemType, item};
        GlobalUnlock(container);
        TW_CAPABILITY request{cap, TWON_ONEVALUE, container};
        const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request);
        GlobalFree(container);
        return result;
    }
};

TEST_F(DataSource, EachStateRefusesWhatBelongsToOthersAndEachEnableGivesOnePage) {
    TW_USERINTERFACE ui{};
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    TW_PENDINGXFERS xfers{};
    TW_HANDLE dib = nullptr;
    TW_IMAGEINFO info{};
    MSG message{};
    TW_EVENT event{&message, MSG_NULL};
    TW_ENTRYPOINT entry{sizeof entry, FakeManagerEntry, {}, {}, {}, {}};
    int d[16] = {};
    ExpectFailures({
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui},
        {DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap},
        {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr, TWCC_BADVALUE},
    });
    Open();
    ExpectFailures({
        {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_},
        {DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event},
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &xfers},
        // Unknown triplets, and known ones without their data.
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, d, TWCC_BADPROTOCOL},
        {DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, d, TWCC_BADPROTOCOL},
        {0x0004, DAT_NULL, MSG_GET, d, TWCC_BADPROTOCOL},
        {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr, TWCC_BADVALUE},
    });

    // With ShowUI and no answer set, the dialog waits for a user: state 5.
    // Capabilities may be read now, but no longer changed.
    ASSERT_EQ(Enable(true), TWRC_SUCCESS);
    ExpectFailures({
        {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
        {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &xfers},
        {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_},
        {DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry},
        {DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &cap},
    });
    ExpectFailure(Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWCC_SEQERROR);
    EXPECT_EQ(Current(ICAP_PIXELTYPE), TWPT_RGB);
    EXPECT_EQ(Pending(), 0);
    // Disabled again before the page is announced: no notice comes.
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    EXPECT_TRUE(g_notifications.empty());

    // State 6: one page, announced through the manager.
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(WaitForNotification(), MSG_XFERREADY);
    EXPECT_EQ(g_notifications.size(), 1u);
    ExpectFailure(Disable(), TWCC_SEQERROR);
    ExpectFailure(Set(CAP_XFERCOUNT, TWTY_INT16, 1), TWCC_SEQERROR);
    ExpectFailures({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, nullptr, TWCC_BADVALUE}});
    EXPECT_EQ(Pending(), 1);
    EXPECT_EQ(Pending(MSG_RESET), 0) << "one page per enable";
    ExpectFailures({{DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info}});
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(WaitForNotification(), MSG_XFERREADY);
    EXPECT_EQ(Pending(MSG_ENDXFER), 0);
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_), TWRC_SUCCESS);
}

TEST_F(DataSource, CapabilitiesTakeOnlyWhatTheyOfferAndResetToTheirDefaults) {
    struct Case {
        TW_UINT16 cap, type;
        TW_UINT32 current, other; // as opened, and another value it takes
        bool settable;
    };
    Open();
    for (const Case& c : {Case{ICAP_XRESOLUTION, TWTY_FIX32, DpiItem(100), DpiItem(150), true},
                          Case{ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB, TWPT_GRAY, true},
                          Case{CAP_XFERCOUNT, TWTY_INT16, 0xffff, 1, true},
                          Case{ICAP_PHYSICALWIDTH, TWTY_FIX32, DpiItem(40 / 25.4), 0, false}}) {
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << c.cap);
        EXPECT_EQ(Current(c.cap), c.current);
        TW_UINT32 support = 0;
        EXPECT_EQ(Ask(c.cap, MSG_QUERYSUPPORT, &support), TWRC_SUCCESS);
        const TW_UINT32 reads = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
        EXPECT_EQ(support, c.settable ? reads | TWQC_SET | TWQC_RESET : reads);
        if (!c.settable) {
            ExpectFailure(Set(c.cap, c.type, c.current), TWCC_CAPBADOPERATION);
            ExpectFailure(Ask(c.cap, MSG_RESET), TWCC_CAPBADOPERATION);
            continue;
        }
        EXPECT_EQ(Set(c.cap, c.type, c.other), TWRC_SUCCESS);
        EXPECT_EQ(Current(c.cap), c.other);
        EXPECT_EQ(Ask(c.cap, MSG_RESET), TWRC_SUCCESS);
        EXPECT_EQ(Current(c.cap), c.current);
    }
    ExpectFailure(Ask(0x1234, MSG_GET), TWCC_CAPUNSUPPORTED);

    // Values not offered are refused and leave the current one.
    struct Bad {
        TW_UINT16 cap, type;
        TW_UINT32 item;
    };
    for (const Bad& b : {Bad{ICAP_XRESOLUTION, TWTY_FIX32, DpiItem(250)},
                         Bad{ICAP_XRESOLUTION, TWTY_UINT16, 300}, // not a TW_FIX32
                         Bad{ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE},
                         Bad{CAP_XFERCOUNT, TWTY_INT16, 0xfffe}}) { // -2
        SCOPED_TRACE(testing::Message() << "capability 0x" << std::hex << b.cap);
        const TW_UINT32 before = Current(b.cap);
        ExpectFailure(Set(b.cap, b.type, b.item), TWCC_BADVALUE);
        EXPECT_EQ(Current(b.cap), before);
    }
    TW_CAPABILITY empty{ICAP_PIXELTYPE, TWON_ONEVALUE, nullptr};
    ExpectFailures({{DG_CONTROL, DAT_CAPABILITY, MSG_SET, &empty, TWCC_BADVALUE}});

    // Linked values move together; MSG_RESETALL restores everything.
    ASSERT_EQ(Set(ICAP_YRESOLUTION, TWTY_FIX32, DpiItem(150)), TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_XRESOLUTION), DpiItem(150));
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW), TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_BITDEPTH), 1u);
    TW_CAPABILITY all{0, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &all), TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_YRESOLUTION), DpiItem(100));
    EXPECT_EQ(Current(ICAP_BITDEPTH), 24u);
}

TEST_F(DataSource, EveryModeIsSentAsTheSamePixelsNativeAndInMemory) {
    struct Mode {
        const wchar_t* setting;
        TW_UINT16 pixelType;
        int bits, colours; // palette entries
    };
    for (const Mode& mode : {Mode{L"color", TWPT_RGB, 24, 0}, Mode{L"gray", TWPT_GRAY, 8, 256},
                             Mode{L"bw", TWPT_BW, 1, 2}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode.setting)));
        const std::size_t packed = (std::size_t(kWidth) * mode.bits + 7) / 8;
        const std::size_t padded = (packed + 3) / 4 * 4, imageBytes = padded * kHeight;
        environment_.Set(L"PELLIX_VSCAN_PIXELTYPE", mode.setting);
        Scan();
        // One packed bottom-up DIB.
        TW_HANDLE dib = nullptr;
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
        const std::string bytes(static_cast<const char*>(GlobalLock(dib)), GlobalSize(dib));
        GlobalUnlock(dib);
        GlobalFree(dib);
        ASSERT_GE(bytes.size(), 40 + 4 * mode.colours + imageBytes);
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes.data(), sizeof header);
        EXPECT_EQ(header.biWidth, kWidth);
        EXPECT_EQ(header.biHeight, kHeight) << "bottom-up";
        EXPECT_EQ(header.biBitCount, mode.bits);
        EXPECT_EQ(header.biClrUsed, DWORD(mode.colours));
        EXPECT_EQ(header.biSizeImage, imageBytes);
        const std::string pixels = bytes.substr(40 + 4 * mode.colours, imageBytes);
        EXPECT_EQ(Pending(MSG_ENDXFER), 0);

        // Strips of three and a half rows: only whole rows, top-down, RGB.
        // Gray goes into a handle, the others into plain memory.
        Scan(TWSX_MEMORY);
        const std::size_t bufferBytes = padded * 7 / 2;
        const bool asHandle = mode.pixelType == TWPT_GRAY;
        HGLOBAL handle = GlobalAlloc(GHND, bufferBytes);
        std::string buffer(bufferBytes, '\0');
        TW_UINT16 result = TWRC_SUCCESS;
        for (int y = 0; result == TWRC_SUCCESS && y < kHeight;) {
            TW_IMAGEMEMXFER strip{};
            strip.Memory = {TWMF_APPOWNS | (asHandle ? TWMF_HANDLE : TWMF_POINTER),
                            TW_UINT32(bufferBytes), asHandle ? handle : buffer.data()};
            result = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
            ASSERT_TRUE(result == TWRC_SUCCESS || result == TWRC_XFERDONE) << y;
            EXPECT_EQ(strip.YOffset, TW_UINT32(y));
            EXPECT_EQ(strip.BytesPerRow, padded);
            EXPECT_EQ(strip.Rows, TW_UINT32(std::min(3, kHeight - y))) << "as many whole rows fit";
            const char* data = asHandle ? static_cast<const char*>(GlobalLock(handle)) : &buffer[0];
            for (TW_UINT32 row = 0; row < strip.Rows; ++row, ++y) {
                std::string expected(pixels, padded * (kHeight - 1 - y), packed);
                for (std::size_t x = 0; mode.bits == 24 && x < packed; x += 3) {
                    std::swap(expected[x], expected[x + 2]);
                }
                ASSERT_EQ(std::string(data + row * padded, packed), expected) << "row " << y;
            }
            GlobalUnlock(handle);
            EXPECT_EQ(result == TWRC_XFERDONE, y == kHeight);
        }
        GlobalFree(handle);
        EXPECT_EQ(Pending(MSG_ENDXFER), 0);
    }
}

TEST_F(DataSource, TransfersOutsideTheNegotiatedMechanismOrThatFailAreRefused) {
    std::string buffer(1 << 20, '\0'); // room for the whole page
    TW_IMAGEMEMXFER strip{};
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, TW_UINT32(buffer.size()), buffer.data()};
    TW_HANDLE dib = nullptr;
    TW_PENDINGXFERS xfers{};
    Scan();
    ExpectFailures({{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip}});
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    GlobalFree(dib);
    EXPECT_EQ(Pending(), 1) << "until MSG_ENDXFER";
    ExpectFailures({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
                    {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &xfers}});
    EXPECT_EQ(Pending(MSG_ENDXFER), 0);

    Scan(TWSX_MEMORY);
    strip.Memory.Length = kWidth * 3; // less than a padded row
    ExpectFailures({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib},
                    {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip, TWCC_BADVALUE}});

    // The "fail" answer breaks a native transfer, and a memory one at its
    // second strip.
    environment_.Set(L"PELLIX_VSCAN_ANSWER", L"fail");
    Scan();
    ExpectFailures({{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib, TWCC_OPERATIONERROR}});
    EXPECT_EQ(Pending(), 1) << "still in state 6";
    Scan(TWSX_MEMORY);
    strip.Memory.Length = TW_UINT32(buffer.size());
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
    ExpectFailures({{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip, TWCC_OPERATIONERROR}});
    EXPECT_EQ(Pending(MSG_ENDXFER), 0);
}

} // namespace
} // namespace pellix::vscan
