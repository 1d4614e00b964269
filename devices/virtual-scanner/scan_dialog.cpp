#include "devices/virtual-scanner/scan_dialog.h"

#include "devices/virtual-scanner/resource.h"

#include <stdexcept>
#include <string>

namespace pellix::vscan {

namespace {

struct ModeName {
    PixelKind kind;
    const wchar_t* name;
};

constexpr ModeName kModes[] = {
    {PixelKind::Color, L"Colour"},
    {PixelKind::Gray, L"Gray"},
    {PixelKind::BlackWhite, L"Black and white"},
};

LRESULT AddItem(HWND combo, const std::wstring& text, LPARAM data) {
    const LRESULT index =
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    return index;
}

LPARAM SelectedData(HWND combo, LPARAM fallback) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? fallback
                           : SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

} // namespace

ScanDialog::ScanDialog(HINSTANCE module, HWND owner, Choice initial, Handler handler)
    : initial_(initial), handler_(std::move(handler)) {
    if (owner && !IsWindow(owner)) {
        owner = nullptr;
    }
    HWND hwnd = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_SCAN), owner, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        throw std::runtime_error("no scan dialog");
    }
    window_.reset(hwnd);
    ShowWindow(hwnd, SW_SHOW);
}

void ScanDialog::Press(Outcome outcome) {
    const int button = outcome == Outcome::Scan ? IDOK : IDCANCEL;
    SendMessageW(window_.get(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_.get(), button)));
}

bool ScanDialog::HandleMessage(MSG& message) {
    return window_.get() && IsDialogMessageW(window_.get(), &message);
}

void ScanDialog::FillChoices(HWND hwnd) {
    HWND resolutions = GetDlgItem(hwnd, IDC_RESOLUTION);
    for (const int dpi : kOfferedResolutions) {
        const LRESULT index = AddItem(resolutions, std::to_wstring(dpi) + L" dpi", dpi);
        if (dpi == initial_.dpi) {
            SendMessageW(resolutions, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
    HWND modes = GetDlgItem(hwnd, IDC_COLOUR_MODE);
    for (const ModeName& mode : kModes) {
        const LRESULT index = AddItem(modes, mode.name, static_cast<LPARAM>(mode.kind));
        if (mode.kind == initial_.kind) {
            SendMessageW(modes, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
}

ScanDialog::Choice ScanDialog::ReadChoice() const {
    Choice choice = initial_;
    choice.dpi =
        static_cast<int>(SelectedData(GetDlgItem(window_.get(), IDC_RESOLUTION), initial_.dpi));
    choice.kind = static_cast<PixelKind>(SelectedData(GetDlgItem(window_.get(), IDC_COLOUR_MODE),
                                                      static_cast<LPARAM>(initial_.kind)));
    return choice;
}

INT_PTR CALLBACK ScanDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<ScanDialog*>(lParam);
            SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            self->FillChoices(hwnd);
            return TRUE;
        }
        auto* self = reinterpret_cast<ScanDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
        if (!self || message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) {
            return FALSE;
        }
        // The handler may destroy this dialog: it runs from a copy, and
        // nothing of the dialog is used after it.
        const Handler handler = self->handler_;
        switch (LOWORD(wParam)) {
        case IDOK:
            handler(Outcome::Scan, self->ReadChoice());
            return TRUE;
        case IDCANCEL: // also the close box and Esc
            handler(Outcome::Cancel, self->initial_);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        // Nothing may leave a dialog procedure.
        return TRUE;
    }
}

} // namespace pellix::vscan
