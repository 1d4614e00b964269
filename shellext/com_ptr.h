// An owning COM interface pointer: one reference, released exactly once,
// movable, not copyable.
#pragma once

#include <unknwn.h>

#include <utility>

namespace pellix::shellext {

template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(Interface* owned) : p_(owned) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
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

} // namespace pellix::shellext
