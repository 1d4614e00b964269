#include "app/mainwindow/about_box.h"

#include "app/win32/dialog_window.h"
#include "app/win32/module_path.h"
#include "app/win32/web_site.h"
#include "app/win32/window_dpi.h"

#include <utility>
#include <vector>

namespace pellix {
namespace {

constexpr wchar_t kClassName[] = L"PellixAboutBox";
constexpr int kWebId = 110;
constexpr int kBannerId = 111;

struct AboutState {
    bool closed = false;
    HFONT titleFont = nullptr;
};

// The banner across the top: a blue band with the program's name.
void PaintBanner(HDC dc, const RECT& r, HFONT font) {
    TRIVERTEX v[2] = {{r.left, r.top, 0x1000, 0x3000, 0x7000, 0},
                      {r.right, r.bottom, 0x3000, 0x8000, 0xd000, 0}};
    GRADIENT_RECT g{0, 1};
    GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const unique_select_object selected(dc, font);
    RECT text = r;
    text.left += (r.bottom - r.top) / 3;
    DrawTextW(dc, L"Pellix", -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK AboutProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if ((LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) && state) {
            state->closed = true;
        } else if (LOWORD(w) == kWebId && HIWORD(w) == STN_CLICKED) {
            OpenMakerSite(window);
        }
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(w);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetDlgCtrlID(reinterpret_cast<HWND>(l)) == kWebId ? RGB(0, 0, 255)
                                                                           : RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        if (item->CtlID == kBannerId && state) {
            PaintBanner(item->hDC, item->rcItem, state->titleFont);
        }
        return TRUE;
    }
    case WM_SETCURSOR:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(w)) == kWebId) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        if (state) {
            state->closed = true;
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, w, l);
}

} // namespace

std::wstring VersionText() {
    const std::wstring module = ModulePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(module.c_str(), &ignored);
    std::vector<unsigned char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(module.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info) {
        return L"Version 1.0.0";
    }
    return L"Version " + std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

void ShowAboutBox(HWND owner) {
    static const bool registered = RegisterDialogClass(
        kClassName, AboutProcedure, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!registered) {
        return;
    }
    unique_hwnd frame = CreateDialogFrame(kClassName, L"About Pellix", 5790, 4365, owner);
    if (!frame) {
        return;
    }
    const HWND box = frame.get();
    const int dpi = WindowDpi(box);
    const unique_hfont font = DialogFont(dpi, 8);
    const unique_hfont linkFont = DialogFont(dpi, 8, FW_NORMAL, true);
    const unique_hfont titleFont = DialogFont(dpi, 14, FW_BOLD);
    AboutState state;
    state.titleFont = titleFont.get();
    SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

    const std::wstring disclaimer = std::wstring(L"This application is used on an as-is basis. ") +
                                    kMakerName +
                                    L" takes no responsibility for any damage caused by using "
                                    L"this application.";
    const ChildControl controls[] = {
        {L"STATIC", L"", SS_OWNERDRAW, kBannerId, 0, 0, 5850, 1050, nullptr},
        {L"STATIC", L"Pellix", SS_CENTER, 101, 840, 1200, 4125, 480, titleFont.get()},
        {L"STATIC", VersionText(), SS_CENTER, 102, 840, 1560, 4125, 225, font.get()},
        {L"STATIC", disclaimer, SS_CENTER, 103, 960, 1920, 4110, 585, font.get()},
        {L"STATIC", L"This program uses the libjpeg-turbo", SS_CENTER, 104, 720, 2760, 4455, 255,
         font.get()},
        {L"STATIC", L"and giflib libraries.", SS_CENTER, 105, 720, 3000, 4575, 255, font.get()},
        {L"STATIC", kMakerAddress, SS_CENTER | SS_NOTIFY, kWebId, 840, 3480, 4215, 255,
         linkFont.get()},
        {L"STATIC", L"", SS_ETCHEDHORZ, 106, 120, 3840, 5560, 30, nullptr},
        {L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 2280, 3960, 1260, 345, font.get()},
    };
    for (const ChildControl& c : controls) {
        CreateChild(box, c, dpi);
    }
    RunModal(std::move(frame), owner, GetDlgItem(box, IDOK), state.closed);
}

} // namespace pellix
