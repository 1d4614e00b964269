// Acquisition through TWAIN: whether a source manager is present, one page
// from the selected source into a .bmp file, and the choice of source.
#pragma once

#include <windows.h>

#include <string>

namespace pellix {

enum class AcquireResult {
    Page = 1,      // the page is in the file
    Cancelled = 0, // the user cancelled in the source's dialog; the file is empty
    Failed = -1,   // no manager or source, or the source or the file failed; the file is empty
};

enum class SelectResult { Selected = 1, Cancelled = 0, Failed = -1 };

// 1 when a TWAIN source manager can be loaded and has its entry point.
int TWAIN_IsAvailable();

// Acquires one page from the selected source (the manager's default source
// until TWAIN_SelectImageSource chose another) with the source's own user
// interface, owned by `owner`, and writes it to `path` as a Windows bitmap
// file. While it runs, `owner` is disabled as the owner of a modal dialog
// is. `why` receives a reason a user can read when it fails.
AcquireResult TWAIN_AcquireToFilename(HWND owner, const std::wstring& path,
                                      std::string* why = nullptr);

// Shows the manager's source-selection dialog owned by `owner`; the source
// chosen there is used by later acquisitions of this process.
SelectResult TWAIN_SelectImageSource(HWND owner);

} // namespace pellix
