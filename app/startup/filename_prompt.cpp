#include "app/startup/filename_prompt.h"

#include "app/win32/dialog_window.h"
#include "app/win32/web_site.h"
#include "app/win32/window_dpi.h"
#include "common/twips.h"

#include <windowsx.h>

namespace pellix {
namespace {

constexpr wchar_t kClassName[] = L"PellixFilenamePrompt";
constexpr int kTextId = 100;
constexpr int kOkId = 101; // not IDOK: Enter does not answer the prompt
constexpr int kCancelId = 102;
constexpr int kMakerId = 105;

void RegisterPromptClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW; // replaced per window in WM_NCCREATE
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    (void)atom;
}

} // namespace

void KeepOnTop(HWND window, std::int16_t flag) {
    const HWND after = flag == -1 ? HWND_TOPMOST : flag == 0 ? HWND_NOTOPMOST : HWND_TOP;
    SetWindowPos(window, after, 0, 0, 0, 0, 0x53);
}

FilenamePrompt::FilenamePrompt(HWND owner, const std::wstring& proposal) {
    RegisterPromptClass();
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    window_.reset(CreateWindowExW(exStyle, kClassName, L"Pellix filename", style, 0, 0, 0, 0, owner,
                                  nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window_) {
        return;
    }
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));

    // Client area 6030 x 1335 twips, its top-left corner at 2760, 3750.
    const int dpi = WindowDpi(window_.get());
    RECT frame{TwipsToPixels(2760, dpi), TwipsToPixels(3750, dpi), TwipsToPixels(2760 + 6030, dpi),
               TwipsToPixels(3750 + 1335, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(window_.get(), nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    CreateControls();
    SetWindowTextW(text_, proposal.c_str());
}

void FilenamePrompt::CreateControls() {
    const int dpi = WindowDpi(window_.get());
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = -MulDiv(8, dpi, 72);
    font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
    LOGFONTW small{};
    small.lfHeight = -MulDiv(675, dpi, 7200); // 6.75 pt
    small.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(small.lfFaceName, L"Verdana", LF_FACESIZE);
    smallFont_.reset(CreateFontIndirectW(&small));

    struct Control {
        const wchar_t* cls;
        const wchar_t* text;
        DWORD style;
        DWORD exStyle;
        int id, left, top, width, height;
    };
    // In tab order.
    const Control controls[] = {
        {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTextId, 720, 480, 5175, 285},
        {L"BUTTON", L"OK", WS_TABSTOP | BS_PUSHBUTTON, 0, kOkId, 3360, 840, 1215, 375},
        {L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, kCancelId, 4680, 840, 1215, 375},
        {L"STATIC", L"Enter a filename:", SS_LEFT, 0, 103, 720, 120, 1335, 255},
        {L"STATIC", L"", SS_ICON | SS_CENTERIMAGE, 0, 104, 120, 240, 480, 480},
        {L"STATIC", L"", SS_LEFT | SS_NOTIFY, 0, kMakerId, 120, 1080, 2535, 255},
    };
    for (const Control& c : controls) {
        HWND child = CreateWindowExW(
            c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, TwipsToPixels(c.left, dpi),
            TwipsToPixels(c.top, dpi), TwipsToPixels(c.width, dpi), TwipsToPixels(c.height, dpi),
            window_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
            GetModuleHandleW(nullptr), nullptr);
        SendMessageW(child, WM_SETFONT,
                     reinterpret_cast<WPARAM>(c.id == kMakerId ? smallFont_.get() : font_.get()),
                     FALSE);
        if (c.id == kTextId) {
            text_ = child;
        }
    }
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    SendDlgItemMessageW(window_.get(), 104, STM_SETICON,
                        reinterpret_cast<WPARAM>(icon ? icon : LoadIconW(nullptr, IDI_APPLICATION)),
                        0);
    const std::wstring maker = std::wstring(kMakerName) + L" - " + kMakerAddress;
    SetDlgItemTextW(window_.get(), kMakerId, maker.c_str());
    FitWidthToText(GetDlgItem(window_.get(), 103));
    FitWidthToText(GetDlgItem(window_.get(), kMakerId));
}

std::wstring FilenamePrompt::Text() const {
    const int length = GetWindowTextLengthW(text_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(text_, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring FilenamePrompt::Ask() {
    if (!window_) {
        return {};
    }
    KeepOnTop(window_.get(), -1);
    SetForegroundWindow(window_.get());
    SetFocus(text_);
    // Idle until a message arrives; the answer is taken at once.
    while (tag_ != L"Ready") {
        MSG msg;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
            Answer(true);
            break;
        }
        if (!IsDialogMessageW(window_.get(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return Text();
}

void FilenamePrompt::Answer(bool cancel) {
    if (cancel) {
        SetWindowTextW(text_, L"");
    }
    tag_ = L"Ready";
}

LRESULT CALLBACK FilenamePrompt::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<FilenamePrompt*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT FilenamePrompt::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case kOkId:
            Answer(false);
            return 0;
        case kCancelId:
            Answer(true);
            return 0;
        case kMakerId:
            if (HIWORD(w) == STN_CLICKED) {
                OpenMakerSite(window_.get());
            }
            return 0;
        default:
            return 0; // IDOK and IDCANCEL from Enter and Esc do nothing
        }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(w) == GetDlgItem(window_.get(), kMakerId)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(l) == GetDlgItem(window_.get(), kMakerId)) {
            HDC dc = reinterpret_cast<HDC>(w);
            SetTextColor(dc, GetSysColor(COLOR_HOTLIGHT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_CLOSE:
        // The close box answers as Cancel does; the run unloads the prompt.
        Answer(true);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_.get(), message, w, l);
}

} // namespace pellix
