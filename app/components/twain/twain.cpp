#include "app/components/twain/twain.h"

#include "app/components/twain/bmp_output.h"
#include "app/components/twain/twain_containers.h"
#include "app/components/twain/twain_manager.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace pellix {

using namespace twain;

namespace {

// The source chosen in the selection dialog, for later acquisitions of this
// process. Unset: the manager's default source.
std::optional<TW_IDENTITY> g_selectedSource;
// One acquisition or selection at a time, also against re-entry from the
// messages dispatched while one runs.
bool g_busy = false;

// A 2.x manager calls back instead of posting; the message waits here until
// the loop picks it up.
TW_UINT16 g_callbackMessage = MSG_NULL;
DWORD g_loopThread = 0;

TW_UINT16 PASCAL OnSourceMessage(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                                 TW_MEMREF) {
    g_callbackMessage = msg;
    PostThreadMessageW(g_loopThread, WM_NULL, 0, 0);
    return TWRC_SUCCESS;
}

class BusyFlag {
public:
    BusyFlag() : acquired_(!g_busy) { g_busy = true; }
    ~BusyFlag() {
        if (acquired_) {
            g_busy = false;
        }
    }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;
    bool Acquired() const { return acquired_; }

private:
    bool acquired_;
};

// The owner is disabled for as long as the source's dialog runs, the way a
// modal dialog treats its owner.
class DisabledOwner {
public:
    explicit DisabledOwner(HWND owner) : owner_(owner) {
        if (owner_ && IsWindow(owner_) && IsWindowEnabled(owner_)) {
            EnableWindow(owner_, FALSE);
            disabled_ = true;
        }
    }
    ~DisabledOwner() { Restore(); }
    DisabledOwner(const DisabledOwner&) = delete;
    DisabledOwner& operator=(const DisabledOwner&) = delete;

    void Restore() {
        if (disabled_) {
            EnableWindow(owner_, TRUE);
            disabled_ = false;
        }
    }

private:
    HWND owner_;
    bool disabled_ = false;
};

// TWAIN needs a window. Without a usable owner a hidden one stands in.
class WindowForTwain {
public:
    explicit WindowForTwain(HWND owner) {
        if (owner && IsWindow(owner)) {
            window_ = owner;
        } else {
            stand_in_.reset(CreateWindowExW(0, L"STATIC", L"Pellix", WS_POPUP, 0, 0, 0, 0, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
            window_ = stand_in_.get();
        }
    }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
    unique_hwnd stand_in_;
};

// An open source (MSG_OPENDS .. MSG_CLOSEDS).
class OpenSource {
public:
    OpenSource(ManagerConnection& dsm, const TW_IDENTITY& wanted) : dsm_(dsm), identity_(wanted) {
        identity_.Id = 0; // the manager assigns it
        open_ =
            dsm_.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &identity_) == TWRC_SUCCESS;
    }
    ~OpenSource() {
        if (open_) {
            dsm_.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &identity_);
        }
    }
    OpenSource(const OpenSource&) = delete;
    OpenSource& operator=(const OpenSource&) = delete;

    bool IsOpen() const { return open_; }
    TW_IDENTITY* Identity() { return &identity_; }

private:
    ManagerConnection& dsm_;
    TW_IDENTITY identity_;
    bool open_ = false;
};

// An enabled source (MSG_ENABLEDS .. MSG_DISABLEDS).
class EnabledSource {
public:
    EnabledSource(ManagerConnection& dsm, OpenSource& source, HWND window)
        : dsm_(dsm), source_(source) {
        ui_.ShowUI = TRUE;
        ui_.ModalUI = FALSE;
        ui_.hParent = window;
        const TW_UINT16 rc =
            dsm_.Call(source_.Identity(), DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui_);
        // CHECKSTATUS: enabled, but without the user interface asked for.
        enabled_ = rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS;
    }
    ~EnabledSource() { Disable(); }
    EnabledSource(const EnabledSource&) = delete;
    EnabledSource& operator=(const EnabledSource&) = delete;

