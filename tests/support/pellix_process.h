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

// The text of a window of another process (WM_GETTEXT is carried across).
std::wstring TextOf(HWND window);

// The text of all static controls of another process's message box.
std::wstring MessageText(HWND box);

class Program {
public:
    // Starts `exe` with `tail` as its arguments; ended on destruction when
    // it still runs.
    Program(const std::wstring& exe, const std::wstring& tail, const std::wstring& workingFolder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return started_ != FALSE; }
    bool Ended(DWORD milliseconds = 30000) const;
    DWORD ExitCode() const;

    // A visible top-level window of the program with this caption; null
    // when none came or the program ended first.
    HWND Window(const wchar_t* title, DWORD milliseconds = 20000) const;

private:
    PROCESS_INFORMATION process_{};
    BOOL started_ = FALSE;
};

} // namespace pellix::test
