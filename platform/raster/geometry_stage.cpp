#include "platform/raster/geometry_stage.h"

#include <algorithm>

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
    chunk.entries.resize(chunk.tileStart[tiles]);
    scratch.cursor.assign(chunk.tileStart.begin(), chunk.tileStart.end() - 1);
    ForEachPrimitive(chunk, [&](std::uint32_t ref, std::uint32_t packed) {
        forTiles(packed, [&](std::uint32_t t) { chunk.entries[scratch.cursor[t]++] = ref; });
    });
}

}  // namespace

void Chunk::ClearPrimitives() {
    triangles.clear();
    shades.clear();
    lines.clear();
    lineAfter.clear();
    lineTiles.clear();
}

void Chunk::AddTriangle(const TriangleSetup& tri) {
    triangles.push_back(tri);
}

void Chunk::AddLine(const LineSetup& line, std::uint32_t tiles) {
    lineAfter.push_back(static_cast<std::uint32_t>(triangles.size()));
    lineTiles.push_back(tiles);
    lines.push_back(line);
}

void BuildChunk(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end, Chunk& chunk,
                GeometryScratch& scratch) {
    chunk.ClearPrimitives();
    chunk.trianglesIn = 0;
    chunk.trianglesDrawn = 0;
    // Room for two triangles a face before the first is made: a big model's first frame
    // would otherwise copy its triangles as they grow, touching fresh pages several times
    // over; room never written costs no memory.
    chunk.triangles.reserve(2 * static_cast<std::size_t>(end - begin));
    ForEachFace(frame, begin, end, scratch, [&](const MeshSetup& setup, std::uint32_t g) {
        FaceBuilder(frame, setup, chunk, scratch).Build(g - setup.firstFace);
    });
    Bin(frame, chunk, scratch);
}

}  // namespace rm::raster
