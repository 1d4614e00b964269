#include "tests/support/dialog_robot.h"

#include "tests/support/pellix_process.h"

#include <deque>

namespace pellix::test {
namespace {

std::deque<std::function<bool()>> steps;
bool busy = false;
UINT_PTR timer = 0;
ULONGLONG deadline = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (busy || steps.empty()) {
        return;
    }
    if (GetTickCount64() > deadline) {
        // A step that never came true: close whatever is open so the test
        // ends (and fails on Done) instead of hanging.
        PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0);
        return;
    }
    busy = true;
    if (steps.front()()) {
        steps.pop_front();
    }
    busy = false;
}

// Finds the file-name box of a file dialog, however deep it sits.
BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (std::wstring(name) == L"Edit" && IsWindowVisible(child)) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

} // namespace

DialogRobot::DialogRobot() {
    // A quit left by an earlier test's window (its WM_DESTROY) would end
    // the next modal loop at once.
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    steps.clear();
    deadline = GetTickCount64() + 15000;
    timer = SetTimer(nullptr, 0, 30, Tick);
}

DialogRobot::~DialogRobot() {
    KillTimer(nullptr, timer);
    steps.clear();
}

DialogRobot& DialogRobot::Then(std::function<bool()> step) {
    steps.push_back(std::move(step));
    return *this;
}

bool DialogRobot::Done() const {
    return steps.empty();
}

std::function<bool()> AnswerFileDialog(HWND owner, std::wstring name) {
    return [owner, name] {
        HWND dialog = GetLastActivePopup(owner), edit = nullptr;
        if (dialog != owner && IsWindowVisible(dialog)) {
            EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&edit));
        }
        if (edit) {
            SetWindowTextW(edit, name.c_str());
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
        return edit != nullptr;
    };
}

HWND FindShown(const wchar_t* windowClass, const wchar_t* caption) {
    HWND window = FindWindowW(windowClass, caption);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() && IsWindowVisible(window) ? window : nullptr;
}

std::wstring MessageBoxText(HWND box) {
    std::wstring text;
    for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
         child = FindWindowExW(box, child, L"Static", nullptr)) {
        text += TextOf(child);
    }
    return text;
}

} // namespace pellix::test
