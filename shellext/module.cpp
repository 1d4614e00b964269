#include "shellext/module.h"

namespace pellix::shellext {

namespace {

Module theModule;

} // namespace

Module& TheModule() {
    return theModule;
}

void Module::Start(HINSTANCE instance, std::span<ClassEntry> classes) {
    instance_ = instance;
    lockCount_ = 0;
    classes_ = classes;
    for (ClassEntry& entry : classes_) {
        entry.startStop(true);
    }
}

void Module::Stop() {
    for (ClassEntry& entry : classes_) {
        if (IUnknown* factory = entry.cachedFactory.exchange(nullptr)) {
            factory->Release();
        }
        entry.startStop(false);
    }
}

HRESULT Module::GetClassObject(REFCLSID classId, REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    HRESULT result = S_OK;
    for (ClassEntry& entry : classes_) {
        if (!IsEqualCLSID(entry.classId, classId)) {
            continue;
        }
        IUnknown* factory = entry.cachedFactory.load(std::memory_order_acquire);
        if (!factory) {
            SectionHold hold(classTableLock_);
            factory = entry.cachedFactory.load(std::memory_order_relaxed);
            if (!factory) {
                void* made = nullptr;
                result = entry.createFactory(entry.createInstance, IID_IUnknown, &made);
                if (SUCCEEDED(result)) {
                    factory = static_cast<IUnknown*>(made);
                    entry.cachedFactory.store(factory, std::memory_order_release);
                }
            }
        }
        if (factory) {
            result = factory->QueryInterface(iid, object);
        }
        break;
    }
    if (!*object && result == S_OK) {
        result = CLASS_E_CLASSNOTAVAILABLE;
    }
    return result;
}

} // namespace pellix::shellext
