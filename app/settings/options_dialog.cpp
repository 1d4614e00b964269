#include "app/settings/options_dialog.h"

#include "app/settings/settings.h"
#include "app/win32/dialog_window.h"
#include "app/win32/window_dpi.h"
#include "common/twips.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

namespace pellix {
namespace {

constexpr wchar_t kClassName[] = L"PellixOptionsDialog";
constexpr wchar_t kPageClassName[] = L"PellixOptionsPage";

// Design measures in twips: the client area, and the tab control within it.
constexpr int kClientWidth = 5880;
constexpr int kClientHeight = 4770;
constexpr RECT kTabPlace{120, 120, 120 + 5655, 120 + 4095};
constexpr int kSliderMinimum = 1;
constexpr int kSliderMaximum = 99;

struct OptionsState {
    bool closed = false;
    HWND tab = nullptr;
    HWND pages[2] = {};
};

// A control of the dialog, on the dialog itself or on one of its pages.
HWND Control(HWND dialog, int id) {
    if (HWND direct = GetDlgItem(dialog, id)) {
        return direct;
    }
    for (const int page : {kQualityPageId, kFilenamePageId}) {
        if (HWND onPage = GetDlgItem(GetDlgItem(dialog, page), id)) {
            return onPage;
        }
    }
    return nullptr;
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageW(Control(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND dialog, int id, bool checked) {
    SendMessageW(Control(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The two suggestion boxes follow the ask box; their check marks stay.
void FollowAskForFilename(HWND dialog) {
    const BOOL asking = IsChecked(dialog, kAskForFilenameId);
    EnableWindow(Control(dialog, kFilenameDateId), asking);
    EnableWindow(Control(dialog, kFilenameFolderId), asking);
}

// The slider's tip, shown beside the thumb while it is dragged, carries
// the slider's position.
void ShowPositionInTip(HWND slider) {
    HWND tip = reinterpret_cast<HWND>(SendMessageW(slider, TBM_GETTOOLTIPS, 0, 0));
    if (!tip) {
        return;
    }
    std::wstring text = std::to_wstring(SendMessageW(slider, TBM_GETPOS, 0, 0));
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    if (SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool))) {
        tool.lpszText = text.data();
        SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void ShowPage(OptionsState& state) {
    const LRESULT current = SendMessageW(state.tab, TCM_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < 2; ++i) {
        ShowWindow(state.pages[i], i == current ? SW_SHOW : SW_HIDE);
    }
}

void StoreChoices(HWND dialog) {
    gSettings.iJPGQuality = static_cast<std::int16_t>(
        SendMessageW(Control(dialog, kQualitySliderId), TBM_GETPOS, 0, 0));
    gSettings.bAskForFilename = IsChecked(dialog, kAskForFilenameId);
    gSettings.bFilenameUseDate = IsChecked(dialog, kFilenameDateId);
    gSettings.bFilenameUseFolder = IsChecked(dialog, kFilenameFolderId);
    if (!SaveSettings()) {
        // The choices hold for this run all the same.
        const std::wstring text = L"The settings could not be saved to " + sIniFile +
                                  L".\n\nThey hold until Pellix is closed.";
        MessageBoxW(dialog, text.c_str(), L"Pellix", MB_OK | MB_ICONWARNING);
    }
}

LRESULT CALLBACK OptionsProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* state = reinterpret_cast<OptionsState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!state) {
        return DefWindowProcW(window, message, w, l);
    }
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case IDOK:
            StoreChoices(window);
            state->closed = true;
            break;
        case IDCANCEL:
            state->closed = true;
            break;
        case kAskForFilenameId:
            if (HIWORD(w) == BN_CLICKED) {
                FollowAskForFilename(window);
            }
            break;
        default:
            break;
        }
        return 0;
    case WM_HSCROLL:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(l)) == kQualitySliderId) {
            ShowPositionInTip(reinterpret_cast<HWND>(l));
        }
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(l)->idFrom == kOptionsTabId &&
            reinterpret_cast<const NMHDR*>(l)->code == TCN_SELCHANGE) {
            ShowPage(*state);
        }
        return 0;
    case WM_CLOSE:
        state->closed = true;
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

// A tab's page: a plain container that hands its controls' messages to the
// dialog, so the dialog's handlers see them wherever the controls sit.
LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_NOTIFY:
        return SendMessageW(GetParent(window), message, w, l);
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

bool RegisterClasses() {
    static const bool registered = [] {
        const auto face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        return RegisterDialogClass(kClassName, OptionsProcedure, face) &&
               RegisterDialogClass(kPageClassName, PageProcedure, face);
    }();
    return registered;
}

// A page covers the tab control's display area (dialog pixels).
HWND CreatePage(HWND dialog, int id, const RECT& area) {
    return CreateWindowExW(WS_EX_CONTROLPARENT, kPageClassName, L"", WS_CHILD | WS_CLIPSIBLINGS,
                           area.left, area.top, area.right - area.left, area.bottom - area.top,
                           dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

} // namespace

void ShowOptionsDialog(HWND owner) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    if (!RegisterClasses()) {
        return;
    }
    unique_hwnd frame =
        CreateDialogFrame(kClassName, L"Pellix - Options", kClientWidth, kClientHeight, owner);
    if (!frame) {
        return;
    }
    const HWND dialog = frame.get();
    const int dpi = WindowDpi(dialog);
    const unique_hfont font = DialogFont(dpi, 8);
    const auto px = [dpi](int twips) {
        return TwipsToPixels(twips, dpi);
    };

    OptionsState state;
    state.tab = CreateChild(dialog,
                            {WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | WS_TABSTOP, kOptionsTabId,
                             kTabPlace.left, kTabPlace.top, kTabPlace.right - kTabPlace.left,
                             kTabPlace.bottom - kTabPlace.top, font.get()},
                            dpi);
    const wchar_t* tabNames[] = {L"Quality", L"Filename"};
    for (int i = 0; i < 2; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabNames[i]);
        SendMessageW(state.tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    // The display area below the tabs, in the dialog's pixels.
    RECT area{};
    GetClientRect(state.tab, &area);
    SendMessageW(state.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    OffsetRect(&area, px(kTabPlace.left), px(kTabPlace.top));
    state.pages[0] = CreatePage(dialog, kQualityPageId, area);
    state.pages[1] = CreatePage(dialog, kFilenamePageId, area);
    SetWindowPos(state.pages[0], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(state.pages[1], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    // Controls are placed by their design position on the tab control; on
    // the page that is shifted by the page's own offset.
    const int pageLeft =
        static_cast<int>(std::lround(PixelsToTwips(area.left, dpi))) - kTabPlace.left;
    const int pageTop = static_cast<int>(std::lround(PixelsToTwips(area.top, dpi))) - kTabPlace.top;
    const auto onPage = [&](HWND page, ChildControl c) {
        c.left -= pageLeft;
        c.top -= pageTop;
        c.font = font.get();
        return CreateChild(page, c, dpi);
    };
    // "Quality": Frame1 at 120, 480 on the tab; its label and slider inside.
    onPage(state.pages[0],
           {L"BUTTON", L"JPG", BS_GROUPBOX, kJpgFrameId, 120, 480, 5415, 855, nullptr});
    onPage(state.pages[0], {L"STATIC", L"Quality:", SS_LEFT, kQualityLabelId, 120 + 120, 480 + 360,
                            615, 255, nullptr});
    HWND slider = onPage(
        state.pages[0], {TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_AUTOTICKS | TBS_TOOLTIPS | WS_TABSTOP,
                         kQualitySliderId, 120 + 840, 480 + 240, 4335, 495, nullptr});
    // "Filename": Frame2 at 120, 480; Picture1 at 120, 240 inside it holds
    // the check boxes and the label.
    const int boxLeft = 120 + 120;
    const int boxTop = 480 + 240;
    onPage(state.pages[1],
           {L"BUTTON", L"Input", BS_GROUPBOX, kInputFrameId, 120, 480, 5415, 1455, nullptr});
    onPage(state.pages[1],
           {L"BUTTON", L"Ask for filename during 'Pellix to here'", BS_AUTOCHECKBOX | WS_TABSTOP,
            kAskForFilenameId, boxLeft, boxTop, 4335, 255, nullptr});
    onPage(state.pages[1], {L"STATIC", L"Suggest a filename using:", SS_LEFT, kSuggestLabelId,
                            boxLeft + 360, boxTop + 360, 4815, 255, nullptr});
    onPage(state.pages[1], {L"BUTTON", L"Date", BS_AUTOCHECKBOX | WS_TABSTOP, kFilenameDateId,
                            boxLeft + 360, boxTop + 600, 4695, 255, nullptr});
    onPage(state.pages[1], {L"BUTTON", L"Foldername", BS_AUTOCHECKBOX | WS_TABSTOP,
                            kFilenameFolderId, boxLeft + 360, boxTop + 840, 4575, 255, nullptr});

    CreateChild(
        dialog,
        {L"BUTTON", L"Ok", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 3720, 4320, 975, 375, font.get()},
        dpi);
    CreateChild(dialog,
                {L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 4800, 4320, 975, 375,
                 font.get()},
                dpi);

    // Opening: from the settings, always on the first tab. A quality
    // outside the slider's range (a hand-edited file) shows the nearer end.
    SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(kSliderMinimum, kSliderMaximum));
    SendMessageW(slider, TBM_SETTICFREQ, 10, 0);
    SendMessageW(slider, TBM_SETLINESIZE, 0, 1);
    SendMessageW(slider, TBM_SETPAGESIZE, 0, 10);
    SendMessageW(slider, TBM_SETPOS, TRUE,
                 std::clamp<int>(gSettings.iJPGQuality, kSliderMinimum, kSliderMaximum));
    SetChecked(dialog, kAskForFilenameId, gSettings.bAskForFilename);
    SetChecked(dialog, kFilenameDateId, gSettings.bFilenameUseDate);
    SetChecked(dialog, kFilenameFolderId, gSettings.bFilenameUseFolder);
    FollowAskForFilename(dialog);
    SendMessageW(state.tab, TCM_SETCURSEL, 0, 0);
    ShowPage(state);

    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    RunModal(std::move(frame), owner, slider, state.closed);
}

} // namespace pellix
