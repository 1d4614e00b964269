#include "tests/shellext/extension.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pellix::test {

std::wstring ExtensionPath() {
    return WindowsPath(PELLIXEXT_DLL);
}

Extension::Extension(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {
    if (!module_) {
        throw std::runtime_error("cannot load the extension");
    }
}

Extension::~Extension() {
    FreeLibrary(module_);
}

HRESULT Extension::CanUnloadNow() const {
    return Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow")();
}

HRESULT Extension::GetClassObject(REFCLSID classId, REFIID iid, void** object) const {
    return Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(
        classId, iid, object);
}

HRESULT Extension::RegisterServer() const {
    return Export<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer")();
}

HRESULT Extension::UnregisterServer() const {
    return Export<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer")();
}

com_ptr<IClassFactory> Extension::Factory() const {
    com_ptr<IClassFactory> factory;
    GetClassObject(kHandlerClassId, IID_IClassFactory, factory.put_void());
    return factory;
}

PIDLIST_ABSOLUTE VirtualFolder() {
    PIDLIST_ABSOLUTE list = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &list);
    return list;
}

namespace {

// Frees a medium's memory when the receiver releases the medium.
class MediumOwner final : public IUnknown {
public:
    MediumOwner(HGLOBAL memory, LONG& outstanding) : memory_(memory), outstanding_(outstanding) {
        ++outstanding_;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (--references_ > 0) {
            return references_;
        }
        GlobalFree(memory_);
        --outstanding_;
        delete this;
        return 0;
    }

private:
    HGLOBAL memory_;
    LONG& outstanding_;
    ULONG references_ = 1;
};

} // namespace

HRESULT Selection::QueryInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
        *object = static_cast<IDataObject*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT Selection::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (kind_ == Kind::NoList || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) {
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
    const SIZE_T size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    auto* block = static_cast<BYTE*>(GlobalLock(memory));
    DROPFILES header{sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    std::memcpy(block, &header, sizeof header);
    std::memcpy(block + sizeof header, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    medium->tymed = kind_ == Kind::OtherMedium ? TYMED_ISTREAM : TYMED_HGLOBAL;
    medium->hGlobal = kind_ == Kind::OtherMedium ? nullptr : memory;
    medium->pUnkForRelease = new MediumOwner(memory, outstanding_);
    return S_OK;
}

HRESULT Invoke(IContextMenu& menu, const char* verb) {
    CMINVOKECOMMANDINFO invocation{};
    invocation.cbSize = sizeof invocation;
    invocation.lpVerb = verb;
    invocation.nShow = SW_HIDE; // the handler shows the program normally anyway
    return menu.InvokeCommand(&invocation);
}

} // namespace pellix::test
