// Test helper: environment variables set for a test (and the programs it
// starts) and restored afterwards.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

namespace pellix::test {

class Environment {
public:
    using Values = std::initializer_list<std::pair<const wchar_t*, const wchar_t*>>;
    Environment(Values values = {}) { Set(values); }
    ~Environment() {
        for (const auto& [name, old] : saved_) {
            SetEnvironmentVariableW(name.c_str(), old.empty() ? nullptr : old.c_str());
        }
    }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    void Set(const wchar_t* name, const wchar_t* value) {
        wchar_t old[1024] = {};
        GetEnvironmentVariableW(name, old, 1024);
        saved_.try_emplace(name, old);
        SetEnvironmentVariableW(name, value);
    }
    void Set(Values values) {
        for (const auto& [name, value] : values) {
            Set(name, value);
        }
    }

private:
    std::map<std::wstring, std::wstring> saved_;
};

// The virtual scanner answering by itself with a small page (40 x 25 mm,
// 100 dpi), plus any further settings.
struct ScannerSettings : Environment {
    ScannerSettings(Values values)
        : Environment{{L"PELLIX_VSCAN_PAGE", L"40x25"}, {L"PELLIX_VSCAN_DPI", L"100"}} {
        Set(values);
    }
};

} // namespace pellix::test
