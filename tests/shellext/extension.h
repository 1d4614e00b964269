// Test harness for PellixExt.dll: a loaded copy driven through its exports
// as the shell drives it, and the shell-side objects a handler is given.
#pragma once

#include "tests/support/temp_folder.h"

#include "common/win32/unique_any.h"

#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

namespace pellix::test {

// {D380CB24-8FDB-42EA-8853-6BC23D7A011C}
inline constexpr CLSID kHandlerClassId = {
    0xD380CB24, 0x8FDB, 0x42EA, {0x88, 0x53, 0x6B, 0xC2, 0x3D, 0x7A, 0x01, 0x1C}};
inline constexpr wchar_t kHandlerClassIdText[] = L"{D380CB24-8FDB-42EA-8853-6BC23D7A011C}";

// The PellixExt.dll of this build.
std::wstring ExtensionPath();

class Extension {
public:
    explicit Extension(const std::wstring& path = ExtensionPath());
    ~Extension();
    Extension(const Extension&) = delete;
    Extension& operator=(const Extension&) = delete;

    HMODULE Module() const { return module_; }
    HRESULT CanUnloadNow() const;
    HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** object) const;
    HRESULT RegisterServer() const;
    HRESULT UnregisterServer() const;

    com_ptr<IClassFactory> Factory() const;
    // A new handler, as the shell gets it.
    template <typename Interface> com_ptr<Interface> NewHandler(REFIID iid) const {
        com_ptr<Interface> handler;
        if (com_ptr<IClassFactory> factory = Factory()) {
            factory->CreateInstance(nullptr, iid, handler.put_void());
        }
        return handler;
    }

private:
    template <typename Fn> Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    HMODULE module_;
};

// A folder ID list, freed when it goes.
class IdList {
public:
    explicit IdList(PIDLIST_ABSOLUTE list) : list_(list) {}
    explicit IdList(const std::wstring& path) : list_(ILCreateFromPathW(path.c_str())) {}
    ~IdList() { ILFree(list_); }
    IdList(const IdList&) = delete;
    IdList& operator=(const IdList&) = delete;
    PCIDLIST_ABSOLUTE get() const { return list_; }

private:
    PIDLIST_ABSOLUTE list_;
};
// "My Computer": a folder without a file-system path.
PIDLIST_ABSOLUTE VirtualFolder();

// A selection as the shell hands it over: a data object with a dropped-file
// list. It counts the storage media it gave out and that were not released.
class Selection final : public IDataObject {
public:
    enum class Kind { List, NoList, OtherMedium, Unterminated };
    explicit Selection(std::vector<std::wstring> files, Kind kind = Kind::List)
        : files_(std::move(files)), kind_(kind) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    LONG MediaOutstanding() const { return outstanding_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
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
    LONG outstanding_ = 0;
};

// Picks the command: offset or verb text as the shell passes it.
HRESULT Invoke(IContextMenu& menu, const char* verb);

} // namespace pellix::test
