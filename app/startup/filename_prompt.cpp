#include "app/startup/filename_prompt.h"

#include "app/win32/dialog_window.h"
#include "app/win32/web_site.h"
#include "app/win32/window_dpi.h"

#include <windowsx.h>

namespace pellix {
namespace {

constexpr wchar_t kClassName[] = L"PellixFilenamePrompt";
constexpr int kTextId = 100;
constexpr int kOkId = 101; // not IDOK: Enter does not answer the prompt
constexpr int kCancelId = 102;
constexpr int kMakerId = 105;

// Twips to pixels at the window's resolution.
int Px(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

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
    window_ = CreateWindowExW(exStyle, kClassName, L"Pellix filename", style, 0, 0, 0, 0, owner,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) {
        return;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));

    // Client area 6030 x 1335 twips, its top-left corner at 2760, 3750.
    const UINT dpi = static_cast<UINT>(WindowDpi(window_));
    RECT frame{Px(2760, dpi), Px(3750, dpi), Px(2760 + 6030, dpi), Px(3750 + 1335, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(window_, nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    CreateControls();
    SetWindowTextW(text_, proposal.c_str());
}

FilenamePrompt::~FilenamePrompt() {
    if (window_) {
        DestroyWindow(window_);
    }
    if (font_) {
        DeleteObject(font_);
    }
    if (smallFont_) {
        DeleteObject(smallFont_);
    }
}

void FilenamePrompt::CreateControls() {
    const UINT dpi = static_cast<UINT>(WindowDpi(window_));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = -MulDiv(8, static_cast<int>(dpi), 72);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    LOGFONTW small{};
    small.lfHeight = -MulDiv(675, static_cast<int>(dpi), 7200); // 6.75 pt
    small.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(small.lfFaceName, L"Verdana", LF_FACESIZE);
    smallFont_ = CreateFontIndirectW(&small);

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
        HWND child =
            CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style,
                            Px(c.left, dpi), Px(c.top, dpi), Px(c.width, dpi), Px(c.height, dpi),
                            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                            GetModuleHandleW(nullptr), nullptr);
        SendMessageW(child, WM_SETFONT,
                     reinterpret_cast<WPARAM>(c.id == kMakerId ? smallFont_ : font_), FALSE);
        if (c.id == kTextId) {
            text_ = child;
        }
    }
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    SendDlgItemMessageW(window_, 104, STM_SETICON,
                        reinterpret_cast<WPARAM>(icon ? icon : LoadIconW(nullptr, IDI_APPLICATION)),
                        0);
    const std::wstring maker = std::wstring(kMakerName) + L" - " + kMakerAddress;
    SetDlgItemTextW(window_, kMakerId, maker.c_str());
    FitWidthToText(GetDlgItem(window_, 103));
    FitWidthToText(GetDlgItem(window_, kMakerId));
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
    KeepOnTop(window_, -1);
    SetForegroundWindow(window_);
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
        if (!IsDialogMessageW(window_, &msg)) {
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
                OpenMakerSite(window_);
            }
            return 0;
        default:
            return 0; // IDOK and IDCANCEL from Enter and Esc do nothing
        }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(w) == GetDlgItem(window_, kMakerId)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(l) == GetDlgItem(window_, kMakerId)) {
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
    return DefWindowProcW(window_, message, w, l);
}

} // namespace pellix
