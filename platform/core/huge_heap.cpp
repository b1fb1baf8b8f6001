#include "platform/core/huge_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/core/huge_page.h"

namespace rm {

namespace {

constexpr std::uintptr_t kHuge = kHugePageBytes;
constexpr std::uintptr_t kSmallPage = 4096;
// Bigger than any block the heap already has free, so that it is carved from the top.
constexpr std::size_t kProbeBytes = std::size_t{256} << 10;

std::uintptr_t Break() {
    return reinterpret_cast<std::uintptr_t>(sbrk(0));
}

// Never freed: it keeps the heap's free space below the room's first huge page from being
// handed out, where the probe left small pages written.
void* volatile g_filler = nullptr;

// The heap grown and advised, with the filler in place; empty when that cannot be done.
HeapRoom PlaceRoom(std::size_t bytes) {
    // The heap grows by the room at a time, and keeps that much free when it is trimmed:
    // grown again after a trim, it would lie on small pages.
    (void)mallopt(M_TOP_PAD, static_cast<int>(bytes));
    const std::uintptr_t before = Break();
    // `volatile`: a block freed unused may otherwise never be asked for at all.
    void* volatile probe = std::malloc(kProbeBytes);
    const std::uintptr_t grown = Break();
    if (probe == nullptr) {
        return {};
    }
    const auto top = reinterpret_cast<std::uintptr_t>(probe) - 2 * sizeof(std::size_t);
    std::free(probe);
    // Freed, the probe may be trimmed off the heap's end again (all but the room is): the
    // room ends where the heap ends now.
    const std::uintptr_t after = Break();
    // The heap grew for the probe, whose block began the free space at the heap's end.
    if (grown <= before || top >= after) {
        return {};
    }
    // Past the probe's block: malloc wrote the free space's header after it, and a huge
    // page that holds a small one written before the advice stays small pages.
    const std::uintptr_t untouched = top + kProbeBytes + kSmallPage;
    const std::uintptr_t start = (untouched + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = after & ~(kHuge - 1);
    if (end <= start || madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) != 0) {
        return {};
    }
    // A block that ends where the first huge page begins: malloc's block takes its size and
    // a header word, both rounded to 16 bytes, so this request fills [top, start) exactly.
    g_filler = std::malloc(start - top - 2 * sizeof(std::size_t));
    return {start, end};
}

}  // namespace

HeapRoom PlaceHeapOnHugePages(std::size_t bytes) noexcept {
    if (bytes == 0 || bytes > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    // One heap for every thread: a thread's own arena would be small pages again.
    (void)mallopt(M_ARENA_MAX, 1);
    // Blocks under a huge page from the heap, not each a mapping of small pages of its own;
    // while the room is placed, the filler below it (up to a huge page and the probe) too.
    (void)mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kHugePageBytes));
    const HeapRoom room = PlaceRoom(bytes);
    (void)mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHugePageBytes));
    return room;
}

}  // namespace rm
