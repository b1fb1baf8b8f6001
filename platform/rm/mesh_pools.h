#pragma once
// What the mesh builder's operations share about the pools of a mesh: how they grow, how
// large they may become, and that a change announces a new revision.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/rm/mesh_builder.h"
#include "platform/rm/revision.h"

namespace rm::pools {

// The rare half of GrowFor, kept out of line so that the common test inlines.
template <typename T>
[[gnu::noinline]] void GrowTo(std::vector<T>& v, std::size_t needed) {
    v.reserve(std::max(needed, v.capacity() + v.capacity() / 2));
}

// Makes room for `extra` more elements, growing the capacity by at least half when it must
// grow, so that many small additions stay amortised.
template <typename T>
inline void GrowFor(std::vector<T>& v, std::size_t extra) {
    const std::size_t needed = v.size() + extra;
    if (needed > v.capacity()) {
        GrowTo(v, needed);
    }
}

inline constexpr std::size_t kMaxPool = std::numeric_limits<std::uint32_t>::max() - 1;
// A prism face's corner word holds its prism's index times 16.
inline constexpr std::size_t kMaxPrisms = std::size_t{1} << 28;

// Every change to a mesh that something may draw makes a new revision.
inline void Changed(const MeshData& d) {
    if (!d.detached) {
        BumpRevision();
    }
}

}  // namespace rm::pools
