#pragma once
// The size of the kernel's huge pages. A block of at least this many bytes starts and ends
// on such pages (the program's allocation functions), and code that hands memory back does
// so a whole huge page at a time, so that the kernel need not split one first.

#include <cstddef>

namespace rm {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

}  // namespace rm
