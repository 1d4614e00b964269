#include "app/components/twain/twain_manager.h"

#include <cstring>
#include <string>

namespace pellix {

using namespace twain;

namespace {

HMODULE LoadManagerLibrary() {
    // TWAINDSM.dll lives in the system folder; twain_32.dll in the Windows
    // folder (Wine keeps it with its system libraries). Neither is looked
    // for in the current folder.
    if (HMODULE m = LoadLibraryExW(L"TWAINDSM.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return m;
    }
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        const std::wstring path = std::wstring(windows) + L"\\twain_32.dll";
        if (HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
            return m;
        }
    }
    return LoadLibraryExW(L"twain_32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void CopyText(char* target, std::size_t size, const char* text) {
    std::strncpy(target, text, size - 1);
    target[size - 1] = '\0';
}

} // namespace

DSMENTRYPROC SourceManagerEntry() {
    // Loaded once and kept for the life of the process, as sources may keep
    // windows and timers of their own until the process ends.
    static const DSMENTRYPROC entry = [] {
        HMODULE module = LoadManagerLibrary();
        return module ? reinterpret_cast<DSMENTRYPROC>(
                            reinterpret_cast<void*>(GetProcAddress(module, "DSM_Entry")))
                      : nullptr;
    }();
    return entry;
}

Container::Container(TW_HANDLE handle, const TW_ENTRYPOINT* memory)
    : handle_(handle), memory_(memory) {
    if (!handle_) {
        return;
    }
    if (memory_) {
        data_ = memory_->DSM_MemLock(handle_);
        size_ = data_ ? GlobalSize(handle_) : 0;
    } else {
        data_ = ::GlobalLock(handle_);
        size_ = data_ ? GlobalSize(handle_) : 0;
    }
}

Container::~Container() {
    if (!handle_) {
        return;
    }
    if (memory_) {
        if (data_) {
            memory_->DSM_MemUnlock(handle_);
        }
        memory_->DSM_MemFree(handle_);
    } else {
        if (data_) {
            ::GlobalUnlock(handle_);
        }
        ::GlobalFree(handle_);
    }
}

ManagerConnection::ManagerConnection(DSMENTRYPROC entry, HWND window)
    : entry_(entry), window_(window) {
    if (!entry_) {
        return;
    }
    app_.Version.MajorNum = 1;
    app_.Version.MinorNum = 0;
    app_.Version.Language = TWLG_ENGLISH;
    app_.Version.Country = TWCY_USA;
    CopyText(app_.Version.Info, sizeof app_.Version.Info, "1.0");
    app_.ProtocolMajor = TWON_PROTOCOLMAJOR;
    app_.ProtocolMinor = TWON_PROTOCOLMINOR;
    app_.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
    CopyText(app_.Manufacturer, sizeof app_.Manufacturer, "Orvane");
    CopyText(app_.ProductFamily, sizeof app_.ProductFamily, "Pellix");
    CopyText(app_.ProductName, sizeof app_.ProductName, "Pellix");

    // The protocol passes a pointer to the window handle.
    open_ = Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window_) == TWRC_SUCCESS;
    if (open_ && IsVersion2()) {
        entryPoint_.Size = sizeof entryPoint_;
        hasEntryPoint_ =
            Call(nullptr, DG_CONTROL, DAT_ENTRYPOINT, MSG_GET, &entryPoint_) == TWRC_SUCCESS &&
            entryPoint_.DSM_MemAllocate && entryPoint_.DSM_MemFree && entryPoint_.DSM_MemLock &&
            entryPoint_.DSM_MemUnlock;
    }
}

ManagerConnection::~ManagerConnection() {
    if (open_) {
        Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &window_);
    }
}

TW_UINT16 ManagerConnection::Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                  void* data) {
    return entry_ ? entry_(&app_, dest, dg, dat, msg, data) : TWRC_FAILURE;
}

TW_UINT16 ManagerConnection::ConditionCode(TW_IDENTITY* dest) {
    TW_STATUS status{};
    if (Call(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) {
        return TWCC_BUMMER;
    }
    return status.ConditionCode;
}

std::optional<Container> ManagerConnection::GetCapability(TW_IDENTITY* source, TW_UINT16 cap,
                                                          TW_UINT16 msg, TW_UINT16& conType) {
    TW_CAPABILITY request{};
    request.Cap = cap;
    request.ConType = TWON_DONTCARE16;
    if (Call(source, DG_CONTROL, DAT_CAPABILITY, msg, &request) != TWRC_SUCCESS) {
        return std::nullopt;
    }
    conType = request.ConType;
    return std::optional<Container>(std::in_place, request.hContainer, Memory());
}

bool ManagerConnection::SetCapability(TW_IDENTITY* source, TW_UINT16 cap, TW_UINT16 itemType,
                                      TW_UINT32 item) {
    const TW_ENTRYPOINT* memory = Memory();
    TW_HANDLE handle = memory ? memory->DSM_MemAllocate(sizeof(TW_ONEVALUE))
                              : GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    if (!handle) {
        return false;
    }
    bool ok = false;
    if (void* data = memory ? memory->DSM_MemLock(handle) : ::GlobalLock(handle)) {
        const TW_ONEVALUE one{itemType, item};
        std::memcpy(data, &one, sizeof one);
        if (memory) {
            memory->DSM_MemUnlock(handle);
        } else {
            ::GlobalUnlock(handle);
        }
        TW_CAPABILITY request{cap, TWON_ONEVALUE, handle};
        ok = Call(source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request) == TWRC_SUCCESS;
    }
    if (memory) {
        memory->DSM_MemFree(handle);
    } else {
        ::GlobalFree(handle);
    }
    return ok;
}

} // namespace pellix
