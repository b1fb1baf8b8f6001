#pragma once
// Blocks of whole huge pages, each mapped for itself, for the program's allocation functions.
//
// A block malloc places lies in the heap or in a mapping of its own at malloc's choice, and
// malloc keeps more of what is freed in the heap the bigger the blocks freed before: a big
// model's pools, grown and freed as it loads, then stay in memory. A block mapped for
// itself goes back to the system when it is freed.

#include <cstddef>

namespace rm {

// A zeroed block of at least `size` bytes that starts and ends on huge pages; nullptr when
// the system has no memory for it or kMaxHugeBlocks are held already.
[[nodiscard]] void* MapHugeBlock(std::size_t size) noexcept;

// Gives back a block MapHugeBlock made and returns true; any other pointer is left alone
// and gives false.
bool UnmapHugeBlock(void* block) noexcept;

// How many blocks may be held at once; a big model needs a few dozen.
inline constexpr std::size_t kMaxHugeBlocks = 1024;

}  // namespace rm
