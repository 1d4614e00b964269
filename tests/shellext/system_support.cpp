#include "tests/shellext/system_support.h"

#include "tests/support/temp_folder.h"

#include <stdexcept>

namespace pellix::test {

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 300; ++i) {
        if (condition()) {
            return true;
        }
        Sleep(100);
    }
    return condition();
}

Probe::Probe(std::wstring path) : path_(std::move(path)) {
    if (!CopyFileW(WindowsPath(START_PROBE_EXE).c_str(), path_.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy the start probe");
    }
}

Probe::~Probe() {
    DeleteFileW(path_.c_str());
    DeleteFileW((path_ + L".log").c_str());
}

std::vector<Probe::Record> Probe::Records() const {
    std::vector<Record> records;
    if (!FileExists(path_ + L".log")) {
        return records;
    }
    const std::string bytes = ReadBytes(path_ + L".log");
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    for (size_t at = 0, end; (end = text.find(L'\n', at)) != std::wstring::npos; at = end + 1) {
        const std::wstring line = text.substr(at, end - at);
        const size_t tab = line.find(L'\t');
        records.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return records;
}

namespace {

constexpr wchar_t kCompanyKey[] = L"Software\\Orvane";
constexpr wchar_t kKey[] = L"Software\\Orvane\\PellixExt";

} // namespace

AppToStart::AppToStart() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kCompanyKey);
}

AppToStart::~AppToStart() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kCompanyKey);
}

void AppToStart::Set(const std::wstring& path) const {
    Set(REG_SZ, path.c_str(), static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

void AppToStart::Set(DWORD type, const void* data, DWORD bytes) const {
    if (RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, L"AppToStart", type, data, bytes) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot write AppToStart");
    }
}

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* value) {
    wchar_t text[1024];
    DWORD bytes = sizeof text;
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text);
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY opened;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

std::pair<DWORD, DWORD> KeyContents(HKEY root, const std::wstring& key) {
    HKEY opened;
    DWORD subkeys = 0, values = 0;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(opened);
    }
    return {subkeys, values};
}

com_ptr<IContextMenu> Prepared(com_ptr<IShellExtInit> init, PCIDLIST_ABSOLUTE folder,
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

} // namespace pellix::test
