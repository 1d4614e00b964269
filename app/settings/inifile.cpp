#include "app/settings/inifile.h"

#include "app/settings/name_list.h"
#include "app/settings/user_locale.h"

#include <windows.h>

#include <algorithm>

namespace pellix {
namespace {

// Buffer sizes in characters: a value comes back with at most 254
// characters, a name list with at most 8190.
constexpr DWORD kValueBuffer = 255;
constexpr DWORD kListBuffer = 8192;

} // namespace

std::wstring clsInifile::Value() const {
    if (path_.empty() || section_.empty() || key_.empty()) {
        return default_.substr(0, kValueBuffer - 1);
    }
    std::wstring buffer(kValueBuffer, L'\0');
    const DWORD n = GetPrivateProfileStringW(section_.c_str(), key_.c_str(), default_.c_str(),
                                             buffer.data(), kValueBuffer, path_.c_str());
    buffer.resize(std::min(n, kValueBuffer - 1));
    return buffer;
}

void clsInifile::SetValue(std::wstring_view sValue) {
    std::wstring clean(sValue);
    clean.erase(std::remove(clean.begin(), clean.end(), L'\0'), clean.end());
    Write(key_.empty() ? nullptr : key_.c_str(), clean.c_str());
}

void clsInifile::DeleteKey() {
    Write(key_.empty() ? nullptr : key_.c_str(), nullptr);
}

void clsInifile::DeleteSection() {
    if (path_.empty() || section_.empty()) {
        lastReturnCode_ = 0;
        return;
    }
    lastReturnCode_ = WritePrivateProfileStringW(section_.c_str(), nullptr, nullptr, path_.c_str());
}

std::wstring clsInifile::INISection() const {
    if (section_.empty()) {
        return {};
    }
    return ReadList(section_.c_str());
}

void clsInifile::SetINISection(std::wstring_view) {
    DeleteSection();
}

std::wstring clsInifile::Sections() const {
    return ReadList(nullptr);
}

std::vector<std::wstring> clsInifile::EnumerateCurrentSection() const {
    return SplitNameList(INISection(), EmptyNames::Keep);
}

std::vector<std::wstring> clsInifile::EnumerateAllSections() const {
    return SplitNameList(Sections(), EmptyNames::Skip);
}

std::int32_t clsInifile::CLngDefault(std::wstring_view sString, std::int32_t lDefault) const {
    return ParseInt32(sString, UserNumberFormat()).value_or(lDefault);
}

std::wstring clsInifile::ReadList(const wchar_t* section) const {
    if (path_.empty()) {
        return {};
    }
    std::wstring buffer(kListBuffer, L'\0');
    const DWORD n = GetPrivateProfileStringW(section, nullptr, default_.c_str(), buffer.data(),
                                             kListBuffer, path_.c_str());
    buffer.resize(std::min(n, kListBuffer - 1));
    return buffer;
}

// A missing key would make the platform call remove the whole section, so a
// key write or delete without a Key fails instead.
void clsInifile::Write(const wchar_t* key, const wchar_t* value) {
    if (path_.empty() || section_.empty() || key == nullptr) {
        lastReturnCode_ = 0;
        return;
    }
    lastReturnCode_ = WritePrivateProfileStringW(section_.c_str(), key, value, path_.c_str());
}

} // namespace pellix
