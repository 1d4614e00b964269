// The source's way back to the TWAIN manager: notifications to the
// application (DAT_NULL) and the memory functions containers are made with.
//
// A 2.x manager hands its entry points over with DAT_ENTRYPOINT; a 1.x
// manager (Wine's twain_32.dll) does not, and then the manager's DSM_Entry is
// looked up in the loaded manager module and containers are global memory.
#pragma once

#include "common/twain/twain_protocol.h"

#include <cstddef>
#include <optional>

namespace pellix::vscan {

class ManagerLink {
public:
    void UseEntryPoints(const twain::TW_ENTRYPOINT& entry);
    bool HasEntryPoints() const { return entry_.has_value(); }

    // Sends DG_CONTROL/DAT_NULL/message from the source to the application.
    twain::TW_UINT16 Notify(twain::TW_IDENTITY& source, twain::TW_IDENTITY& application,
                            twain::TW_UINT16 message) const;

    // nullptr when there is no room.
    twain::TW_HANDLE Allocate(std::size_t bytes) const;
    void Free(twain::TW_HANDLE handle) const;
    void* Lock(twain::TW_HANDLE handle) const;
    void Unlock(twain::TW_HANDLE handle) const;

private:
    std::optional<twain::TW_ENTRYPOINT> entry_;
};

// A block allocated through the manager, freed unless handed over.
class ManagerMemory {
public:
    // Throws std::bad_alloc when there is no room.
    ManagerMemory(const ManagerLink& link, std::size_t bytes);
    ~ManagerMemory();
    ManagerMemory(const ManagerMemory&) = delete;
    ManagerMemory& operator=(const ManagerMemory&) = delete;

    twain::TW_HANDLE get() const { return handle_; }
    twain::TW_HANDLE release();

private:
    const ManagerLink& link_;
    twain::TW_HANDLE handle_;
};

// Keeps a manager block locked for its lifetime; data() is nullptr when the
// handle could not be locked.
class ManagerLock {
public:
    ManagerLock(const ManagerLink& link, twain::TW_HANDLE handle);
    ~ManagerLock();
    ManagerLock(const ManagerLock&) = delete;
    ManagerLock& operator=(const ManagerLock&) = delete;

    void* data() const { return data_; }

private:
    const ManagerLink& link_;
    twain::TW_HANDLE handle_;
    void* data_;
};

} // namespace pellix::vscan
