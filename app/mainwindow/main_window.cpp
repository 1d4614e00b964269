#include "app/mainwindow/main_window.h"

#include "app/mainwindow/about_box.h"
#include "app/settings/options_dialog.h"
#include "app/startup/app_state.h"
#include "app/startup/filetools.h"
#include "app/win32/dialog_window.h"
#include "app/win32/web_site.h"
#include "app/win32/window_dpi.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

namespace pellix {
namespace {

constexpr wchar_t kClassName[] = L"PellixMainWindow";
constexpr wchar_t kStripClassName[] = L"PellixFolderStrip";

// Design sizes in twips.
constexpr int kClientWidth = 9345;
constexpr int kClientHeight = 5475;
constexpr int kFolderStripHeight = 495;

// Toolbar buttons: key, tooltip, command, image in the drawn list.
struct ToolbarButton {
    const wchar_t* key;
    const wchar_t* tip;
    int command;
    int image;
};
constexpr ToolbarButton kButtons[] = {
    {L"Save", L"Save", mnuOpslaan, 0}, {L"SaveAs", L"Save as ...", mnuOpslaanAls, 1},
    {nullptr, nullptr, 0, 0},          {L"Scan", L"Scan", mnuScan, 2},
    {nullptr, nullptr, 0, 0},          {L"Options", L"Options", mnuOpties, 3},
};

// The grey strip under the toolbar: "Folder:" and the current folder, light
// text on grey.
LRESULT CALLBACK StripProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(w);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SetBkMode(dc, TRANSPARENT);
        static HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
        return reinterpret_cast<LRESULT>(grey);
    }
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

bool RegisterClasses() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.hIconSm = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        const bool main = RegisterClassExW(&wc) != 0;
        WNDCLASSEXW strip = wc;
        strip.lpfnWndProc = StripProcedure;
        strip.hIcon = nullptr;
        strip.hIconSm = nullptr;
        strip.hbrBackground = CreateSolidBrush(RGB(128, 128, 128));
        strip.lpszClassName = kStripClassName;
        return main && RegisterClassExW(&strip) != 0;
    }();
    return registered;
}

} // namespace

int MainWindow::Dpi() const {
    return WindowDpi(window_.get());
}

bool MainWindow::Load(LoadAs as) {
    if (!RegisterClasses()) {
        return false;
    }
    window_.reset(CreateWindowExW(0, kClassName, L"Pellix", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window_) {
        return false;
    }
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    if (as == LoadAs::OwnerOnly) {
        return true;
    }

    const int dpi = Dpi();
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = -MulDiv(8, dpi, 72);
    font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));

    CreateMenus();
    CreateToolbar();
    CreateFolderStrip();
    if (!view_.Create(window_.get(), kViewId)) {
        return false;
    }
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                              0, 0, 0, window_.get(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                              GetModuleHandleW(nullptr), nullptr);
    const int parts[] = {TwipsToPixels(4000, dpi), -1};
    SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"Status: Ready"));
    SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(kMakerName));

    // The design client area, converted at this window's resolution.
    RECT frame{0, 0, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(window_.get(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
    return true;
}

void MainWindow::CreateMenus() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, mnuSelecteerBron, L"Select &TWAIN source");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, mnuOpslaan, L"&Save");
    AppendMenuW(file, MF_STRING, mnuOpslaanAls, L"Save &as ...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, mnuAfsluiten, L"&Close");
    HMENU action = CreatePopupMenu();
    AppendMenuW(action, MF_STRING, mnuScan, L"&Scan");
    HMENU extra = CreatePopupMenu();
    AppendMenuW(extra, MF_STRING, mnuOpties, L"Options");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, mnuContents, L"&Contents");
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(help, MF_STRING, mnuOver, L"&About");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(action), L"&Action");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(extra), L"&Extra");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    SetMenu(window_.get(), bar);
}

