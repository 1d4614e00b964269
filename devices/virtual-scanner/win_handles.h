// Small owners of Win32 handles used by the virtual scanner.
#pragma once

#include <windows.h>

#include <new>
#include <utility>

namespace pellix::vscan {

// A global memory block (GlobalAlloc) that is freed unless handed over.
class GlobalMemory {
public:
    GlobalMemory() = default;
    explicit GlobalMemory(HGLOBAL handle) : handle_(handle) {}
    ~GlobalMemory() {
        if (handle_) {
            GlobalFree(handle_);
        }
    }
    GlobalMemory(GlobalMemory&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GlobalMemory& operator=(GlobalMemory&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;

    // A zeroed movable block; throws std::bad_alloc when there is no room.
    static GlobalMemory allocate(SIZE_T bytes) {
        HGLOBAL handle = GlobalAlloc(GHND, bytes);
        if (!handle) {
            throw std::bad_alloc();
        }
        return GlobalMemory(handle);
    }

    HGLOBAL get() const { return handle_; }
    HGLOBAL release() { return std::exchange(handle_, nullptr); }

private:
    HGLOBAL handle_ = nullptr;
};

// Keeps a global memory block locked for its lifetime.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL handle) : handle_(handle), data_(GlobalLock(handle)) {}
    ~GlobalLockGuard() {
        if (data_) {
            GlobalUnlock(handle_);
        }
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    void* data() const { return data_; }

private:
    HGLOBAL handle_;
    void* data_;
};

// A window destroyed with its owner object.
class UniqueWindow {
public:
    UniqueWindow() = default;
    explicit UniqueWindow(HWND hwnd) : hwnd_(hwnd) {}
    ~UniqueWindow() { reset(); }
    UniqueWindow(UniqueWindow&& other) noexcept : hwnd_(std::exchange(other.hwnd_, nullptr)) {}
    UniqueWindow& operator=(UniqueWindow&& other) noexcept {
        std::swap(hwnd_, other.hwnd_);
        return *this;
    }
    UniqueWindow(const UniqueWindow&) = delete;
    UniqueWindow& operator=(const UniqueWindow&) = delete;

    HWND get() const { return hwnd_; }
    void reset() {
        if (hwnd_) {
            DestroyWindow(std::exchange(hwnd_, nullptr));
        }
    }

private:
    HWND hwnd_ = nullptr;
};

} // namespace pellix::vscan
