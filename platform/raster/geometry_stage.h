#pragma once
// The front half of a frame: faces culled, clipped, shaded, split into triangles or edges
// and sorted into per-tile bins, their corners projected block by block on the way. Faces
// are cut into chunks of a fixed size; each chunk keeps its own bins, and the tile stage
// reads the chunks in order, so the picture does not depend on which thread built which
// chunk.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/raster/lighting.h"
#include "platform/raster/polygon_clipper.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/prism_screen.h"
#include "platform/raster/raster_types.h"
#include "platform/raster/stroke_sides.h"

namespace rm::raster {

enum class FillMode : std::uint8_t { Points, Wireframe, Solid };

struct MeshSetup {
    const MeshData* mesh = nullptr;
    Affine toCamera;           // model to camera
    float toWorld[3][3] = {};  // model to world for normals
    FillMode fill = FillMode::Solid;
    bool gouraud = false;
    bool lit = true;
    std::uint32_t firstFace = 0;  // of this mesh in the frame's face numbering
};

// A bin entry: the index of a triangle in the chunk, or of a line with kLineRef set.
inline constexpr std::uint32_t kLineRef = 1U << 31;

// How many records of each kind: a chunk's part of a store, a frame's or a store's room.
struct StoreCounts {
    std::size_t triangles = 0;
    std::size_t shades = 0;
    std::size_t lines = 0;  // also lineAfter and lineTiles, unless lineMarks says otherwise
    std::size_t entries = 0;
    // Room for lineAfter and lineTiles alone, when not 0: they lie in the heap, whose huge
    // pages are memory once written to, and grow at little cost.
    std::size_t lineMarks = 0;
};

// A worker's storage for the records of the chunks it builds, kept from frame to frame.
// Each chunk's records follow the previous chunk's, so a big model's first frame fills a
// few large blocks, which lie on huge pages, rather than many small vectors filled a
// small page at a time.
struct ChunkStore {
    std::vector<TriangleSetup> triangles;
    std::vector<ColorPlanes> shades;
    std::vector<LineSetup> lines;
    std::vector<std::uint32_t> lineAfter;  // triangles of its chunk before each line
    std::vector<std::uint32_t> lineTiles;  // tile bounds of each line, 8 bits per bound
    std::vector<std::uint32_t> entries;    // each chunk's refs grouped by tile

    // Empties the store, with room for at least `room` of each kind; it keeps the room it
    // has. Room never written costs address space only.
    void Reset(const StoreCounts& room);
    // Hands back the memory a huge page holds past the records, once no chunk adds any.
    void ReleaseTails() const;
    [[nodiscard]] StoreCounts Size() const;
    [[nodiscard]] std::size_t ReservedBytes() const;
};

// Lines are rare beside triangles, so a chunk keeps no list of its primitives in face
// order: a line records how many triangles came before it, and the tiles a triangle covers
// follow from its box. Its records lie in the store of the worker that built it; the views
// below are set by Seal once no store grows any more.
struct Chunk {
    std::span<const TriangleSetup> triangles;
    std::span<const ColorPlanes> shades;
    std::span<const LineSetup> lines;
    std::span<const std::uint32_t> lineAfter;
    std::span<const std::uint32_t> lineTiles;
    std::vector<std::uint32_t> tileStart;    // TileCount() + 1 offsets into entries
    std::span<const std::uint32_t> entries;  // refs grouped by tile, face order kept
    std::uint64_t trianglesIn = 0;
    std::uint64_t trianglesDrawn = 0;

