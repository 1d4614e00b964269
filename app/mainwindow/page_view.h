// picHolder: the viewport of the main window with its two scroll bars and
// the corner box, showing the acquired page (picScan). The page is painted
// straight from the mapped bitmap file, only the part that is visible.
#pragma once

#include "app/components/files/mapped_file.h"
#include "app/mainwindow/view_layout.h"
#include "common/twips.h"

#include <windows.h>

#include <memory>
#include <string>

namespace pellix {

class PageView {
public:
    PageView() = default;
    PageView(const PageView&) = delete;
    PageView& operator=(const PageView&) = delete;

    bool Create(HWND parent, int id);
    HWND Window() const { return window_; }

    // Places the viewport (pixels) and lays out its bars (twips at `dpi`).
    void Place(int left, int top, const ViewLayout& layout, int dpi);

    // Shows the bitmap file as the page; false (and the page hidden) when it
    // is not a bitmap the view can paint.
    bool ShowPicture(const std::wstring& bmpPath);
    void HidePicture();
    bool PictureVisible() const { return visible_; }

    // Recomputes both scroll ranges from the page and viewport sizes; a
    // value beyond a new maximum is pulled back and the page moves.
    void RecalculateScrollbars();

    ScrollMaxima Maxima() const { return maxima_; }
    std::int32_t HorizontalValue() const { return hValue_; }
    std::int32_t VerticalValue() const { return vValue_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);
    void Scroll(bool vertical, int code);
    void SetValue(bool vertical, std::int64_t value);
    void UpdateBar(bool vertical);
    void Paint(HDC dc, const RECT& dirty);
    double PictureWidthTwips() const;
    double PictureHeightTwips() const;

    HWND window_ = nullptr;
    HWND vScroll_ = nullptr;
    HWND hScroll_ = nullptr;
    HWND corner_ = nullptr;
    ViewLayout layout_;
    int dpi_ = 96;
    ScrollMaxima maxima_;
    std::int32_t hValue_ = 0;
    std::int32_t vValue_ = 0;

    // The page: its file mapped, the header it starts with and its pixels.
    std::unique_ptr<MappedFile> file_;
    const BITMAPINFO* info_ = nullptr;
    const void* pixels_ = nullptr;
    int pixelWidth_ = 0;
    int pixelHeight_ = 0;
    bool topDown_ = false;
    bool visible_ = false;
};

} // namespace pellix
