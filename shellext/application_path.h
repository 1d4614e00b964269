// Where Pellix.exe is: the "AppToStart" value under HKEY_LOCAL_MACHINE
// "Software\Orvane\PellixExt", or the default installation path.
#pragma once

namespace pellix::shellext {

// 255 characters and the terminating zero.
inline constexpr unsigned kApplicationPathCapacity = 256;
inline constexpr wchar_t kDefaultApplicationPath[] =
    L"C:\\Program Files\\Orvane\\Pellix\\Pellix.exe";

// The stored path taken literally, or the default path when the value is
// missing, unreadable, not a text, empty, without a terminating zero, or
// longer than 255 characters.
void ApplicationPath(wchar_t (&path)[kApplicationPathCapacity]);

} // namespace pellix::shellext
