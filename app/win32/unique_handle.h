// Owning wrappers for Windows handles: one owner, closed exactly once,
// movable, not copyable. Named after the handle kind they hold.
#pragma once

#include <windows.h>

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

struct FileHandleTraits {
    using type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct HandleTraits {
    using type = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct ModuleTraits {
    using type = HMODULE;
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct GlobalTraits {
    using type = HGLOBAL;
    static HGLOBAL Invalid() { return nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
struct WindowTraits {
    using type = HWND;
    static HWND Invalid() { return nullptr; }
    static void Close(HWND h) { ::DestroyWindow(h); }
};
struct RegKeyTraits {
    using type = HKEY;
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};

template <typename T> struct GdiObjectTraits {
    using type = T;
    static T Invalid() { return nullptr; }
    static void Close(T h) { ::DeleteObject(h); }
};

using unique_hfile = unique_any<FileHandleTraits>;
using unique_handle = unique_any<HandleTraits>;
using unique_hmodule = unique_any<ModuleTraits>;
using unique_hglobal = unique_any<GlobalTraits>;
using unique_hwnd = unique_any<WindowTraits>;
using unique_hkey = unique_any<RegKeyTraits>;
using unique_hfont = unique_any<GdiObjectTraits<HFONT>>;
using unique_hbitmap = unique_any<GdiObjectTraits<HBITMAP>>;

// A locked global memory block, unlocked when it goes.
class GlobalLock {
public:
    explicit GlobalLock(HGLOBAL memory)
        : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr) {}
    ~GlobalLock() {
        if (data_) {
            ::GlobalUnlock(memory_);
        }
    }
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;

    void* data() const { return data_; }
    SIZE_T size() const { return data_ ? ::GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    void* data_;
};

} // namespace pellix
