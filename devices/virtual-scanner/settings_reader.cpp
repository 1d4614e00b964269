#include "devices/virtual-scanner/settings_reader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pellix::vscan {

namespace {

std::wstring widen(const char* text) {
    // Setting names are plain ASCII.
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::string narrow(const std::wstring& text) {
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

std::wstring iniPathOf(HMODULE module) {
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

std::optional<std::string> environmentValue(const char* name) {
    const std::wstring wideName = widen(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size <= 1) {
        return std::nullopt; // unset or empty
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return narrow(value);
}

std::optional<std::string> iniValue(const std::wstring& iniPath, const char* key) {
    if (iniPath.empty()) {
        return std::nullopt;
    }
    wchar_t value[512] = {};
    const DWORD length = GetPrivateProfileStringW(widen(kIniSection).c_str(), widen(key).c_str(),
                                                  L"", value, 512, iniPath.c_str());
    if (length == 0) {
        return std::nullopt;
    }
    return narrow(std::wstring(value, length));
}

} // namespace

SettingLookup settingsOf(HMODULE module) {
    return [iniPath = iniPathOf(module)](const SettingName& name) -> std::optional<std::string> {
        if (auto value = environmentValue(name.environment)) {
            return value;
        }
        return iniValue(iniPath, name.iniKey);
    };
}

} // namespace pellix::vscan