void MainWindow::CreateToolbar() {
    toolbar_ = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, L"",
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 0, 0, 0,
        0, window_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarId)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETMAXTEXTROWS, 0, 0);
    SetToolbarImages();
    for (const ToolbarButton& b : kButtons) {
        TBBUTTON button{};
        if (b.key) {
            button.iBitmap = b.image;
            button.idCommand = b.command;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
            button.dwData = reinterpret_cast<DWORD_PTR>(b.key);
            button.iString = reinterpret_cast<INT_PTR>(b.tip); // shown as the tooltip
        } else {
            button.fsStyle = BTNS_SEP;
        }
        SendMessageW(toolbar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void MainWindow::CreateFolderStrip() {
    const int dpi = Dpi();
    folderStrip_ =
        CreateWindowExW(0, kStripClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_.get(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFolderStripId)),
                        GetModuleHandleW(nullptr), nullptr);
    HWND caption = CreateWindowExW(0, L"STATIC", L"Folder:", WS_CHILD | WS_VISIBLE | SS_LEFT,
                                   TwipsToPixels(120, dpi), TwipsToPixels(120, dpi),
                                   TwipsToPixels(495, dpi), TwipsToPixels(255, dpi), folderStrip_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFolderCaptionId)),
                                   GetModuleHandleW(nullptr), nullptr);
    folderLabel_ = CreateWindowExW(
        0, L"STATIC", CurrentFolder.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_PATHELLIPSIS,
        TwipsToPixels(720, dpi), TwipsToPixels(120, dpi), TwipsToPixels(8895, dpi),
        TwipsToPixels(255, dpi), folderStrip_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCurrentFolderLabelId)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(caption, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SendMessageW(folderLabel_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    // A wider system font than the design's pushes the folder to the right
    // rather than covering the caption's end.
    FitWidthToText(caption);
    RECT captionPlace{}, labelPlace{};
    GetWindowRect(caption, &captionPlace);
    GetWindowRect(folderLabel_, &labelPlace);
    MapWindowPoints(nullptr, folderStrip_, reinterpret_cast<POINT*>(&captionPlace), 2);
    MapWindowPoints(nullptr, folderStrip_, reinterpret_cast<POINT*>(&labelPlace), 2);
    if (captionPlace.right + 2 > labelPlace.left) {
        SetWindowPos(folderLabel_, nullptr, captionPlace.right + 2, labelPlace.top,
                     labelPlace.right - labelPlace.left, labelPlace.bottom - labelPlace.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MainWindow::SetToolbarImages() {
    toolbarImages_ = DrawnImageList(
        {DrawnIcon::Save, DrawnIcon::SaveAs, DrawnIcon::Scan, DrawnIcon::Options}, Dpi());
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_.get()));
}

// Recomputed on every size change: strips at the top and bottom, the
// viewport between them, its bars along its right and bottom edges.
void MainWindow::LayOut() {
    if (!window_ || !status_) {
        return;
    }
    const int dpi = Dpi();
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT client, toolbar, status;
    GetClientRect(window_.get(), &client);
    GetWindowRect(toolbar_, &toolbar);
    GetWindowRect(status_, &status);
    const int toolbarPx = toolbar.bottom - toolbar.top;
    const int folderPx = TwipsToPixels(kFolderStripHeight, dpi);
    MoveWindow(folderStrip_, 0, toolbarPx, client.right, folderPx, TRUE);

    const auto twips = [dpi](int px) {
        return static_cast<int>(PixelsToTwips(px, dpi));
    };
    const ViewLayout layout =
        LayOutView({twips(client.right), twips(client.bottom)}, twips(toolbarPx),
                   kFolderStripHeight, twips(status.bottom - status.top));
    view_.Place(0, toolbarPx + folderPx, layout, dpi);
}

void MainWindow::Show(int showCommand) {
    ShowWindow(window_.get(), showCommand);
    UpdateWindow(window_.get());
}

bool MainWindow::MayClose() {
    if (ScanFile.empty() || WorkSaved) {
        return true;
    }
    const int answer = MessageBoxW(window_.get(), L"You didn't save your work. Exit program?",
                                   L"Pellix beeindigen", MB_YESNO | MB_DEFBUTTON1);
    if (answer != IDYES) {
        return false;
    }
    // The view maps the file; it lets go first, or the file could not go.
    view_.HidePicture();
    DeleteIfExists(ScanFile);
    return true;
}

bool MainWindow::Unload() {
    if (!window_ || !MayClose()) {
        return false;
    }
    window_.reset();
    return true;
}

void MainWindow::Destroy() {
    window_.reset();
}

void MainWindow::Run(int command) {
    switch (command) {
    case mnuSelecteerBron:
        SelectSource();
        break;
    case mnuOpslaan:
        Save();
        break;
    case mnuOpslaanAls:
        SaveAs();
        break;
    case mnuAfsluiten:
        Unload();
        break;
    case mnuScan:
        Scan();
        break;
    case mnuContents:
        OpenHelp();
        break;
    case mnuOpties:
        ShowOptionsDialog(window_.get());
        break;
    case mnuOver:
        ShowAboutBox(window_.get());
        break;
    default:
        break;
    }
}

void MainWindow::RunToolbarKey(const std::wstring& key) {
    std::wstring lower = key;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) {
        return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    });
    if (lower == L"save") {
        Run(mnuOpslaan);
    } else if (lower == L"saveas") {
        Run(mnuOpslaanAls);
    } else if (lower == L"scan") {
        Run(mnuScan);
    } else if (lower == L"options") {
        Run(mnuOpties);
    }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(window, message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(l) == toolbar_ && l != 0) {
            TBBUTTONINFOW info{};
            info.cbSize = sizeof info;
            info.dwMask = TBIF_LPARAM;
            SendMessageW(toolbar_, TB_GETBUTTONINFOW, LOWORD(w), reinterpret_cast<LPARAM>(&info));
            if (info.lParam) {
                RunToolbarKey(reinterpret_cast<const wchar_t*>(info.lParam));
            }
        } else {
            Run(LOWORD(w));
        }
        return 0;
    case WM_SIZE:
        LayOut();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(l);
        const int dpi = WindowDpi(window);
        limits->ptMinTrackSize.x = TwipsToPixels(kMinimumWidth, dpi);
        limits->ptMinTrackSize.y = TwipsToPixels(kMinimumHeight, dpi);
        return 0;
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(l);
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SetToolbarImages();
        LayOut();
        return 0;
    }
    case WM_CLOSE:
        Unload();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

} // namespace pellix
