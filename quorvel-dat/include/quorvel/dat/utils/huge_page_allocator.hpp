// Storage for arrays of many megabytes, such as the directory of a large DAT file.
#pragma once

#include <cstddef>
#include <new>

namespace quorvel {

namespace detail {
void* allocate_large(std::size_t bytes, std::size_t alignment);
void deallocate_large(void* p, std::size_t bytes, std::size_t alignment) noexcept;
}  // namespace detail

/// A standard allocator that backs arrays of 2 MiB and more with transparent huge pages where the
/// system offers them: filling such an array then costs one page fault per 2 MiB instead of one per
/// 4 KiB, and random lookups in it miss the TLB far less. Smaller arrays come from operator new.
template <class T>
struct HugePageAllocator {
    using value_type = T;

    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(detail::allocate_large(bytes_for(n), alignof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { detail::deallocate_large(p, n * sizeof(T), alignof(T)); }

    template <class U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }

private:
    static std::size_t bytes_for(std::size_t n);
};

template <class T>
std::size_t HugePageAllocator<T>::bytes_for(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return n * sizeof(T);
}

}  // namespace quorvel
