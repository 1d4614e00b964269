#include "app/win32/web_site.h"

#include "common/win32/unique_any.h"

#include <string>

namespace pellix {

void OpenMakerSite(HWND owner) {
    std::wstring command = std::wstring(L"cmd /c start ") + kMakerAddress;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &process)) {
        const unique_handle thread(process.hThread);
        const unique_handle started(process.hProcess);
        return;
    }
    const std::wstring text = std::wstring(L"Sorry, couldn't start application.\r\n\r\n") +
                              L" Navigate manually to " + kMakerAddress + L".";
    MessageBoxW(owner, text.c_str(), L"Pellix", MB_OK);
}

} // namespace pellix
