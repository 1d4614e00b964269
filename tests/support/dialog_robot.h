// Test helper: drives a modal window of this process from inside its own
// message loop. Steps run one after another on a 30 ms timer; a step that
// answers false is tried again on the next tick. A step should post, not
// send, whatever opens a further modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace pellix::test {

class DialogRobot {
public:
    DialogRobot();
    ~DialogRobot();
    DialogRobot(const DialogRobot&) = delete;
    DialogRobot& operator=(const DialogRobot&) = delete;

    DialogRobot& Then(std::function<bool()> step);
    // True when every step ran before the robot was destroyed.
    bool Done() const;
};

// A step that answers the file dialog owned by `owner` (once it shows) with
// `name` and confirms it.
std::function<bool()> AnswerFileDialog(HWND owner, std::wstring name);

// A visible top-level window of this process with this class and caption.
HWND FindShown(const wchar_t* windowClass, const wchar_t* caption);
// The text of all static controls of a message box, of this process or
// another.
std::wstring MessageBoxText(HWND box);

} // namespace pellix::test
