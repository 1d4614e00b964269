#include "shellext/working_folder.h"

#include <cwchar>

namespace pellix::shellext {

void WorkingFolder(const wchar_t* target, wchar_t (&folder)[MAX_PATH]) {
    ::lstrcpynW(folder, target, MAX_PATH);
    const DWORD attributes = ::GetFileAttributesW(target);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return;
    }
    wchar_t* slash = std::wcsrchr(folder, L'\\');
    if (!slash) {
        return;
    }
    // A file in a drive's root keeps the root's backslash: "C:\".
    const bool driveRoot = slash == folder + 2 && folder[1] == L':';
    slash[driveRoot ? 1 : 0] = L'\0';
}

} // namespace pellix::shellext
