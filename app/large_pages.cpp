// The program's allocation functions: the standard ones, except that a block of 2 MiB or more
// lies on whole 2 MiB pages and asks the kernel for such pages, and smaller ones come from a
// heap whose room asks for such pages too. A big model's pools, and the
// renderer's buffers for it, are then filled with a five-hundredth of the page faults; on a virtual
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
#include <cstdlib>
#include <new>

#include "platform/core/huge_blocks.h"
#include "platform/core/huge_heap.h"
#include "platform/core/huge_page.h"

namespace {

constexpr std::size_t kHugePage = rm::kHugePageBytes;

void* Allocate(std::size_t size) {
    if (size >= kHugePage) {
        // The block starts on a huge page and ends on one, so that every page of it can be
        // a huge one: a block from malloc starts a few bytes into a small page, and its
        // first and last two megabytes or so were filled a small page at a time, a few
        // thousand faults for a big model. The rounding is address space; of memory, at
        // most the last huge page's unused part once something is written there.
        if (void* block = rm::MapHugeBlock(size)) {
            return block;
        }
        // Too many blocks held at once: one from malloc, on huge pages all the same.
        const std::size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
        void* p = nullptr;
        if (rounded >= size && ::posix_memalign(&p, kHugePage, rounded) == 0) {
            (void)madvise(p, rounded, MADV_HUGEPAGE);  // a hint: its result does not matter
            return p;
        }
        throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void Release(void* p) noexcept {
    if (!rm::UnmapHugeBlock(p)) {
        std::free(p);
    }
}

// Placed before any other object of the program allocates. 32 MiB of room is address space;
// of memory, only the huge pages written to.
constexpr std::size_t kHeapRoomBytes = std::size_t{32} << 20;
[[maybe_unused]] __attribute__((init_priority(101))) const rm::HeapRoom g_heapRoom =
    rm::PlaceHeapOnHugePages(kHeapRoomBytes);

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}

#endif
