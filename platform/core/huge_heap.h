#pragma once
// The heap's room on huge pages, for the program's allocation functions.
//
// On a virtual machine each fault on a small page is dear (about 10 microseconds here,
// against well under one for a huge page's share): a model's many middle-sized blocks
// (tile lists, scratch, tables) cost a few hundred faults per picture in small pages.
// Blocks of a huge page or more are mapped on their own (huge_blocks.h).

#include <cstddef>
#include <cstdint>

namespace rm {

struct HeapRoom {
    std::uintptr_t start = 0;  // on a huge page
    std::uintptr_t end = 0;
    [[nodiscard]] bool Empty() const { return end <= start; }
};

// Grows malloc's heap by at least `bytes` and asks the system for huge pages there; blocks
// under a huge page then come from the heap, every thread's from the one heap, and the next
// block begins on the room's first huge page. Call once, before any other thread runs. The
// room is empty when the heap could not grow or is not where malloc put it; malloc then
// works on with small pages.
HeapRoom PlaceHeapOnHugePages(std::size_t bytes) noexcept;

}  // namespace rm
