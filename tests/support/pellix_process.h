// Test helpers for running a copy of Pellix.exe as its own process and
// looking at what it shows and writes.
#pragma once

#include "tests/support/temp_folder.h"

#include <windows.h>

#include <string>
#include <vector>

namespace pellix::test {

// The names of the files (not folders) in a folder matching `pattern`, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern = L"*");

// The text of a window of this process or another.
std::wstring TextOf(HWND window);

class Program {
public:
    // Starts `exe` with `tail` as its arguments in `workingFolder` (empty:
    // this process's); ended on destruction when it still runs.
    Program(const std::wstring& exe, const std::wstring& tail, const std::wstring& workingFolder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    bool Ended(DWORD ms = 30000) const { return WaitForSingleObject(process_.hProcess, ms) == 0; }
    DWORD ExitCode() const;
    // A visible top-level window of the program with this caption, or null.
    HWND Window(const wchar_t* title, DWORD milliseconds = 20000) const;

private:
    PROCESS_INFORMATION process_{};
};

} // namespace pellix::test
