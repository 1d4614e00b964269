#include "shellext/registration.h"

#include "common/win32/unique_any.h"
#include "shellext/class_id.h"
#include "shellext/module.h"
#include "shellext/registrar.h"
#include "shellext/resource_ids.h"

namespace pellix::shellext {
namespace {

constexpr wchar_t kApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t kApprovedText[] = L"PellixShlExt extension";

// The keys the script removes with everything below them (its ForceRemove
// keys), below HKEY_CLASSES_ROOT.
constexpr const wchar_t* kOwnKeys[] = {
    L"CLSID\\" PELLIX_HANDLER_CLASS_ID_TEXT,
    L"txtfile\\ShellEx\\ContextMenuHandlers\\SimpleShlExt",
};

bool IsNtFamily() {
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    return (::GetVersion() & 0x80000000u) == 0;
}

unique_hkey OpenApprovedList() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
        return unique_hkey();
    }
    return unique_hkey(key);
}

// The module's full path; false when it does not fit.
bool ModulePath(wchar_t (&path)[MAX_PATH]) {
    const DWORD length = ::GetModuleFileNameW(TheModule().Instance(), path, MAX_PATH);
    return length != 0 && length < MAX_PATH;
}

// The script quotes its texts with single quotes, so a quote in the path
// is written twice.
void QuoteForScript(const wchar_t* text, wchar_t (&quoted)[2 * MAX_PATH]) {
    wchar_t* out = quoted;
    for (; *text; ++text) {
        *out++ = *text;
        if (*text == L'\'') {
            *out++ = *text;
        }
    }
    *out = L'\0';
}

// Some registrars leave part of a removed key behind: its subkeys, or its
// named values. The script's own keys are removed completely here.
void RemoveOwnKeys() {
    for (const wchar_t* key : kOwnKeys) {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    }
}

HRESULT RunScript(bool registering) {
    com_ptr<IRegistrar> registrar;
    HRESULT result = ::CoCreateInstance(kRegistrarClassId, nullptr, CLSCTX_INPROC_SERVER,
                                        kRegistrarInterfaceId, registrar.put_void());
    if (FAILED(result)) {
        return result;
    }
    // A module path cut short would register a file that is not there.
    wchar_t path[MAX_PATH];
    if (!ModulePath(path)) {
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    wchar_t quoted[2 * MAX_PATH];
    QuoteForScript(path, quoted);
    result = registrar->AddReplacement(L"Module", quoted);
    if (FAILED(result)) {
        return result;
    }
    if (registering) {
        // The keys are rebuilt from nothing: no foreign subkey or value stays.
        RemoveOwnKeys();
        return registrar->ResourceRegister(path, IDR_PELLIXEXT_REGISTRY, L"REGISTRY");
    }
    result = registrar->ResourceUnregister(path, IDR_PELLIXEXT_REGISTRY, L"REGISTRY");
    RemoveOwnKeys();
    return result;
}

} // namespace

HRESULT UpdateHandlerRegistry(bool registering) {
    return RunScript(registering);
}

HRESULT RegisterServer() {
    if (IsNtFamily()) {
        const unique_hkey approved = OpenApprovedList();
        if (!approved || ::RegSetValueExW(approved.get(), kHandlerClassIdText, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(kApprovedText),
                                          sizeof kApprovedText) != ERROR_SUCCESS) {
            return E_ACCESSDENIED;
        }
    }
    for (ClassEntry& entry : TheModule().Classes()) {
        const HRESULT result = entry.updateRegistry(true);
        if (FAILED(result)) {
            return result;
        }
    }
    return S_OK;
}

HRESULT UnregisterServer() {
    if (IsNtFamily()) {
        if (const unique_hkey approved = OpenApprovedList()) {
            ::RegDeleteValueW(approved.get(), kHandlerClassIdText);
        }
    }
    for (ClassEntry& entry : TheModule().Classes()) {
        entry.updateRegistry(false);
    }
    return S_OK;
}

} // namespace pellix::shellext
