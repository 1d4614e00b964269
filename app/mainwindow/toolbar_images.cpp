#include "app/mainwindow/toolbar_images.h"

#include <cstring>

namespace pellix {

unique_himagelist DrawnImageList(std::initializer_list<DrawnIcon> icons, int dpi) {
    const int size = MulDiv(16, dpi, 96);
    unique_himagelist list(
        ImageList_Create(size, size, ILC_COLOR32, static_cast<int>(icons.size()), 0));
    if (!list) {
        return list;
    }
    for (const DrawnIcon icon : icons) {
        const IconImage image = DrawIcon(icon, size);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = -size; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        unique_hbitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap || !bits) {
            return unique_himagelist();
        }
        std::memcpy(bits, image.bgra.data(), image.bgra.size());
        if (ImageList_Add(list.get(), bitmap.get(), nullptr) < 0) {
            return unique_himagelist();
        }
    }
    return list;
}

} // namespace pellix
