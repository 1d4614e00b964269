// The steps every scan shares, whether the main window or an unattended
// run asks for it: a fresh temporary bitmap for the page, and writing that
// page out as a picture file.
#pragma once

#include <windows.h>

#include <string>

namespace pellix {

// Deletes the last page's temporary file and puts a new, empty one in
// ScanFile. When the system gives none, ScanFile is empty, the user is told
// that nothing was scanned, and the answer is false.
bool NewScanFile(HWND owner);

enum class PictureKind { Bitmap, Jpeg, Gif };

// By the file name's extension, in any case: ".jpg" and ".gif", anything
// else the bitmap as it came.
PictureKind PictureKindOf(const std::wstring& path);

// Writes the page in ScanFile to `destination` as `kind`. JPEG uses the
// quality setting; a setting outside 1..100 becomes 90, in gSettings too.
// A failure is shown to the user with the file's name and the reason.
bool WriteScan(HWND owner, const std::wstring& destination, PictureKind kind);

} // namespace pellix
