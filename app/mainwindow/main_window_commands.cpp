// The main window's document commands: scan, choose the source, save, save
// as and the help document.
#include "app/components/twain/twain.h"
#include "app/mainwindow/main_window.h"
#include "app/startup/app_state.h"
#include "app/startup/filetools.h"
#include "app/startup/scan_workflow.h"
#include "app/startup/system_paths.h"

#include <commdlg.h>
#include <shellapi.h>

namespace pellix {

void MainWindow::Scan() {
    view_.HidePicture();
    WorkSaved = false;
    SaveFileName.clear();
    if (!NewScanFile(window_.get())) {
        return;
    }
    TWAIN_AcquireToFilename(window_.get(), ScanFile);
    // A cancelled or failed scan leaves no picture: nothing to show, save or
    // ask about when closing.
    if (!view_.ShowPicture(ScanFile)) {
        DeleteIfExists(ScanFile);
        ScanFile.clear();
    }
    view_.RecalculateScrollbars();
}

void MainWindow::SelectSource() {
    TWAIN_SelectImageSource(window_.get());
}

void MainWindow::Save() {
    if (ScanFile.empty()) {
        return;
    }
    if (!SaveFileName.empty()) {
        SaveScan(SaveFileName);
    } else {
        SaveAs();
    }
}

void MainWindow::SaveAs() {
    if (ScanFile.empty()) {
        return;
    }
    wchar_t file[32768] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_.get();
    dialog.lpstrFilter = L"BMP  (*.bmp)\0*.bmp\0JPG  (*.jpg)\0*.jpg\0GIF  (*.gif)\0*.gif\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = static_cast<DWORD>(std::size(file));
    dialog.lpstrInitialDir = CurrentFolder.c_str();
    dialog.lpstrDefExt = L"jpg";
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog)) {
        return;
    }
    SaveFileName = file;
    SaveScan(SaveFileName);
    CurrentFolder = SaveFileName.substr(0, SaveFileName.rfind(L'\\'));
    ShowFolder();
}

// Writes the page by the destination's extension: GIF, JPEG, or the bitmap
// as it came. A failure is reported, and the page counts as not saved.
bool MainWindow::SaveScan(const std::wstring& destination) {
    if (!WriteScan(window_.get(), destination, PictureKindOf(destination))) {
        return false;
    }
    WorkSaved = true;
    return true;
}

void MainWindow::OpenHelp() {
    const std::wstring document = L"\"" + ApplicationFolder() + L"\\Pellix.pdf\"";
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        reinterpret_cast<HWND>(1), nullptr, document.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        MessageBoxW(window_.get(), L"Can't open the Help document", L"Pellix", MB_OK);
    }
}

void MainWindow::ShowFolder() {
    SetWindowTextW(folderLabel_, CurrentFolder.c_str());
}

} // namespace pellix
