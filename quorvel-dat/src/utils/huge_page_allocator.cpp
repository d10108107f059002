// Huge-page-backed allocation for large arrays.
#include "quorvel/dat/utils/huge_page_allocator.hpp"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace quorvel::detail {

namespace {
constexpr std::size_t huge_page = std::size_t{2} << 20;
}

void* allocate_large(std::size_t bytes, std::size_t alignment) {
    if (bytes < huge_page) return ::operator new(bytes, std::align_val_t{alignment});
    const std::size_t rounded = (bytes + huge_page - 1) / huge_page * huge_page;
    if (rounded < bytes) throw std::bad_alloc();
    void* p = std::aligned_alloc(huge_page, rounded);
    if (p == nullptr) throw std::bad_alloc();
    // Only advice: where huge pages are not available the array uses ordinary pages.
    (void)::madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

void deallocate_large(void* p, std::size_t bytes, std::size_t alignment) noexcept {
    if (bytes < huge_page) ::operator delete(p, std::align_val_t{alignment});
    else std::free(p);
}

}  // namespace quorvel::detail
