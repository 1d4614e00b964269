#include "shellext/class_factory.h"

#include <new>

namespace pellix::shellext {

HRESULT ClassFactory::Create(CreateInstanceFn createInstance, REFIID iid, void** factory) {
    if (!factory) {
        return E_POINTER;
    }
    *factory = nullptr;
    auto* made = new (std::nothrow) ClassFactory(createInstance);
    if (!made) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = made->QueryInterface(iid, factory);
    if (FAILED(result)) {
        delete made;
    }
    return result;
}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() {
    SectionHold hold(countLock_);
    if (++references_ == 2) {
        TheModule().Lock();
    }
    return static_cast<ULONG>(references_);
}

ULONG ClassFactory::Release() {
    LONG left;
    {
        SectionHold hold(countLock_);
        left = --references_;
        if (left == 1) {
            TheModule().Unlock();
        }
    }
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) {
        // An aggregated object hands out its own IUnknown first; nothing else.
        OutputDebugStringA("ATL: ");
        OutputDebugStringA(
            "CComClassFactory: asked for non IUnknown interface while creating an aggregated "
            "object");
        return CLASS_E_NOAGGREGATION;
    }
    return createInstance_(outer, iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        TheModule().Lock();
    } else {
        TheModule().Unlock();
    }
    return S_OK;
}

} // namespace pellix::shellext
