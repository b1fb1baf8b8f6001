#include "platform/raster/geometry_stage.h"

#include <algorithm>

#include "platform/raster/face_builder.h"

namespace rm::raster {

namespace {

// The mesh whose numbering range holds `index`, by the given first-index member.
template <class Member>
std::size_t FindMesh(std::span<const MeshSetup> meshes, std::uint32_t index, Member member) {
    const auto it =
        std::upper_bound(meshes.begin(), meshes.end(), index,
                         [&](std::uint32_t i, const MeshSetup& m) { return i < m.*member; });
    return static_cast<std::size_t>(it - meshes.begin()) - 1;
}

void Bin(const FrameGeometry& frame, Chunk& chunk, GeometryScratch& scratch) {
    const std::size_t tiles =
        static_cast<std::size_t>(frame.tilesX) * static_cast<std::size_t>(frame.tilesY);
    chunk.tileStart.assign(tiles + 1, 0);
    const auto forTiles = [&](std::uint32_t packed, auto&& fn) {
        const std::uint32_t tx0 = packed & 0xFFU;
        const std::uint32_t ty0 = (packed >> 8) & 0xFFU;
        const std::uint32_t tx1 = (packed >> 16) & 0xFFU;
        const std::uint32_t ty1 = packed >> 24;
        for (std::uint32_t ty = ty0; ty <= ty1; ++ty) {
            for (std::uint32_t tx = tx0; tx <= tx1; ++tx) {
                fn(ty * static_cast<std::uint32_t>(frame.tilesX) + tx);
            }
        }
    };
    for (const std::uint32_t packed : chunk.refTiles) {
        forTiles(packed, [&](std::uint32_t t) { ++chunk.tileStart[t + 1]; });
    }
    for (std::size_t t = 0; t < tiles; ++t) {
        chunk.tileStart[t + 1] += chunk.tileStart[t];
    }
    chunk.entries.resize(chunk.tileStart[tiles]);
    scratch.cursor.assign(chunk.tileStart.begin(), chunk.tileStart.end() - 1);
    for (std::size_t i = 0; i < chunk.refs.size(); ++i) {
        const std::uint32_t ref = chunk.refs[i];
        forTiles(chunk.refTiles[i],
                 [&](std::uint32_t t) { chunk.entries[scratch.cursor[t]++] = ref; });
    }
}

}  // namespace

void BuildChunk(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end, Chunk& chunk,
                GeometryScratch& scratch) {
    chunk.triangles.clear();
    chunk.shades.clear();
    chunk.lines.clear();
    chunk.refs.clear();
    chunk.refTiles.clear();
    chunk.trianglesIn = 0;
    chunk.trianglesDrawn = 0;
    // Room for two triangles a face before the first is made: a big model's first frame
    // would otherwise copy its triangles as they grow, touching fresh pages several times
    // over; room never written costs no memory.
    const std::size_t expected = 2 * static_cast<std::size_t>(end - begin);
    chunk.triangles.reserve(expected);
    chunk.refs.reserve(expected);
    chunk.refTiles.reserve(expected);
    if (begin < end) {
        std::size_t m = FindMesh(frame.meshes, begin, &MeshSetup::firstFace);
        for (std::uint32_t g = begin; g < end; ++g) {
            while (m + 1 < frame.meshes.size() && g >= frame.meshes[m + 1].firstFace) {
                ++m;
            }
            const MeshSetup& setup = frame.meshes[m];
            FaceBuilder(frame, setup, chunk, scratch).Build(g - setup.firstFace);
        }
    }
    Bin(frame, chunk, scratch);
}

}  // namespace rm::raster
