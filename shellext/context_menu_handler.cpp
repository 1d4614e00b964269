#include "shellext/context_menu_handler.h"

#include "shellext/application_path.h"
#include "shellext/dropped_files.h"
#include "shellext/resource_ids.h"
#include "shellext/working_folder.h"

#include <shellapi.h>

namespace pellix::shellext {
namespace {

constexpr wchar_t kMenuItemText[] = L"Pellix to here";
constexpr char kHelpTextA[] = "Scan to this folder";
constexpr wchar_t kHelpTextW[] = L"Scan to this folder";

// Copies at most capacity - 1 characters and a terminating zero.
template <typename Char> void CopyTruncated(Char* to, UINT capacity, const Char* from) {
    if (capacity == 0) {
        return;
    }
    UINT n = 0;
    for (; n + 1 < capacity && from[n]; ++n) {
        to[n] = from[n];
    }
    to[n] = 0;
}

} // namespace

ContextMenuHandler::ContextMenuHandler(IUnknown* outer)
    : outer_(outer),
      menuBitmap_(::LoadBitmapW(TheModule().Instance(), MAKEINTRESOURCEW(IDB_MENU_BITMAP))) {}

HRESULT ContextMenuHandler::InternalQueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellExtInit)) {
        *object = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(iid, IID_IContextMenu)) {
        *object = static_cast<IContextMenu*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT ContextMenuHandler::QueryInterface(REFIID iid, void** object) {
    return outer_ ? outer_->QueryInterface(iid, object) : InternalQueryInterface(iid, object);
}

ULONG ContextMenuHandler::AddRef() {
    return outer_ ? outer_->AddRef() : static_cast<ULONG>(++references_);
}

ULONG ContextMenuHandler::Release() {
    if (outer_) {
        return outer_->Release();
    }
    const LONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT ContextMenuHandler::Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY) {
    // A failed call leaves no target behind, not even an earlier one.
    targetPath_[0] = L'\0';
    wchar_t path[MAX_PATH] = {};
    HRESULT result = S_OK;
    // The folder of a background menu wins over any selection.
    if (!folder || !::SHGetPathFromIDListW(folder, path)) {
        if (!data) {
            return E_INVALIDARG;
        }
        result = FirstDroppedFile(*data, path);
    }
    if (SUCCEEDED(result)) {
        ::lstrcpynW(targetPath_, path, MAX_PATH);
    }
    return result;
}

HRESULT ContextMenuHandler::QueryContextMenu(HMENU menu, UINT position, UINT firstCommand, UINT,
                                             UINT flags) {
    if (flags & CMF_DEFAULTONLY) {
        return S_OK;
    }
    ::InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, firstCommand, kMenuItemText);
    if (menuBitmap_) {
        ::SetMenuItemBitmaps(menu, position, MF_BYPOSITION, menuBitmap_.get(), nullptr);
    }
    // One command identifier used.
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

HRESULT ContextMenuHandler::GetCommandString(UINT_PTR command, UINT flags, UINT*, CHAR* name,
                                             UINT capacity) {
    // Help text only: the command has no language-independent verb.
    if (command != 0 || !(flags & GCS_HELPTEXTA) || !name) {
        return E_INVALIDARG;
    }
    if (flags & GCS_UNICODE) {
        CopyTruncated(reinterpret_cast<wchar_t*>(name), capacity, kHelpTextW);
    } else {
        CopyTruncated(name, capacity, kHelpTextA);
    }
    return S_OK;
}

HRESULT ContextMenuHandler::InvokeCommand(CMINVOKECOMMANDINFO* invocation) {
    if (!invocation) {
        return E_INVALIDARG;
    }
    // Command offset 0 is the only command. A verb given as a string (a
    // pointer, above the first 64 K) is refused too, "open" included.
    if (reinterpret_cast<ULONG_PTR>(invocation->lpVerb) != 0) {
        return E_INVALIDARG;
    }
    // Without a recorded target there is nothing to scan into.
    if (targetPath_[0] == L'\0') {
        return E_INVALIDARG;
    }
    // The target is the whole parameter string, unquoted, and the working
    // folder. Whether the program starts is not reported.
    wchar_t application[kApplicationPathCapacity];
    ApplicationPath(application);
    wchar_t folder[MAX_PATH];
    WorkingFolder(targetPath_, folder);
    ::ShellExecuteW(invocation->hwnd, L"open", application, targetPath_, folder, SW_SHOWNORMAL);
    return S_OK;
}

} // namespace pellix::shellext
