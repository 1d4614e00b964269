#include "devices/virtual-scanner/settings_reader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pellix::vscan {

namespace {

std::wstring Widen(const char* text) {
    // Setting names are plain ASCII.
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(0, length)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), result.data(),
                        length, nullptr, nullptr);
    return result;
}

std::wstring IniPathOf(HMODULE module) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring file(path.begin(), path.end());
    const std::size_t dot = file.find_last_of(L'.');
    const std::size_t slash = file.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) {
        file.erase(dot);
    }
    return file + L".ini";
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const std::wstring wideName = Widen(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size <= 1) {
        return std::nullopt; // unset or empty
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return Narrow(value);
}

std::optional<std::string> IniValue(const std::wstring& iniPath, const char* key) {
    if (iniPath.empty()) {
        return std::nullopt;
    }
    wchar_t value[512] = {};
    const DWORD length = GetPrivateProfileStringW(Widen(kIniSection).c_str(), Widen(key).c_str(),
                                                  L"", value, 512, iniPath.c_str());
    if (length == 0) {
        return std::nullopt;
    }
    return Narrow(std::wstring(value, length));
}

} // namespace

SettingLookup SettingsOf(HMODULE module) {
    return [iniPath = IniPathOf(module)](const SettingName& name) -> std::optional<std::string> {
        if (auto value = EnvironmentValue(name.environment)) {
            return value;
        }
        return IniValue(iniPath, name.iniKey);
    };
}

} // namespace pellix::vscan
