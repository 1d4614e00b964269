#include "shellext/aggregated_handler.h"

#include <new>

namespace pellix::shellext {

HRESULT AggregatedHandler::QueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return handler_.InternalQueryInterface(iid, object);
}

ULONG AggregatedHandler::AddRef() {
    return static_cast<ULONG>(++references_);
}

ULONG AggregatedHandler::Release() {
    const LONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

namespace {

template <typename Object> HRESULT CreateAndQuery(Object* made, REFIID iid, void** object) {
    if (!made) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = made->QueryInterface(iid, object);
    if (FAILED(result)) {
        made->AddRef(); // brings the count from 0 to 1, so Release ends it
        made->Release();
    }
    return result;
}

} // namespace

HRESULT CreateHandler(IUnknown* outer, REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer) {
        return CreateAndQuery(new (std::nothrow) AggregatedHandler(outer), iid, object);
    }
    return CreateAndQuery(new (std::nothrow) ContextMenuHandler(), iid, object);
}

} // namespace pellix::shellext
