// Test harness for PellixExt.dll: a loaded copy driven through its exports
// as the shell drives it, and the shell-side objects a handler is given.
#pragma once

#include "common/win32/unique_any.h"
#include "tests/support/temp_folder.h"

#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellix::test {

// {D380CB24-8FDB-42EA-8853-6BC23D7A011C}
inline constexpr CLSID kHandlerClassId = {
    0xD380CB24, 0x8FDB, 0x42EA, {0x88, 0x53, 0x6B, 0xC2, 0x3D, 0x7A, 0x01, 0x1C}};
inline constexpr wchar_t kHandlerClassIdText[] = L"{D380CB24-8FDB-42EA-8853-6BC23D7A011C}";

// The PellixExt.dll of this build.
inline std::wstring ExtensionPath() {
    return WindowsPath(PELLIXEXT_DLL);
}

// PellixExt.dll loaded with LoadLibrary, as the shell loads it.
class Extension {
public:
    Extension() : module_(LoadLibraryW(ExtensionPath().c_str())) {
        if (!module_) {
            throw std::runtime_error("cannot load the extension");
        }
    }
    ~Extension() { FreeLibrary(module_); }
    Extension(const Extension&) = delete;
    Extension& operator=(const Extension&) = delete;

    // DllCanUnloadNow, DllRegisterServer or DllUnregisterServer.
    HRESULT Call(const char* exportName) const {
        return reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module_, exportName)))();
    }
    HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** object) const {
        return reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")))(classId, iid,
                                                                                   object);
    }
    com_ptr<IClassFactory> Factory() const {
        com_ptr<IClassFactory> factory;
        GetClassObject(kHandlerClassId, IID_IClassFactory, factory.put_void());
        return factory;
    }
    // A new handler, as the shell gets it.
    template <typename Interface> com_ptr<Interface> NewHandler(REFIID iid) const {
        com_ptr<Interface> handler;
        if (com_ptr<IClassFactory> factory = Factory()) {
            factory->CreateInstance(nullptr, iid, handler.put_void());
        }
        return handler;
    }

private:
    HMODULE module_;
};

// A folder ID list, freed when it goes; "My Computer" (no file-system path)
// when made without a path.
class IdList {
public:
    IdList() { SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &list_); }
    explicit IdList(const std::wstring& path) : list_(ILCreateFromPathW(path.c_str())) {}
    ~IdList() { ILFree(list_); }
    IdList(const IdList&) = delete;
    IdList& operator=(const IdList&) = delete;
    PCIDLIST_ABSOLUTE get() const { return list_; }

private:
    PIDLIST_ABSOLUTE list_ = nullptr;
};

// A selection as the shell hands it over: a data object with a dropped-file
// list (or a malformed one, or none).
class Selection final : public IDataObject {
public:
    enum class Kind { List, NoList, Unterminated };
    explicit Selection(std::vector<std::wstring> files, Kind kind = Kind::List)
        : files_(std::move(files)), kind_(kind) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject);
        *object = known ? static_cast<IDataObject*>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (kind_ == Kind::NoList || format->cfFormat != CF_HDROP ||
            !(format->tymed & TYMED_HGLOBAL)) {
            return DV_E_FORMATETC;
        }
        // DROPFILES, then each path with its zero, then the closing zero.
        std::wstring list;
        for (const std::wstring& file : files_) {
            list += file + L'\0';
        }
        if (kind_ != Kind::Unterminated) {
            list += L'\0';
        }
        const SIZE_T bytes = list.size() * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(DROPFILES) + bytes);
        auto* block = static_cast<BYTE*>(GlobalLock(memory));
        const DROPFILES header{sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
        std::memcpy(block, &header, sizeof header);
        std::memcpy(block + sizeof header, list.data(), bytes);
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr; // the receiver frees the memory
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::vector<std::wstring> files_;
    Kind kind_;
};

// Picks the command: offset or verb text as the shell passes it.
inline HRESULT Invoke(IContextMenu& menu, const char* verb) {
    CMINVOKECOMMANDINFO invocation{};
    invocation.cbSize = sizeof invocation;
    invocation.lpVerb = verb;
    invocation.nShow = SW_HIDE; // the handler shows the program normally anyway
    return menu.InvokeCommand(&invocation);
}

// A new handler set up on a folder or selection and asked for its menu
// item, as the shell does before the user picks it; empty when that fails.
inline com_ptr<IContextMenu> Prepared(com_ptr<IShellExtInit> init, PCIDLIST_ABSOLUTE folder,
                                      IDataObject* selection) {
    com_ptr<IContextMenu> menu;
    if (!init || FAILED(init->Initialize(folder, selection, nullptr)) ||
        FAILED(init->QueryInterface(IID_IContextMenu, menu.put_void()))) {
        return com_ptr<IContextMenu>();
    }
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL);
    DestroyMenu(popup);
    return menu;
}

// COM for the calling thread while it lives.
class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// Waits up to half a minute for a condition, checking every 100 ms.
inline bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 300; ++i) {
        if (condition()) {
            return true;
        }
        Sleep(100);
    }
    return condition();
}

} // namespace pellix::test
