// The class factory of a served class. The module's class table keeps one
// reference on it, so only references beyond that one hold the module.
#pragma once

#include "shellext/critical_section.h"
#include "shellext/module.h"

#include <unknwn.h>

namespace pellix::shellext {

class ClassFactory final : public IClassFactory {
public:
    // Makes a factory for createInstance and asks it for iid.
    static HRESULT Create(CreateInstanceFn createInstance, REFIID iid, void** factory);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    explicit ClassFactory(CreateInstanceFn createInstance) : createInstance_(createInstance) {}
    ~ClassFactory() = default;
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    CreateInstanceFn createInstance_;
    CriticalSection countLock_;
    LONG references_ = 0;
};

} // namespace pellix::shellext
