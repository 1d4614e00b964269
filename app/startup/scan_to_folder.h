// The unattended run: one page from the scanner into CurrentFolder as a
// JPEG file, named from the clock (and the user, when the settings ask).
#pragma once

#include <windows.h>

namespace pellix {

// owner: the hidden main window, owner of the scanner's dialog.
void RunScanToFolder(HWND owner);

} // namespace pellix
