// The platform's TWAIN Data Source Manager: loaded once per process at the
// first use, and a connection to it (state 3) for one window.
#pragma once

#include "common/twain/twain_protocol.h"

#include <windows.h>

#include <cstddef>
#include <optional>

namespace pellix {

// The manager's entry point, or nullptr when no manager can be loaded.
// TWAINDSM.dll (TWAIN 2.x) is tried first, then twain_32.dll.
twain::DSMENTRYPROC SourceManagerEntry();

// A capability container from the source, freed when it goes.
class Container {
public:
    Container(twain::TW_HANDLE handle, const twain::TW_ENTRYPOINT* memory);
    ~Container();
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    const void* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    twain::TW_HANDLE handle_;
    const twain::TW_ENTRYPOINT* memory_;
    const void* data_ = nullptr;
    std::size_t size_ = 0;
};

// An open connection to the manager (MSG_OPENDSM .. MSG_CLOSEDSM).
class ManagerConnection {
public:
    // Opens the manager for `window`; check IsOpen().
    ManagerConnection(twain::DSMENTRYPROC entry, HWND window);
    ~ManagerConnection();
    ManagerConnection(const ManagerConnection&) = delete;
    ManagerConnection& operator=(const ManagerConnection&) = delete;

    bool IsOpen() const { return open_; }
    // The manager speaks TWAIN 2.x (callbacks, memory functions).
    bool IsVersion2() const { return (app_.SupportedGroups & twain::DF_DSM2) != 0; }
    twain::TW_IDENTITY* App() { return &app_; }
    const twain::TW_ENTRYPOINT* Memory() const { return hasEntryPoint_ ? &entryPoint_ : nullptr; }

    // A triplet to the manager itself (dest nullptr) or to a source.
    twain::TW_UINT16 Call(twain::TW_IDENTITY* dest, twain::TW_UINT32 dg, twain::TW_UINT16 dat,
                          twain::TW_UINT16 msg, void* data);
    // The condition code of the last failure (DAT_STATUS).
    twain::TW_UINT16 ConditionCode(twain::TW_IDENTITY* dest);

    // Capability helpers for an open source.
    std::optional<Container> GetCapability(twain::TW_IDENTITY* source, twain::TW_UINT16 cap,
                                           twain::TW_UINT16 msg, twain::TW_UINT16& conType);
    bool SetCapability(twain::TW_IDENTITY* source, twain::TW_UINT16 cap, twain::TW_UINT16 itemType,
                       twain::TW_UINT32 item);

private:
    twain::DSMENTRYPROC entry_;
    HWND window_;
    twain::TW_IDENTITY app_{};
    twain::TW_ENTRYPOINT entryPoint_{};
    bool hasEntryPoint_ = false;
    bool open_ = false;
};

} // namespace pellix
