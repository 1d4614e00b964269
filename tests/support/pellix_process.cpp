#include "tests/support/pellix_process.h"

#include <algorithm>
#include <cstring>

namespace pellix::test {
namespace {

struct Search {
    DWORD process;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM l) {
    auto* search = reinterpret_cast<Search*>(l);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && TextOf(window) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(data.cFileName);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &copied);
    return text;
}

std::wstring MessageText(HWND box) {
    std::wstring shown;
    for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
         child = FindWindowExW(box, child, L"Static", nullptr)) {
        shown += TextOf(child);
    }
    return shown;
}

Program::Program(const std::wstring& exe, const std::wstring& tail,
                 const std::wstring& workingFolder) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!tail.empty()) {
        commandLine += L" " + tail;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              workingFolder.c_str(), &startup, &process_);
}

Program::~Program() {
    if (started_) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

bool Program::Ended(DWORD milliseconds) const {
    return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

HWND Program::Window(const wchar_t* title, DWORD milliseconds) const {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        Search search{process_.dwProcessId, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return search.found;
        }
        if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace pellix::test
