#include "tests/support/pellix_process.h"

#include <algorithm>

namespace pellix::test {

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(data.cFileName);
        }
    }
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    return text;
}

Program::Program(const std::wstring& exe, const std::wstring& tail,
                 const std::wstring& workingFolder) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (tail.empty() ? L"" : L" " + tail);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                   workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process_);
}

Program::~Program() {
    if (process_.hProcess && !Ended(0)) {
        TerminateProcess(process_.hProcess, 99);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

DWORD Program::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

HWND Program::Window(const wchar_t* title, DWORD milliseconds) const {
    for (DWORD waited = 0; waited < milliseconds && !Ended(50); waited += 50) {
        for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, title); window;
             window = FindWindowExW(nullptr, window, nullptr, title)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == process_.dwProcessId && IsWindowVisible(window)) {
                return window;
            }
        }
    }
    return nullptr;
}

} // namespace pellix::test
