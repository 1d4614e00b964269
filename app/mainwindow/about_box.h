// frmAbout: the modal About box with the program's title and version, the
// libraries it uses, a disclaimer and a link to the maker's web site.
#pragma once

#include <windows.h>

#include <string>

namespace pellix {

// "Version major.minor.revision" from the program's own version resource.
std::wstring VersionText();

// Shows the box over `owner` and returns when it is closed; the owner takes
// no input meanwhile.
void ShowAboutBox(HWND owner);

} // namespace pellix
