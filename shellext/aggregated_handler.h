// The handler as part of an outer object: this wrapper is the outer object's
// private unknown for the handler and owns it; the handler's own interfaces
// count references and answer queries through the outer object.
#pragma once

#include "shellext/context_menu_handler.h"

namespace pellix::shellext {

class AggregatedHandler final : public IUnknown {
public:
    explicit AggregatedHandler(IUnknown* outer) : handler_(outer) {}
    AggregatedHandler(const AggregatedHandler&) = delete;
    AggregatedHandler& operator=(const AggregatedHandler&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

private:
    ~AggregatedHandler() = default;

    LONG references_ = 0;
    // Holds the module lock for the wrapper's lifetime.
    ContextMenuHandler handler_;
};

} // namespace pellix::shellext
