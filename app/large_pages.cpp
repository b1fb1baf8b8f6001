// The program's allocation functions: the standard ones, except that a block big enough to
// span a whole 2 MiB page asks the kernel for such pages. A big model's pools, and the renderer's
// buffers for it, are then filled with a five-hundredth of the page faults; on a virtual
// machine, where each fault is dear, that is a large part of the time to the first picture.
// Sanitizer builds keep their own allocation functions.

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define TARNO_SANITIZED 1
#endif
#endif

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(TARNO_SANITIZED)

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    if (size >= kHugePage) {
        // Only the whole huge pages inside the block (a block of 2 to 4 MiB, such as a
        // picture's pixels, mostly holds one); the advice is a hint, so its result does
        // not matter.
        const auto begin = reinterpret_cast<std::uintptr_t>(p);
        const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
        const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
        if (last > first) {
            (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
        }
    }
    return p;
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

#endif