    // Starts a chunk with no records at the end of `store`.
    void Begin(ChunkStore& store);
    void AddTriangle(const TriangleSetup& tri);
    // Returns the planes' index among the chunk's shades.
    std::uint32_t AddShade(const ColorPlanes& planes);
    // `tiles`: the line's tile bounds packed as PackTiles does.
    void AddLine(const LineSetup& line, std::uint32_t tiles);
    // Appends `count` entries to the store and returns them, for binning.
    std::span<std::uint32_t> AddEntries(std::size_t count);
    // Points the views at the chunk's records; valid until its store grows or is reset.
    void Seal();
    // Drops the views and the records, as when the store is reset.
    void Forget();
    [[nodiscard]] const StoreCounts& Counts() const { return m_count; }
    [[nodiscard]] std::size_t PrimitiveCount() const { return m_count.triangles + m_count.lines; }

private:
    ChunkStore* m_store = nullptr;
    StoreCounts m_first;  // the store's sizes when the chunk began
    StoreCounts m_count;  // its records
};

// No frame keeps a projected vertex for every position of its meshes: on a big model that
// array is tens of megabytes of fresh pages. Faces are taken in blocks of at most
// kWindowFaces of one mesh; where a block's corners use a compact range of positions (the
// usual case, as files list a part's points beside its faces), that range is projected into
// the worker's window, otherwise each face projects its own corners. Both go through the
// same four-lane projection, so the bits do not depend on the way taken.
inline constexpr std::uint32_t kWindowFaces = 4096;
inline constexpr std::uint32_t kWindowVertices = 16384;

// Per-thread scratch space, reused from frame to frame.
// Sized up front for faces of up to kScratchCorners corners and for every tile, so that
// which thread happens to get which chunk does not decide when storage grows.
inline constexpr std::size_t kScratchCorners = 256;
struct GeometryScratch {
    explicit GeometryScratch(std::size_t tiles) : window(kWindowVertices) {
        clipper.Reserve(kScratchCorners + 8);
        polygon.reserve(kScratchCorners + 8);
        screen.reserve(kScratchCorners + 8);
        projected.reserve(kScratchCorners + 8);
        cursor.reserve(tiles);
    }
    PolygonClipper clipper;
    std::vector<ClipVertex> polygon;
    std::vector<ScreenVertex> screen;
    std::vector<ProjectedVertex> projected;  // the corners of the face being built
    // The mesh corners of the face being built, where the mesh keeps them in another form.
    CornerScratch corners;
    std::vector<std::uint32_t> cursor;
    ChunkStore store;  // the records of the chunks this worker builds
    // Positions [windowFirst, windowFirst + windowCount) of windowMesh, projected.
    std::vector<ProjectedVertex> window;
    const MeshSetup* windowMesh = nullptr;
    std::uint32_t windowFirst = 0;
    std::uint32_t windowCount = 0;
    StrokeSides strokeSides;  // the prism whose sides were built last
    PrismScreen prismScreen;  // the prism whose faces were built last
};

struct FrameGeometry {
    ViewSetup view;
    ClipPlanes planes{};
    std::span<const MeshSetup> meshes;
    int tilesX = 0;
    int tilesY = 0;
};

// Projects positions [begin, end) of the mesh into `out`.
void TransformVertices(const FrameGeometry& frame, const MeshSetup& mesh, std::uint32_t begin,
                       std::uint32_t end, ProjectedVertex* out);

// Sets the scratch's window for faces [begin, end) of the mesh (its own numbering): their
// positions projected when they lie compact enough, else an empty window.
void PrepareWindow(const FrameGeometry& frame, const MeshSetup& mesh, std::uint32_t begin,
                   std::uint32_t end, GeometryScratch& scratch);

// Calls fn(mesh, face) for faces [begin, end) of the frame's numbering, in order, each
// block of them with its window prepared.
template <class Fn>
void ForEachFace(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end,
                 GeometryScratch& scratch, Fn&& fn) {
    if (begin >= end || frame.meshes.empty()) {
        return;
    }
    scratch.strokeSides.Forget();
    scratch.prismScreen.Forget();
    const auto first =
        std::upper_bound(frame.meshes.begin(), frame.meshes.end(), begin,
                         [](std::uint32_t i, const MeshSetup& m) { return i < m.firstFace; });
    std::size_t m = static_cast<std::size_t>(first - frame.meshes.begin()) - 1;
    for (std::uint32_t g = begin; g < end;) {
        while (m + 1 < frame.meshes.size() && g >= frame.meshes[m + 1].firstFace) {
            ++m;
        }
        const MeshSetup& setup = frame.meshes[m];
        const auto meshEnd = setup.firstFace + static_cast<std::uint32_t>(setup.mesh->faces.size());
        const std::uint32_t blockEnd = std::min({end, meshEnd, g + kWindowFaces});
        PrepareWindow(frame, setup, g - setup.firstFace, blockEnd - setup.firstFace, scratch);
        for (; g < blockEnd; ++g) {
            fn(setup, g);
        }
    }
}

// Builds and bins the primitives of faces [begin, end) of the frame's face numbering into
// the scratch's store; the chunk's views are valid until the store grows.
void BuildChunk(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end, Chunk& chunk,
                GeometryScratch& scratch);

}  // namespace rm::raster
