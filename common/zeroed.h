// Zeroed storage for the large fixed tables.
//
// calloc hands out large blocks as fresh zero pages, so a table costs
// memory only where it is actually written.
#pragma once

#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace kestor {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <class T>
using ZeroedPtr = std::unique_ptr<T, FreeDeleter>;

template <class T>
ZeroedPtr<T> make_zeroed() {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>,
                  "zeroed tables must be plain data");
    void* p = std::calloc(1, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return ZeroedPtr<T>(static_cast<T*>(p));
}

}  // namespace kestor
