#include "devices/virtual-scanner/manager_link.h"

#include <new>

namespace pellix::vscan {

using namespace twain;

namespace {

DSMENTRYPROC FindLoadedManager() {
    // A 2.x manager first: on Windows both may be loaded in one process.
    for (const wchar_t* name : {L"TWAINDSM.dll", L"twain_32.dll"}) {
        if (HMODULE module = GetModuleHandleW(name)) {
            if (FARPROC entry = GetProcAddress(module, "DSM_Entry")) {
                return reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(entry));
            }
        }
    }
    return nullptr;
}

} // namespace

void ManagerLink::UseEntryPoints(const TW_ENTRYPOINT& entry) {
    entry_ = entry;
}

TW_UINT16 ManagerLink::Notify(TW_IDENTITY& source, TW_IDENTITY& application,
                              TW_UINT16 message) const {
    DSMENTRYPROC manager = entry_ && entry_->DSM_Entry ? entry_->DSM_Entry : FindLoadedManager();
    if (!manager) {
        return TWRC_FAILURE;
    }
    return manager(&source, &application, DG_CONTROL, DAT_NULL, message, nullptr);
}

TW_HANDLE ManagerLink::Allocate(std::size_t bytes) const {
    if (entry_ && entry_->DSM_MemAllocate) {
        return entry_->DSM_MemAllocate(static_cast<TW_UINT32>(bytes));
    }
    return GlobalAlloc(GHND, bytes);
}

void ManagerLink::Free(TW_HANDLE handle) const {
    if (entry_ && entry_->DSM_MemFree) {
        entry_->DSM_MemFree(handle);
    } else {
        GlobalFree(handle);
    }
}

void* ManagerLink::Lock(TW_HANDLE handle) const {
    if (entry_ && entry_->DSM_MemLock) {
        return entry_->DSM_MemLock(handle);
    }
    return GlobalLock(handle);
}

void ManagerLink::Unlock(TW_HANDLE handle) const {
    if (entry_ && entry_->DSM_MemUnlock) {
        entry_->DSM_MemUnlock(handle);
    } else {
        GlobalUnlock(handle);
    }
}

ManagerMemory::ManagerMemory(const ManagerLink& link, std::size_t bytes)
    : link_(link), handle_(link.Allocate(bytes)) {
    if (!handle_) {
        throw std::bad_alloc();
    }
}

ManagerMemory::~ManagerMemory() {
    if (handle_) {
        link_.Free(handle_);
    }
}

TW_HANDLE ManagerMemory::release() {
    TW_HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
}

ManagerLock::ManagerLock(const ManagerLink& link, TW_HANDLE handle)
    : link_(link), handle_(handle), data_(handle ? link.Lock(handle) : nullptr) {}

ManagerLock::~ManagerLock() {
    if (data_) {
        link_.Unlock(handle_);
    }
}

} // namespace pellix::vscan
