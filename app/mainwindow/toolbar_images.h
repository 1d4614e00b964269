// The toolbar's image list, drawn at the window's resolution.
#pragma once

#include "app/mainwindow/drawn_icons.h"
#include "common/win32/unique_any.h"

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>

namespace pellix {

// The icons in the given order, each 16 pixels at 96 dpi and scaled with
// the resolution; empty when the system cannot make the list.
unique_himagelist DrawnImageList(std::initializer_list<DrawnIcon> icons, int dpi);

} // namespace pellix
