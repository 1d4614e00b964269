// The program's entry: start-up in a fixed order, then the unattended
// scan-to-folder run or the main window.
#include "app/components/twain/twain.h"
#include "app/mainwindow/main_window.h"
#include "app/settings/settings.h"
#include "app/startup/app_state.h"
#include "app/startup/command_line.h"
#include "app/startup/scan_to_folder.h"
#include "app/startup/system_paths.h"

#include <windows.h>

#include <commctrl.h>

namespace pellix {
namespace {

// Visual styles for the common controls; a failure changes nothing.
void InitCommonControlsLook() {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof init;
    init.dwICC = ICC_USEREX_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&init);
}

int Run(int showCommand) {
    InitCommonControlsLook();
    if (TWAIN_IsAvailable() != 1) {
        MessageBoxW(nullptr, L"There is no TWAIN compatible device on this machine!", L"Pellix",
                    MB_OK);
        return 0;
    }
    sIniFile = SettingsFilePath();
    LoadSettings();
    const StartFolder start = ParseCommandLine(CommandTail(GetCommandLineW()), SystemPathQueries());
    CurrentFolder = start.CurrentFolder;
    ScanToFolder = start.ScanToFolder;

    MainWindow main;
    if (!main.Load(ScanToFolder ? MainWindow::LoadAs::OwnerOnly
                                : MainWindow::LoadAs::Interactive)) {
        return 1;
    }
    if (ScanToFolder) {
        RunScanToFolder(main.Handle());
        // The window was never shown: it goes without asking, even when the
        // run could not delete its temporary file.
        main.Destroy();
        return 0;
    }
    main.Show(showCommand);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

} // namespace
} // namespace pellix

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    return pellix::Run(showCommand);
}
