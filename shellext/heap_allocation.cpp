// The module's objects come straight from the process heap, and a failed
// allocation is a null pointer, never an exception: the module is built
// without exception support, which keeps it small.
#include <windows.h>

#include <cstddef>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1);
}

void operator delete(void* object) noexcept {
    if (object) {
        ::HeapFree(::GetProcessHeap(), 0, object);
    }
}

void operator delete(void* object, std::size_t) noexcept {
    ::operator delete(object);
}

void operator delete(void* object, const std::nothrow_t&) noexcept {
    ::operator delete(object);
}