    bool IsEnabled() const { return enabled_; }
    void Disable() {
        if (enabled_) {
            dsm_.Call(source_.Identity(), DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui_);
            enabled_ = false;
        }
    }

private:
    ManagerConnection& dsm_;
    OpenSource& source_;
    TW_USERINTERFACE ui_{};
    bool enabled_ = false;
};

std::optional<CapabilityValues> ReadCapability(ManagerConnection& dsm, TW_IDENTITY* source,
                                               TW_UINT16 cap) {
    TW_UINT16 conType = 0;
    const std::optional<Container> container = dsm.GetCapability(source, cap, MSG_GET, conType);
    if (!container) {
        return std::nullopt;
    }
    return ReadContainer(conType, container->data(), container->size());
}

// The size of a colour page at the source's largest size and resolution,
// when the source tells.
std::optional<std::uint64_t> LargestPageBytes(ManagerConnection& dsm, TW_IDENTITY* source) {
    const auto width = ReadCapability(dsm, source, ICAP_PHYSICALWIDTH);
    const auto height = ReadCapability(dsm, source, ICAP_PHYSICALHEIGHT);
    const auto xRes = ReadCapability(dsm, source, ICAP_XRESOLUTION);
    const auto yRes = ReadCapability(dsm, source, ICAP_YRESOLUTION);
    if (!width || !height || !xRes || !yRes || !width->Largest() || !height->Largest() ||
        !xRes->Largest() || !yRes->Largest()) {
        return std::nullopt;
    }
    const double pixels = std::ceil(*width->Largest() * *xRes->Largest()) *
                          std::ceil(*height->Largest() * *yRes->Largest());
    if (!(pixels > 0) || pixels > 1e15) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(pixels * 3);
}

// One native block must hold the whole page; a 32-bit process rarely finds
// more than this in one piece.
constexpr std::uint64_t kNativeLimit =
    sizeof(void*) == 4 ? 256ull * 1024 * 1024 : 2ull * 1024 * 1024 * 1024 - 1;

std::optional<TransferMechanism> NegotiateTransfer(ManagerConnection& dsm, TW_IDENTITY* source) {
    // One page per acquisition.
    dsm.SetCapability(source, CAP_XFERCOUNT, TWTY_INT16, 1);
    const auto mechanism = ChooseTransferMechanism(ReadCapability(dsm, source, ICAP_XFERMECH),
                                                   LargestPageBytes(dsm, source), kNativeLimit);
    if (mechanism == TransferMechanism::Memory &&
        !dsm.SetCapability(source, ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY)) {
        return std::nullopt;
    }
    return mechanism;
}

struct Outcome {
    AcquireResult result;
    std::string why;
};

Outcome Failed(std::string why) {
    return {AcquireResult::Failed, std::move(why)};
}

Outcome TransferNative(ManagerConnection& dsm, TW_IDENTITY* source, const std::wstring& path,
                       const TW_IMAGEINFO* info) {
    // Zero the whole handle: some sources write only 32 bits of it.
    TW_HANDLE handle = nullptr;
    const TW_UINT16 rc = dsm.Call(source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    unique_hglobal dib(static_cast<HGLOBAL>(handle));
    if (rc == TWRC_CANCEL) {
        return {AcquireResult::Cancelled, {}};
    }
    if (rc != TWRC_XFERDONE) {
        return Failed("the scanner could not transfer the page (condition " +
                      std::to_string(dsm.ConditionCode(source)) + ")");
    }
    std::string why;
    const double xDpi = info ? Fix32ToDouble(info->XResolution) : 0;
    const double yDpi = info ? Fix32ToDouble(info->YResolution) : 0;
    if (!WriteDibFile(path, dib.get(), xDpi, yDpi, why)) {
        return Failed(why);
    }
    return {AcquireResult::Page, {}};
}

std::optional<BmpStripLayout::Kind> StripKind(TW_INT16 pixelType, TW_INT16 bitsPerPixel) {
    if (pixelType == TWPT_BW && bitsPerPixel == 1) {
        return BmpStripLayout::Kind::BlackWhite;
    }
    if (pixelType == TWPT_GRAY && bitsPerPixel == 8) {
        return BmpStripLayout::Kind::Gray;
    }
    if (pixelType == TWPT_RGB && bitsPerPixel == 24) {
        return BmpStripLayout::Kind::Rgb;
    }
    if (pixelType == TWPT_PALETTE && bitsPerPixel == 8) {
        return BmpStripLayout::Kind::Palette;
    }
    return std::nullopt;
}

Outcome TransferMemory(ManagerConnection& dsm, TW_IDENTITY* source, const std::wstring& path,
                       const TW_IMAGEINFO* info) {
    if (!info || info->Compression != TWCP_NONE || info->Planar) {
        return Failed("the scanner did not describe its page in a form Pellix can store");
    }
    const auto kind = StripKind(info->PixelType, info->BitsPerPixel);
    if (!kind) {
        return Failed("the scanner sends pixels of a kind Pellix cannot store");
    }
    std::vector<BmpStripLayout::Colour> palette;
    if (*kind == BmpStripLayout::Kind::Palette) {
        TW_PALETTE8 table{};
        if (dsm.Call(source, DG_IMAGE, DAT_PALETTE8, MSG_GET, &table) != TWRC_SUCCESS ||
            table.NumColors == 0 || table.NumColors > 256) {
            return Failed("the scanner sent no usable palette");
        }
        for (int i = 0; i < table.NumColors; ++i) {
            palette.push_back(
                {table.Colors[i].Channel1, table.Colors[i].Channel2, table.Colors[i].Channel3});
        }
    }
    std::string why;
    // An unknown length (-1) is written top-down as the rows come.
    const std::int32_t height = info->ImageLength > 0 ? info->ImageLength : 0;
    auto layout =
        BmpStripLayout::Make(*kind, info->ImageWidth, height, Fix32ToDouble(info->XResolution),
                             Fix32ToDouble(info->YResolution), palette, why);
    if (!layout) {
        return Failed(why);
    }

    TW_SETUPMEMXFER setup{};
    if (dsm.Call(source, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) {
        return Failed("the scanner did not say how it transfers through memory");
    }
    std::uint64_t size = setup.Preferred != 0 ? setup.Preferred : setup.MinBufSize;
    size = std::max<std::uint64_t>(size, setup.MinBufSize);
    if (setup.MaxBufSize != 0 && setup.MaxBufSize != 0xffffffffu) {
        size = std::min<std::uint64_t>(size, setup.MaxBufSize);
    }
    size = std::max<std::uint64_t>(size, layout->Stride() + 16);
    if (size > 64u * 1024 * 1024) {
        return Failed("the scanner asks for an unreasonably large transfer buffer");
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));

    StripFileWriter writer(path, std::move(*layout));
    for (;;) {
        TW_IMAGEMEMXFER strip{};
        strip.Compression = TWON_DONTCARE16;
        strip.BytesPerRow = strip.Columns = strip.Rows = 0xffffffffu;
        strip.XOffset = strip.YOffset = strip.BytesWritten = 0xffffffffu;
        strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        strip.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        strip.Memory.TheMem = buffer.data();
        const TW_UINT16 rc = dsm.Call(source, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (rc == TWRC_CANCEL) {
            return {AcquireResult::Cancelled, {}};
        }
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
            return Failed("the scanner stopped during the transfer (condition " +
                          std::to_string(dsm.ConditionCode(source)) + ")");
        }
        if (strip.XOffset != 0 || strip.Columns != static_cast<TW_UINT32>(info->ImageWidth) ||
            strip.BytesWritten > buffer.size()) {
            return Failed("the scanner sent tiles, which Pellix cannot store");
        }
        if (!writer.WriteStrip(static_cast<std::int32_t>(strip.YOffset), strip.Rows, buffer.data(),
                               strip.BytesWritten, strip.BytesPerRow, why)) {
            return Failed(why);
        }
        if (rc == TWRC_XFERDONE) {
            break;
        }
    }
    if (!writer.Finish(why)) {
        return Failed(why);
    }
    return {AcquireResult::Page, {}};
}

// Ends the transfer and drops any further pages: one page per call.
void EndTransfer(ManagerConnection& dsm, TW_IDENTITY* source) {
    TW_PENDINGXFERS pending{};
    if (dsm.Call(source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS ||
        pending.Count != 0) {
        TW_PENDINGXFERS reset{};
        dsm.Call(source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &reset);
    }
}

Outcome Transfer(ManagerConnection& dsm, TW_IDENTITY* source, TransferMechanism mechanism,
                 const std::wstring& path) {
    TW_IMAGEINFO info{};
    const bool haveInfo = dsm.Call(source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) == TWRC_SUCCESS;
    Outcome outcome = mechanism == TransferMechanism::Native
                          ? TransferNative(dsm, source, path, haveInfo ? &info : nullptr)
                          : TransferMemory(dsm, source, path, haveInfo ? &info : nullptr);
    EndTransfer(dsm, source);
    return outcome;
}

// Runs the source's dialog: every message passes the source first, until it
// says a page is ready or the user closed it.
Outcome RunSource(ManagerConnection& dsm, TW_IDENTITY* source, TransferMechanism mechanism,
                  const std::wstring& path) {
    for (;;) {
        TW_UINT16 twainMessage = std::exchange(g_callbackMessage, MSG_NULL);
        if (twainMessage == MSG_NULL) {
            MSG msg;
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                // The program is ending: give the quit back to the outer loop.
                PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
                return {AcquireResult::Cancelled, {}};
            }
            TW_EVENT event{&msg, MSG_NULL};
            if (dsm.Call(source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT) {
                twainMessage = event.TWMessage;
            } else {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (twainMessage == MSG_NULL) {
                twainMessage = std::exchange(g_callbackMessage, MSG_NULL);
            }
        }
        switch (twainMessage) {
        case MSG_XFERREADY:
            return Transfer(dsm, source, mechanism, path);
        case MSG_CLOSEDSREQ:
        case MSG_CLOSEDSOK:
            return {AcquireResult::Cancelled, {}};
        default:
            break;
        }
    }
}

Outcome Acquire(HWND owner, const std::wstring& path) {
    const DSMENTRYPROC entry = SourceManagerEntry();
    if (!entry) {
        return Failed("there is no TWAIN source manager on this machine");
    }
    WindowForTwain window(owner);
    ManagerConnection dsm(entry, window.get());
    if (!dsm.IsOpen()) {
        return Failed("the TWAIN source manager could not be opened");
    }
    TW_IDENTITY wanted{};
    if (g_selectedSource) {
        wanted = *g_selectedSource;
    } else if (dsm.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &wanted) !=
               TWRC_SUCCESS) {
        return Failed("no scanner is installed");
    }
    OpenSource source(dsm, wanted);
    if (!source.IsOpen()) {
        return Failed("the scanner could not be opened (condition " +
                      std::to_string(dsm.ConditionCode(nullptr)) + ")");
    }
    if (dsm.IsVersion2() && (source.Identity()->SupportedGroups & DF_DS2)) {
        TW_CALLBACK callback{};
        callback.CallBackProc = reinterpret_cast<TW_MEMREF>(&OnSourceMessage);
        dsm.Call(source.Identity(), DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK, &callback);
    }
    const auto mechanism = NegotiateTransfer(dsm, source.Identity());
    if (!mechanism) {
        return Failed("the scanner offers no transfer that Pellix can use");
    }

    g_callbackMessage = MSG_NULL;
    g_loopThread = GetCurrentThreadId();
    DisabledOwner disabled(owner);
    EnabledSource enabled(dsm, source, window.get());
    if (!enabled.IsEnabled()) {
        return Failed("the scanner could not be started (condition " +
                      std::to_string(dsm.ConditionCode(source.Identity())) + ")");
    }
    Outcome outcome = RunSource(dsm, source.Identity(), *mechanism, path);
    // As a modal dialog does: the owner is usable again before the source's
    // window goes, so it gets the activation back.
    disabled.Restore();
    enabled.Disable();
    return outcome;
}

} // namespace

int TWAIN_IsAvailable() {
    return SourceManagerEntry() != nullptr ? 1 : 0;
}

AcquireResult TWAIN_AcquireToFilename(HWND owner, const std::wstring& path, std::string* why) {
    BusyFlag busy;
    if (!busy.Acquired()) {
        if (why) {
            *why = "a scan is already running";
        }
        return AcquireResult::Failed;
    }
    Outcome outcome = Acquire(owner, path);
    if (why) {
        *why = std::move(outcome.why);
    }
    return outcome.result;
}

SelectResult TWAIN_SelectImageSource(HWND owner) {
    BusyFlag busy;
    const DSMENTRYPROC entry = SourceManagerEntry();
    if (!busy.Acquired() || !entry) {
        return SelectResult::Failed;
    }
    WindowForTwain window(owner);
    ManagerConnection dsm(entry, window.get());
    if (!dsm.IsOpen()) {
        return SelectResult::Failed;
    }
    TW_IDENTITY chosen{};
    if (g_selectedSource) {
        chosen = *g_selectedSource; // the manager may preselect it
        chosen.Id = 0;
    }
    DisabledOwner disabled(owner);
    const TW_UINT16 rc = dsm.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen);
    disabled.Restore();
    if (rc == TWRC_SUCCESS) {
        g_selectedSource = chosen;
        return SelectResult::Selected;
    }
    return rc == TWRC_CANCEL ? SelectResult::Cancelled : SelectResult::Failed;
}

} // namespace pellix
