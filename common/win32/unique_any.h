// The one owner vocabulary for Windows resources: each kind of handle has
// one alias of unique_any, closed exactly once, movable, not copyable. The
// few owners that need more than a handle (a window's device context, a
// lock on global memory, a font selected into a device context, a COM
// interface pointer) sit beside them with the same manners.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <unknwn.h>

#include <utility>

namespace pellix {

template <typename Traits> class unique_any {
public:
    using pointer = typename Traits::type;

    unique_any() = default;
    explicit unique_any(pointer value) : value_(value) {}
    ~unique_any() { reset(); }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    pointer get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }
    pointer release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(pointer value = Traits::Invalid()) {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

private:
    pointer value_ = Traits::Invalid();
};

namespace details {

// Handles whose failure value is null, closed by the system's own function.
template <typename T, auto close> struct Traits {
    using type = T;
    static T Invalid() { return nullptr; }
    static void Close(T value) { close(value); }
};

struct FileTraits {
    using type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};

} // namespace details

// Files (CreateFile), whose failure value is INVALID_HANDLE_VALUE.
using unique_hfile = unique_any<details::FileTraits>;
// Every other kernel handle: processes, threads, events, file mappings.
using unique_handle = unique_any<details::Traits<HANDLE, ::CloseHandle>>;
using unique_hmodule = unique_any<details::Traits<HMODULE, ::FreeLibrary>>;
using unique_hglobal = unique_any<details::Traits<HGLOBAL, ::GlobalFree>>;
using unique_hwnd = unique_any<details::Traits<HWND, ::DestroyWindow>>;
using unique_hkey = unique_any<details::Traits<HKEY, ::RegCloseKey>>;
using unique_hfont = unique_any<details::Traits<HFONT, ::DeleteObject>>;
using unique_hbitmap = unique_any<details::Traits<HBITMAP, ::DeleteObject>>;
using unique_himagelist = unique_any<details::Traits<HIMAGELIST, ::ImageList_Destroy>>;
// A view of a file mapping (MapViewOfFile).
using unique_mapview_ptr = unique_any<details::Traits<void*, ::UnmapViewOfFile>>;

// A window's device context (GetDC), released to its window.
class unique_hdc_window {
public:
    explicit unique_hdc_window(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~unique_hdc_window() {
        if (dc_) {
            ::ReleaseDC(window_, dc_);
        }
    }
    unique_hdc_window(const unique_hdc_window&) = delete;
    unique_hdc_window& operator=(const unique_hdc_window&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// The device context of a window's paint cycle (BeginPaint), ended with it.
class unique_hdc_paint {
public:
    explicit unique_hdc_paint(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~unique_hdc_paint() { ::EndPaint(window_, &paint_); }
    unique_hdc_paint(const unique_hdc_paint&) = delete;
    unique_hdc_paint& operator=(const unique_hdc_paint&) = delete;

    HDC get() const { return dc_; }
    const RECT& area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context; the one it replaced goes back.
class unique_select_object {
public:
    unique_select_object(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~unique_select_object() {
        if (old_ && old_ != HGDI_ERROR) {
            ::SelectObject(dc_, old_);
        }
    }
    unique_select_object(const unique_select_object&) = delete;
    unique_select_object& operator=(const unique_select_object&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A global memory block kept locked (GlobalLock) while this lives.
class unique_hglobal_locked {
public:
    explicit unique_hglobal_locked(HGLOBAL memory)
        : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr) {}
    ~unique_hglobal_locked() {
        if (data_) {
            ::GlobalUnlock(memory_);
        }
    }
    unique_hglobal_locked(const unique_hglobal_locked&) = delete;
    unique_hglobal_locked& operator=(const unique_hglobal_locked&) = delete;

    void* get() const { return data_; }
    SIZE_T size() const { return data_ ? ::GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    void* data_;
};

// One reference to a COM interface, released exactly once.
template <typename Interface> class com_ptr {
public:
    com_ptr() = default;
    // Takes over a reference the caller already holds.
    explicit com_ptr(Interface* owned) : p_(owned) {}
    ~com_ptr() { reset(); }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    com_ptr(com_ptr&& other) noexcept : p_(other.release()) {}
    com_ptr& operator=(com_ptr&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    Interface* release() { return std::exchange(p_, nullptr); }
    void reset(Interface* owned = nullptr) {
        if (Interface* old = std::exchange(p_, owned)) {
            old->Release();
        }
    }
    // For functions that hand out a new reference through an out-pointer.
    Interface** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

private:
    Interface* p_ = nullptr;
};

} // namespace pellix
