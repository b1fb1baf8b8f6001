#pragma once
// The front half of a frame: vertices to camera and screen space, then faces culled,
// clipped, shaded, split into triangles or edges and sorted into per-tile bins. Faces are
// cut into chunks of a fixed size; each chunk keeps its own bins, and the tile stage reads
// the chunks in order, so the picture does not depend on which thread built which chunk.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/raster/lighting.h"
#include "platform/raster/polygon_clipper.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/raster_types.h"

namespace rm::raster {

enum class FillMode : std::uint8_t { Points, Wireframe, Solid };

struct MeshSetup {
    const MeshData* mesh = nullptr;
    Affine toCamera;           // model to camera
    float toWorld[3][3] = {};  // model to world for normals
    FillMode fill = FillMode::Solid;
    bool gouraud = false;
    bool lit = true;
    std::uint32_t firstVertex = 0;  // of this mesh in the projected-vertex pool
    std::uint32_t firstFace = 0;    // of this mesh in the frame's face numbering
};

// A bin entry: the index of a triangle in the chunk, or of a line with kLineRef set.
inline constexpr std::uint32_t kLineRef = 1U << 31;

// Lines are rare beside triangles, so a chunk keeps no list of its primitives in face
// order: a line records how many triangles came before it, and the tiles a triangle covers
// follow from its box.
struct Chunk {
    std::vector<TriangleSetup> triangles;
    std::vector<ColorPlanes> shades;
    std::vector<LineSetup> lines;
    std::vector<std::uint32_t> lineAfter;  // triangles before each line
    std::vector<std::uint32_t> lineTiles;  // tile bounds of each line, 8 bits per bound
    std::vector<std::uint32_t> tileStart;  // TileCount() + 1 offsets into entries
    std::vector<std::uint32_t> entries;    // refs grouped by tile, face order kept
    std::uint64_t trianglesIn = 0;
    std::uint64_t trianglesDrawn = 0;

    void ClearPrimitives();
    void AddTriangle(const TriangleSetup& tri);
    // `tiles`: the line's tile bounds packed as PackTiles does.
    void AddLine(const LineSetup& line, std::uint32_t tiles);
    [[nodiscard]] std::size_t PrimitiveCount() const { return triangles.size() + lines.size(); }
};

// Per-thread scratch space, reused from frame to frame.
// Sized up front for faces of up to kScratchCorners corners and for every tile, so that
// which thread happens to get which chunk does not decide when storage grows.
inline constexpr std::size_t kScratchCorners = 256;
struct GeometryScratch {
    explicit GeometryScratch(std::size_t tiles) {
        clipper.Reserve(kScratchCorners + 8);
        polygon.reserve(kScratchCorners + 8);
        screen.reserve(kScratchCorners + 8);
        cursor.reserve(tiles);
    }
    PolygonClipper clipper;
    std::vector<ClipVertex> polygon;
    std::vector<ScreenVertex> screen;
    std::vector<std::uint32_t> cursor;
};

struct FrameGeometry {
    ViewSetup view;
    ClipPlanes planes{};
    std::span<const MeshSetup> meshes;
    std::span<const ProjectedVertex> vertices;
    int tilesX = 0;
    int tilesY = 0;
};

// Projects positions [begin, end) of the frame's vertex numbering into `out`.
void TransformVertices(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end,
                       ProjectedVertex* out);

// Builds and bins the primitives of faces [begin, end) of the frame's face numbering.
void BuildChunk(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end, Chunk& chunk,
                GeometryScratch& scratch);

}  // namespace rm::raster
