// The resolution a window is shown at: per monitor where the system tells
// (Windows 10 and later), otherwise the screen's.
#pragma once

#include <windows.h>

namespace pellix {

int WindowDpi(HWND window);

} // namespace pellix
