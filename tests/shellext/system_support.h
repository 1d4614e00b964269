// Support for the tests that change the test prefix: the start probe, the
// "AppToStart" value, registry reads and waiting for files.
#pragma once

#include "tests/shellext/extension.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pellix::test {

// Waits up to half a minute for a condition, checking every 100 ms.
bool Eventually(const std::function<bool()>& condition);

// A copy of the start probe at a given path; each start adds one record.
class Probe {
public:
    struct Record {
        std::wstring tail, folder;
    };
    explicit Probe(std::wstring path);
    ~Probe();
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    const std::wstring& Path() const { return path_; }
    std::vector<Record> Records() const;

private:
    std::wstring path_;
};

// HKEY_LOCAL_MACHINE "Software\Orvane\PellixExt": absent at first, and
// removed again at the end.
class AppToStart {
public:
    AppToStart();
    ~AppToStart();
    AppToStart(const AppToStart&) = delete;
    AppToStart& operator=(const AppToStart&) = delete;

    void Set(const std::wstring& path) const;
    void Set(DWORD type, const void* data, DWORD bytes) const;
};

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key,
                                         const wchar_t* value = nullptr);
bool KeyExists(HKEY root, const std::wstring& key);
// Numbers of subkeys and of values of a key.
std::pair<DWORD, DWORD> KeyContents(HKEY root, const std::wstring& key);

// A new handler set up on a folder or selection and asked for its menu
// item, as the shell does before the user picks it; empty when that fails.
com_ptr<IContextMenu> Prepared(com_ptr<IShellExtInit> init, PCIDLIST_ABSOLUTE folder,
                               IDataObject* selection);

// COM for the calling thread while it lives.
class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

} // namespace pellix::test
