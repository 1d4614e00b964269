// PellixShlExt, the context-menu handler: works out the folder a menu is
// about, adds "Pellix to here" and starts Pellix.exe on that folder.
#pragma once

#include "common/win32/unique_any.h"
#include "shellext/module.h"

#include <shlobj.h>

namespace pellix::shellext {

class ContextMenuHandler final : public IShellExtInit, public IContextMenu {
public:
    // outer: the controlling unknown when the handler is aggregated, which
    // then counts references and answers queries for it.
    explicit ContextMenuHandler(IUnknown* outer = nullptr);
    ~ContextMenuHandler() = default;
    ContextMenuHandler(const ContextMenuHandler&) = delete;
    ContextMenuHandler& operator=(const ContextMenuHandler&) = delete;

    // The handler's own interface table; a hit is counted through AddRef.
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data,
                                         HKEY programId) override;

    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT position, UINT firstCommand,
                                               UINT lastCommand, UINT flags) override;
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* invocation) override;
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR command, UINT flags, UINT* reserved,
                                               CHAR* name, UINT capacity) override;

private:
    // Declared first, so that it is given back after everything else is freed.
    ModuleLock moduleLock_;
    IUnknown* outer_;
    LONG references_ = 0; // one apartment thread: plain arithmetic
    wchar_t targetPath_[MAX_PATH] = {};
    unique_hbitmap menuBitmap_;
};

// The class table's instance creator: a plain handler, or an aggregatable
// one when outer is given.
HRESULT CreateHandler(IUnknown* outer, REFIID iid, void** object);

} // namespace pellix::shellext
