// The module object of PellixExt.dll: its instance handle, the lock count
// that keeps it loaded while objects or outside references exist, and the
// table of the classes it serves with their cached class factories.
#pragma once

#include "shellext/critical_section.h"

#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <span>

namespace pellix::shellext {

// Creates an object of a served class; outer is the controlling unknown when
// the object is to be aggregated.
using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

struct ClassEntry {
    const CLSID& classId;
    HRESULT (*updateRegistry)(bool registering);
    HRESULT (*createFactory)(CreateInstanceFn createInstance, REFIID iid, void** factory);
    CreateInstanceFn createInstance;
    void (*startStop)(bool starting);
    // The factory made on the first request, holding one reference.
    std::atomic<IUnknown*> cachedFactory{nullptr};
};

class Module {
public:
    Module() = default;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    void Start(HINSTANCE instance, std::span<ClassEntry> classes);
    void Stop();

    HINSTANCE Instance() const { return instance_; }
    std::span<ClassEntry> Classes() const { return classes_; }

    LONG Lock() { return ++lockCount_; }
    LONG Unlock() { return --lockCount_; }
    LONG LockCount() const { return lockCount_; }

    HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** object);

private:
    HINSTANCE instance_ = nullptr;
    std::atomic<LONG> lockCount_{0};
    CriticalSection classTableLock_;
    std::span<ClassEntry> classes_;
};

Module& TheModule();

// One lock on the module for as long as the holder lives.
class ModuleLock {
public:
    ModuleLock() { TheModule().Lock(); }
    ~ModuleLock() { TheModule().Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

} // namespace pellix::shellext
