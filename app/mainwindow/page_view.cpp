#include "app/mainwindow/page_view.h"

#include "app/components/picture/dib_file.h"
#include "common/win32/unique_any.h"

#include <algorithm>
#include <cstring>

namespace pellix {
namespace {

constexpr wchar_t kClassName[] = L"PellixPageView";
// The small step of both bars, in twips; the large step is the viewport.
constexpr int kSmallStep = 100;
// picScan's size before the first page, in twips.
constexpr double kDesignWidth = 2535;
constexpr double kDesignHeight = 1695;

bool RegisterViewClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = nullptr; // painted whole in WM_PAINT
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    return atom != 0;
}

} // namespace

bool PageView::Create(HWND parent, int id) {
    if (!RegisterViewClass()) {
        return false;
    }
    HINSTANCE instance = GetModuleHandleW(nullptr);
    window_ = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!window_) {
        return false;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    vScroll_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 0, 0,
                               window_, nullptr, instance, nullptr);
    hScroll_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, 0, 0, 0,
                               window_, nullptr, instance, nullptr);
    corner_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_GRAYRECT, 0, 0, 0, 0,
                              window_, nullptr, instance, nullptr);
    return vScroll_ && hScroll_ && corner_;
}

void PageView::Place(int left, int top, const ViewLayout& layout, int dpi) {
    layout_ = layout;
    dpi_ = dpi;
    const auto px = [dpi](int twips) {
        return TwipsToPixels(twips, dpi);
    };
    const int bar = px(kScrollBarThickness);
    MoveWindow(window_, left, top, px(layout.holderWidth), px(layout.holderHeight), TRUE);
    MoveWindow(vScroll_, px(layout.vScrollLeft), 0, bar, px(layout.vScrollHeight), TRUE);
    MoveWindow(hScroll_, 0, px(layout.hScrollTop), px(layout.hScrollWidth), bar, TRUE);
    MoveWindow(corner_, px(layout.cornerLeft), px(layout.cornerTop), bar, bar, TRUE);
    RecalculateScrollbars();
}

double PageView::PictureWidthTwips() const {
    return file_ ? PixelsToTwips(pixelWidth_, dpi_) : kDesignWidth;
}

double PageView::PictureHeightTwips() const {
    return file_ ? PixelsToTwips(pixelHeight_, dpi_) : kDesignHeight;
}

