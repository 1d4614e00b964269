// The folder Pellix.exe starts in for a target path.
#pragma once

#include <windows.h>

namespace pellix::shellext {

// The target itself, unless it is a file: then the folder that holds it,
// since a file cannot be a process's working folder.
void WorkingFolder(const wchar_t* target, wchar_t (&folder)[MAX_PATH]);

} // namespace pellix::shellext
