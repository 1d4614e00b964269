// The maker of Pellix, and opening its web site in the user's browser.
#pragma once

#include <windows.h>

namespace pellix {

inline constexpr wchar_t kMakerName[] = L"Orvane";
inline constexpr wchar_t kMakerAddress[] = L"https://www.orvane.example/pellix";

// Runs "cmd /c start <address>" in a hidden window without waiting for it.
// When that cannot be started, says so in a message box owned by `owner`
// and names the address to type in by hand.
void OpenMakerSite(HWND owner);

} // namespace pellix
