#include "app/win32/dialog_window.h"

#include "app/win32/window_dpi.h"
#include "common/twips.h"

#include <algorithm>

namespace pellix {

unique_hfont DialogFont(int dpi, int points, int weight, bool underline) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = weight;
    font.lfUnderline = underline;
    return unique_hfont(CreateFontIndirectW(&font));
}

HWND CreateChild(HWND parent, const ChildControl& c, int dpi) {
    HWND child = CreateWindowExW(0, c.windowClass, c.text.c_str(), WS_CHILD | WS_VISIBLE | c.style,
                                 TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi),
                                 TwipsToPixels(c.width, dpi), TwipsToPixels(c.height, dpi), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (child && c.font) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
    }
    return child;
}

void FitWidthToText(HWND label) {
    const int length = GetWindowTextLengthW(label);
    if (!label || length <= 0) {
        return;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(label, text.data(), length + 1);
    SIZE extent{};
    {
        const unique_hdc_window dc(label);
        const unique_select_object font(
            dc.get(), reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32W(dc.get(), text.c_str(), length, &extent);
    }

    RECT place{}, parent{};
    GetWindowRect(label, &place);
    MapWindowPoints(nullptr, GetParent(label), reinterpret_cast<POINT*>(&place), 2);
    GetClientRect(GetParent(label), &parent);
    // A parent not sized yet sets no bound.
    const int room = parent.right - place.left;
    const int wanted = room > 0 ? std::min<int>(extent.cx + 2, room) : extent.cx + 2;
    if (wanted > place.right - place.left) {
        SetWindowPos(label, nullptr, 0, 0, wanted, place.bottom - place.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool RegisterDialogClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

unique_hwnd CreateDialogFrame(const wchar_t* windowClass, const wchar_t* caption, int clientWidth,
                              int clientHeight, HWND owner) {
    const int dpi = WindowDpi(owner);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, TwipsToPixels(clientWidth, dpi), TwipsToPixels(clientHeight, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) {
        GetWindowRect(owner, &area);
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    return unique_hwnd(CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, windowClass,
                                       caption, style, (area.left + area.right - width) / 2,
                                       (area.top + area.bottom - height) / 2, width, height, owner,
                                       nullptr, GetModuleHandleW(nullptr), nullptr));
}

void RunModal(unique_hwnd frame, HWND owner, HWND focus, const bool& closed) {
    const HWND dialog = frame.get();
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(dialog, SW_SHOW);
    if (focus) {
        SetFocus(focus);
    }
    MSG msg;
    while (!closed) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
            break;
        }
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // The owner first, so the activation goes back to it and not to
    // another program's window.
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    frame.reset();
}

} // namespace pellix
