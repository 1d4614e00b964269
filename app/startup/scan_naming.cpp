#include "app/startup/scan_naming.h"

#include <cwctype>

namespace pellix {

std::wstring DateTimeStamp(const LocalTime& t) {
    std::wstring stamp;
    for (int part : {t.year, t.month, t.day, t.hour, t.minute, t.second}) {
        stamp += std::to_wstring(part);
    }
    return stamp;
}

std::wstring FolderName(const std::wstring& currentFolder) {
    const size_t slash = currentFolder.rfind(L'\\');
    return slash == std::wstring::npos ? currentFolder : currentFolder.substr(slash + 1);
}

std::wstring ProposedName(bool useDate, bool useFolder, const std::wstring& stamp,
                          const std::wstring& folderName) {
    std::wstring proposal = useDate ? stamp : std::wstring();
    if (useFolder) {
        proposal += L"-" + folderName;
    }
    return proposal;
}

std::wstring StampName(const std::wstring& stamp) {
    return stamp + L"-Pellix.jpg";
}

std::wstring WithJpgExtension(const std::wstring& name) {
    if (name.size() >= 4) {
        std::wstring last = name.substr(name.size() - 4);
        for (wchar_t& c : last) {
            c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
        }
        if (last == L".jpg") {
            return name;
        }
    }
    return name + L".jpg";
}

std::wstring TargetPath(const std::wstring& currentFolder, const std::wstring& name) {
    return currentFolder + L"\\" + name;
}

std::wstring FreePath(const std::wstring& path,
                      const std::function<bool(const std::wstring&)>& taken) {
    if (!taken(path)) {
        return path;
    }
    const size_t slash = path.rfind(L'\\');
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        dot = path.size();
    }
    for (int n = 2;; ++n) {
        const std::wstring candidate =
            path.substr(0, dot) + L" (" + std::to_wstring(n) + L")" + path.substr(dot);
        if (!taken(candidate)) {
            return candidate;
        }
    }
}

} // namespace pellix
