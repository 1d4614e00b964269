#include "shellext/application_path.h"

#include "common/win32/unique_any.h"

#include <algorithm>

namespace pellix::shellext {
namespace {

constexpr wchar_t kKey[] = L"Software\\Orvane\\PellixExt";
constexpr wchar_t kValue[] = L"AppToStart";

bool ReadStoredPath(wchar_t (&path)[kApplicationPathCapacity]) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const unique_hkey key(opened);
    DWORD type = REG_NONE;
    DWORD bytes = sizeof path;
    if (::RegQueryValueExW(key.get(), kValue, nullptr, &type, reinterpret_cast<BYTE*>(path),
                           &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)) {
        return false;
    }
    // Only the bytes returned are looked at; the text must end inside them.
    const wchar_t* begin = path;
    const wchar_t* end = begin + std::min<DWORD>(bytes / sizeof(wchar_t), kApplicationPathCapacity);
    const wchar_t* zero = std::find(begin, end, L'\0');
    return zero != end && zero != begin;
}

} // namespace

void ApplicationPath(wchar_t (&path)[kApplicationPathCapacity]) {
    if (!ReadStoredPath(path)) {
        ::lstrcpynW(path, kDefaultApplicationPath, kApplicationPathCapacity);
    }
}

} // namespace pellix::shellext
