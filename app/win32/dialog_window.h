// Building blocks of the program's own dialog windows: fonts at the
// window's resolution, child controls placed in twips, and the modal wait
// that keeps the owner from taking input.
#pragma once

#include "common/win32/unique_any.h"

#include <windows.h>

#include <string>

namespace pellix {

// The system's message font at the given size, in points.
unique_hfont DialogFont(int dpi, int points, int weight = FW_NORMAL, bool underline = false);

struct ChildControl {
    const wchar_t* windowClass;
    std::wstring text;
    DWORD style; // added to WS_CHILD | WS_VISIBLE
    int id;
    int left, top, width, height; // twips in the parent's client area
    HFONT font;
};

HWND CreateChild(HWND parent, const ChildControl& control, int dpi);

// Widens a one-line label to its text in its own font when the text would
// not fit (a wider system font than the design's), as far as its parent's
// client area allows. Never narrows it.
void FitWidthToText(HWND label);

// Registers a window class of this program with an arrow cursor; false
// when the system refuses it.
bool RegisterDialogClass(const wchar_t* name, WNDPROC procedure, HBRUSH background);

// A hidden pop-up dialog frame around a client area of the given twips,
// centred over the owner (or the screen without one).
unique_hwnd CreateDialogFrame(const wchar_t* windowClass, const wchar_t* caption, int clientWidth,
                              int clientHeight, HWND owner);

// Shows the dialog and runs its messages until `closed` turns true, then
// destroys it. The owner takes no input meanwhile and gets the activation
// back afterwards. A WM_QUIT met on the way ends the dialog and is posted
// again for the caller's loop.
void RunModal(unique_hwnd dialog, HWND owner, HWND focus, const bool& closed);

} // namespace pellix
