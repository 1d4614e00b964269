// Stands in for Pellix.exe: records how it was started, one line per start
// appended to "<its own path>.log" in UTF-16: the command tail as Pellix
// reads it, a tab, the working folder.
#include "app/startup/command_line.h"

#include <windows.h>

#include <string>

int wmain() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring line = pellix::CommandTail(GetCommandLineW()) + L"\t" + folder + L"\n";
    HANDLE log = CreateFileW((std::wstring(self) + L".log").c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(log);
    return 0;
}
