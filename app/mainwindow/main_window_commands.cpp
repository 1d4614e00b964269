// The main window's document commands: scan, choose the source, save, save
// as and the help document.
#include "app/components/picture_writer.h"
#include "app/components/save_failure.h"
#include "app/components/twain.h"
#include "app/mainwindow/main_window.h"
#include "app/settings/settings.h"
#include "app/startup/app_state.h"
#include "app/startup/filetools.h"
#include "app/startup/system_paths.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwctype>

namespace pellix {
namespace {

// The part of the file name from its last "." on, in lower case.
std::wstring LowerExtension(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        return {};
    }
    std::wstring extension = path.substr(dot);
    for (wchar_t& c : extension) {
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    }
    return extension;
}

} // namespace

void MainWindow::Scan() {
    view_.HidePicture();
    if (!ScanFile.empty()) {
        DeleteIfExists(ScanFile);
    }
    ScanFile = GetTempFile();
    WorkSaved = false;
    SaveFileName.clear();
    if (ScanFile.empty()) {
        MessageBoxW(window_, L"There is no room for a temporary file, so nothing was scanned.",
                    L"Pellix", MB_OK | MB_ICONERROR);
        return;
    }
    TWAIN_AcquireToFilename(window_, ScanFile);
    // A cancelled or failed scan leaves no picture: nothing to show, save or
    // ask about when closing.
    if (!view_.ShowPicture(ScanFile)) {
        DeleteIfExists(ScanFile);
        ScanFile.clear();
    }
    view_.RecalculateScrollbars();
}

void MainWindow::SelectSource() {
    TWAIN_SelectImageSource(window_);
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
    dialog.hwndOwner = window_;
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
    const std::wstring extension = LowerExtension(destination);
    PictureResult result;
    if (extension == L".gif") {
        result = ConvertToGif(ScanFile, destination);
    } else if (extension == L".jpg") {
        if (gSettings.iJPGQuality < 1 || gSettings.iJPGQuality > 100) {
            gSettings.iJPGQuality = kDefaultJpegQuality;
        }
        result = ConvertToJpeg(ScanFile, destination, gSettings.iJPGQuality);
    } else {
        result = CopyBitmap(ScanFile, destination);
    }
    if (!result.Ok()) {
        ReportSaveFailure(window_, destination, result);
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
        MessageBoxW(window_, L"Can't open the Help document", L"Pellix", MB_OK);
    }
}

void MainWindow::ShowFolder() {
    SetWindowTextW(folderLabel_, CurrentFolder.c_str());
}

} // namespace pellix