bool PageView::ShowPicture(const std::wstring& bmpPath) {
    HidePicture();
    auto file = std::make_unique<MappedFile>();
    if (!file->Open(bmpPath) || file->Size() < kBmpFileHeaderSize) {
        return false;
    }
    const std::uint8_t* data = file->Data();
    std::string why;
    const auto layout =
        ExamineDib(data + kBmpFileHeaderSize, file->Size() - kBmpFileHeaderSize, why);
    if (!layout || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    // The pixels start where the file header says, when that lies within.
    std::uint32_t offset = data[10] | (data[11] << 8) | (data[12] << 16) |
                           (static_cast<std::uint32_t>(data[13]) << 24);
    if (offset < kBmpFileHeaderSize + layout->pixelOffset ||
        offset + layout->pixelBytes > file->Size()) {
        offset = static_cast<std::uint32_t>(kBmpFileHeaderSize + layout->pixelOffset);
    }
    info_ = reinterpret_cast<const BITMAPINFO*>(data + kBmpFileHeaderSize);
    pixels_ = data + offset;
    pixelWidth_ = layout->width;
    pixelHeight_ = layout->height;
    topDown_ = layout->topDown;
    file_ = std::move(file);
    visible_ = true;
    RecalculateScrollbars();
    InvalidateRect(window_, nullptr, FALSE);
    return true;
}

void PageView::HidePicture() {
    visible_ = false;
    file_.reset();
    info_ = nullptr;
    pixels_ = nullptr;
    InvalidateRect(window_, nullptr, FALSE);
}

void PageView::RecalculateScrollbars() {
    maxima_ = pellix::RecalculateScrollbars(PictureWidthTwips(), PictureHeightTwips(), layout_);
    SetValue(false, hValue_);
    SetValue(true, vValue_);
    UpdateBar(false);
    UpdateBar(true);
}

// A bar shows the position from 0 to |maximum|; with a negative maximum the
// value runs the other way (the page is pushed right or down).
void PageView::UpdateBar(bool vertical) {
    const std::int32_t maximum = vertical ? maxima_.vertical : maxima_.horizontal;
    const std::int32_t value = vertical ? vValue_ : hValue_;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = maximum < 0 ? -maximum : maximum;
    info.nPos = value < 0 ? -value : value;
    // The bar is repainted only when its look changes: on a long page most
    // steps move the thumb by less than a pixel, and painting a bar costs
    // more than painting the strip of page a step uncovers.
    HWND bar = vertical ? vScroll_ : hScroll_;
    SCROLLBARINFO before{};
    before.cbSize = sizeof before;
    const bool known = GetScrollBarInfo(bar, OBJID_CLIENT, &before) != FALSE;
    SetScrollInfo(bar, SB_CTL, &info, FALSE);
    SCROLLBARINFO after{};
    after.cbSize = sizeof after;
    if (!known || !GetScrollBarInfo(bar, OBJID_CLIENT, &after) ||
        before.xyThumbTop != after.xyThumbTop || before.xyThumbBottom != after.xyThumbBottom ||
        std::memcmp(before.rgstate, after.rgstate, sizeof before.rgstate) != 0) {
        InvalidateRect(bar, nullptr, FALSE);
    }
}

void PageView::SetValue(bool vertical, std::int64_t value) {
    const std::int32_t maximum = vertical ? maxima_.vertical : maxima_.horizontal;
    std::int32_t& current = vertical ? vValue_ : hValue_;
    const std::int32_t clamped = ClampScrollValue(value, maximum);
    if (clamped == current) {
        return;
    }
    const int before = TwipsToPixels(current, dpi_);
    current = clamped;
    UpdateBar(vertical);
    // What is on the screen moves along by the difference, and only the
    // strip it uncovers is painted; a move by the whole viewport or more
    // paints everything anew.
    const int shift = before - TwipsToPixels(current, dpi_);
    const RECT area{0, 0, TwipsToPixels(layout_.vScrollLeft, dpi_),
                    TwipsToPixels(layout_.hScrollTop, dpi_)};
    const int extent = vertical ? area.bottom : area.right;
    if (shift == 0) {
        return;
    }
    if (shift < extent && -shift < extent) {
        ScrollWindowEx(window_, vertical ? 0 : shift, vertical ? shift : 0, &area, &area, nullptr,
                       nullptr, SW_INVALIDATE);
    } else {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

void PageView::Scroll(bool vertical, int code) {
    const std::int32_t maximum = vertical ? maxima_.vertical : maxima_.horizontal;
    const int direction = maximum < 0 ? -1 : 1;
    const std::int64_t value = vertical ? vValue_ : hValue_;
    const std::int64_t large = vertical ? layout_.holderHeight : layout_.holderWidth;
    switch (code) {
    case SB_LINEUP:
        SetValue(vertical, value - direction * kSmallStep);
        break;
    case SB_LINEDOWN:
        SetValue(vertical, value + direction * kSmallStep);
        break;
    case SB_PAGEUP:
        SetValue(vertical, value - direction * large);
        break;
    case SB_PAGEDOWN:
        SetValue(vertical, value + direction * large);
        break;
    case SB_TOP:
        SetValue(vertical, 0);
        break;
    case SB_BOTTOM:
        SetValue(vertical, maximum);
        break;
    case SB_THUMBPOSITION: {
        // The page moves when the thumb is released; the 32-bit position
        // comes from the bar itself.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(vertical ? vScroll_ : hScroll_, SB_CTL, &info);
        SetValue(vertical, static_cast<std::int64_t>(direction) * info.nTrackPos);
        break;
    }
    default:
        break;
    }
}

void PageView::Paint(HDC dc, const RECT& dirty) {
    RECT client;
    GetClientRect(window_, &client);
    // The page's place: picScan at -value (twips) in the viewport.
    const int left = -TwipsToPixels(hValue_, dpi_);
    const int top = -TwipsToPixels(vValue_, dpi_);
    RECT page{left, top, left + pixelWidth_, top + pixelHeight_};
    RECT visiblePage{};
    if (visible_ && IntersectRect(&visiblePage, &page, &dirty)) {
        // Only the visible band of rows is handed to the system. For a
        // bottom-up bitmap the source rectangle counts from its last row.
        const int srcX = visiblePage.left - left;
        const int srcY = visiblePage.top - top;
        const int w = visiblePage.right - visiblePage.left;
        const int h = visiblePage.bottom - visiblePage.top;
        const int srcYBottomUp = topDown_ ? srcY : pixelHeight_ - srcY - h;
        StretchDIBits(dc, visiblePage.left, visiblePage.top, w, h, srcX, srcYBottomUp, w, h,
                      pixels_, info_, DIB_RGB_COLORS, SRCCOPY);
        ExcludeClipRect(dc, visiblePage.left, visiblePage.top, visiblePage.right,
                        visiblePage.bottom);
    }
    FillRect(dc, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
}

LRESULT CALLBACK PageView::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<PageView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(window, message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT PageView::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(message == WM_VSCROLL, LOWORD(w));
        return 0;
    case WM_MOUSEWHEEL:
        Scroll(true, GET_WHEEL_DELTA_WPARAM(w) > 0 ? SB_LINEUP : SB_LINEDOWN);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        const unique_hdc_paint dc(window);
        Paint(dc.get(), dc.area());
        return 0;
    }
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

} // namespace pellix
