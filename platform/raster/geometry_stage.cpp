#include "platform/raster/geometry_stage.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

#include "platform/core/huge_page.h"
#include "platform/raster/face_builder.h"

namespace rm::raster {

namespace {

// Calls fn(ref, packed tiles) for every primitive of the chunk in face order.
template <class Fn>
void ForEachPrimitive(const Chunk& chunk, Fn&& fn) {
    const auto triangles = static_cast<std::uint32_t>(chunk.triangles.size());
    const auto lines = static_cast<std::uint32_t>(chunk.lines.size());
    std::uint32_t l = 0;
    for (std::uint32_t i = 0; i < triangles; ++i) {
        for (; l < lines && chunk.lineAfter[l] == i; ++l) {
            fn(l | kLineRef, chunk.lineTiles[l]);
        }
        fn(i, PackTiles(chunk.triangles[i].box.Rect()));
    }
    for (; l < lines; ++l) {
        fn(l | kLineRef, chunk.lineTiles[l]);
    }
}

void Bin(const FrameGeometry& frame, Chunk& chunk, GeometryScratch& scratch) {
    const std::size_t tiles =
        static_cast<std::size_t>(frame.tilesX) * static_cast<std::size_t>(frame.tilesY);
    chunk.tileStart.assign(tiles + 1, 0);
    const auto tilesX = static_cast<std::uint32_t>(frame.tilesX);
    const auto forTiles = [tilesX](std::uint32_t packed, auto&& fn) {
        const std::uint32_t tx0 = packed & 0xFFU;
        const std::uint32_t ty0 = (packed >> 8) & 0xFFU;
        const std::uint32_t tx1 = (packed >> 16) & 0xFFU;
        const std::uint32_t ty1 = packed >> 24;
        for (std::uint32_t ty = ty0; ty <= ty1; ++ty) {
            for (std::uint32_t tx = tx0; tx <= tx1; ++tx) {
                fn(ty * tilesX + tx);
            }
        }
    };
    ForEachPrimitive(chunk, [&](std::uint32_t, std::uint32_t packed) {
        forTiles(packed, [&](std::uint32_t t) { ++chunk.tileStart[t + 1]; });
    });
    for (std::size_t t = 0; t < tiles; ++t) {
        chunk.tileStart[t + 1] += chunk.tileStart[t];
    }
    const std::span<std::uint32_t> entries = chunk.AddEntries(chunk.tileStart[tiles]);
    scratch.cursor.assign(chunk.tileStart.begin(), chunk.tileStart.end() - 1);
    ForEachPrimitive(chunk, [&](std::uint32_t ref, std::uint32_t packed) {
        forTiles(packed, [&](std::uint32_t t) { entries[scratch.cursor[t]++] = ref; });
    });
    chunk.Seal();
}

}  // namespace

void ChunkStore::Reset(const StoreCounts& room) {
    const auto reset = [](auto& v, std::size_t n) {
        v.clear();
        v.reserve(n);  // empty: nothing is copied when it grows
    };
    reset(triangles, room.triangles);
    reset(shades, room.shades);
    reset(lines, room.lines);
    const std::size_t marks = room.lineMarks != 0 ? room.lineMarks : room.lines;
    reset(lineAfter, marks);
    reset(lineTiles, marks);
    reset(entries, room.entries);
}

namespace {

constexpr std::uintptr_t kSmallPage = 4096;
constexpr std::uintptr_t kHugePage = kHugePageBytes;

// Hands back the small pages of `v`'s room past its last element up to the end of the huge
// page that element lies on: the first write there made the whole huge page resident.
template <class T>
void ReleaseTail(const std::vector<T>& v) {
    if (v.capacity() * sizeof(T) < kHugePage) {
        return;  // not on huge pages
    }
    const auto begin = reinterpret_cast<std::uintptr_t>(v.data());
    const std::uintptr_t used = begin + v.size() * sizeof(T);
    const std::uintptr_t from = (used + kSmallPage - 1) & ~(kSmallPage - 1);
    // Whole small pages only, inside the room: the block may share its last page with
    // another where the allocator does not round blocks to huge pages.
    const std::uintptr_t to = std::min((used + kHugePage - 1) & ~(kHugePage - 1),
                                       (begin + v.capacity() * sizeof(T)) & ~(kSmallPage - 1));
    if (to > from) {
        // Failure leaves the pages as they are: nothing there is read.
        (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    }
}

}  // namespace

void ChunkStore::ReleaseTails() const {
    ReleaseTail(triangles);
    ReleaseTail(shades);
    ReleaseTail(lines);
    ReleaseTail(entries);
}

StoreCounts ChunkStore::Size() const {
    return {triangles.size(), shades.size(), lines.size(), entries.size()};
}

std::size_t ChunkStore::ReservedBytes() const {
    return triangles.capacity() * sizeof(TriangleSetup) + shades.capacity() * sizeof(ColorPlanes) +
           lines.capacity() * sizeof(LineSetup) +
           (lineAfter.capacity() + lineTiles.capacity() + entries.capacity()) *
               sizeof(std::uint32_t);
}

void Chunk::Begin(ChunkStore& store) {
    Forget();
    m_store = &store;
    m_first = store.Size();
    m_count = {};
}

void Chunk::AddTriangle(const TriangleSetup& tri) {
    m_store->triangles.push_back(tri);
    ++m_count.triangles;
}

std::uint32_t Chunk::AddShade(const ColorPlanes& planes) {
    m_store->shades.push_back(planes);
    return static_cast<std::uint32_t>(m_count.shades++);
}

void Chunk::AddLine(const LineSetup& line, std::uint32_t tiles) {
    m_store->lineAfter.push_back(static_cast<std::uint32_t>(m_count.triangles));
    m_store->lineTiles.push_back(tiles);
    m_store->lines.push_back(line);
    ++m_count.lines;
}

std::span<std::uint32_t> Chunk::AddEntries(std::size_t count) {
    std::vector<std::uint32_t>& all = m_store->entries;
    all.resize(all.size() + count);
    m_count.entries += count;
    return std::span<std::uint32_t>(all).last(count);
}

void Chunk::Seal() {
    if (m_store == nullptr) {
        return;
    }
    const StoreCounts& n = m_count;
    const ChunkStore& s = *m_store;
    triangles = std::span<const TriangleSetup>(s.triangles).subspan(m_first.triangles, n.triangles);
    shades = std::span<const ColorPlanes>(s.shades).subspan(m_first.shades, n.shades);
    lines = std::span<const LineSetup>(s.lines).subspan(m_first.lines, n.lines);
    lineAfter = std::span<const std::uint32_t>(s.lineAfter).subspan(m_first.lines, n.lines);
    lineTiles = std::span<const std::uint32_t>(s.lineTiles).subspan(m_first.lines, n.lines);
    entries = std::span<const std::uint32_t>(s.entries).subspan(m_first.entries, n.entries);
}

void Chunk::Forget() {
    m_store = nullptr;  // a later Seal must not reach into a store that was reset
    m_count = {};
    triangles = {};
    shades = {};
    lines = {};
    lineAfter = {};
    lineTiles = {};
    entries = {};
}

void BuildChunk(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end, Chunk& chunk,
                GeometryScratch& scratch) {
    chunk.Begin(scratch.store);
    chunk.trianglesIn = 0;
    chunk.trianglesDrawn = 0;
    ForEachFace(frame, begin, end, scratch, [&](const MeshSetup& setup, std::uint32_t g) {
        FaceBuilder(frame, setup, chunk, scratch).Build(g - setup.firstFace);
    });
    chunk.Seal();  // for binning: only the entries grow meanwhile
    Bin(frame, chunk, scratch);
}

}  // namespace rm::raster
