#pragma once
// The storage of one mesh: an ordered list of single-sided, coloured faces. Positions and
// normals live in pools shared by the faces of one mesh; each face lists its corners (a
// position and an optional normal) in winding order. The scene graph's mesh builder writes
// it; the rasterizer, the picker and the exporters read it.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/core/prism.h"
#include "platform/core/types.h"

namespace rm {

struct MeshData;

// Counts the pins on one mesh; lives inside the mesh data. Copies start unpinned.
class PinCount {
public:
    PinCount() = default;
    PinCount(const PinCount&) {}
    PinCount& operator=(const PinCount&) { return *this; }
    [[nodiscard]] bool Any() const { return m_count.load(std::memory_order_acquire) != 0; }

private:
    // The pins themselves are the scene graph's (platform/rm/mesh_pin.h).
    friend class MeshReadPin;
    friend void WaitForMeshReaders(const MeshData& mesh);
    std::atomic<std::uint32_t> m_count{0};
};

inline constexpr std::uint32_t kNoNormal = 0xFFFFFFFFU;
// Relative rounding of a float (2^-24): a face narrower than this part of its largest
// coordinate has no normal (see Face::GetNormal).
inline constexpr double kFloatRounding = 1.0 / 16777216.0;

struct Corner {
    std::uint32_t position = 0;        // index into MeshData::positions
    std::uint32_t normal = kNoNormal;  // index into MeshData::normals, or kNoNormal
};

// The most corners one face may have, and the flag bits it can carry: both share one
// word of the face record, which stays 16 bytes (a big model has millions of faces).
inline constexpr std::uint32_t kMaxFaceCorners = (1U << 26) - 1;
inline constexpr std::uint32_t kFaceFlagMask = 0xFU;

struct FaceRecord {
    // Index into MeshData::corners, or MeshData::plainCorners for a plain face; for a prism
    // face, the prism's index times 16 plus the face's number in it (prism.h).
    std::uint32_t firstCorner = 0;
    std::uint32_t cornerCount = 0;          // at most kMaxFaceCorners
    std::uint32_t cornerCapacity : 26 = 0;  // corners reserved at firstCorner; 0 for a prism face
    std::uint32_t prism : 1 = 0;            // a face of a ring prism, without corners of its own
    std::uint32_t plain : 1 = 0;            // corners are positions alone, without normals
    std::uint32_t flags : 4 = 0;            // kFace* bits
    D3DCOLOR color = 0xFFFFFFFFU;

    [[nodiscard]] static constexpr std::uint32_t PrismFaceIndex(std::uint32_t prism,
                                                                std::uint32_t face) {
        return prism << 4 | face;
    }
    [[nodiscard]] std::uint32_t PrismIndex() const { return firstCorner >> 4; }
    [[nodiscard]] std::uint32_t PrismFaceNumber() const { return firstCorner & 0xFU; }
};
static_assert(sizeof(FaceRecord) == 16);

// Where one ring prism's vertices and normals start in the pools: its faces' corners are
// worked out from these and the prism's pattern (prism.h) when they are read.
struct PrismRecord {
    std::uint32_t firstPosition = 0;
    std::uint32_t firstNormal = 0;
};

// Room for the corners of a face that keeps them in another form (MeshData::CornersOf):
// a prism face's, or a plain face's. Only a face of more than eight corners allocates.
class CornerScratch {
public:
    [[nodiscard]] Corner* Room(std::size_t count) {
        if (count <= m_small.size()) {
            return m_small.data();
        }
        m_large.resize(count);
        return m_large.data();
    }

private:
    std::array<Corner, kMaxPrismFaceCorners> m_small{};
    std::vector<Corner> m_large;
};

// The face is part of a line stroke: the renderer keeps a stroke visible as a line of at
// least one pixel when it is drawn thinner than that.
inline constexpr std::uint32_t kFaceStroke = 1U << 0;

// The storage of one mesh. The renderer and the exporters read it directly. Two loads fill
// two meshes on two threads at once: whole cache lines of their own keep one mesh's pool
// ends and pin count from sharing a line with the other's.
struct alignas(64) MeshData {
    std::vector<D3DVECTOR> positions;
    std::vector<D3DVECTOR> normals;
    std::vector<Corner> corners;
    // The corners of plain faces, positions alone: the faces of a model's polygons have no
    // normals of their own, and half of every Corner would be kNoNormal.
    std::vector<std::uint32_t> plainCorners;
    std::vector<FaceRecord> faces;
    std::vector<PrismRecord> prisms;
    // The application's own value for each face, beside the records so that the records
    // the loader and the renderer walk stay small.
    std::vector<std::uint32_t> faceAppData;
    D3DRMRENDERQUALITY quality = D3DRMRENDER_GOURAUD;
    // Nothing draws or watches this mesh (MeshBuilder::Detached): changes to it announce
    // no new revision.
    bool detached = false;
    // Frames drawing this mesh on another thread; writers wait for them (mesh_pin.h).
    mutable PinCount pins;

    [[nodiscard]] std::size_t MemoryBytes() const;

    // The corners of face `f`, wherever they are kept: its own in `corners`, or, for a
    // plain or prism face, copied or worked out into `scratch`. Empty when the face refers
    // past its pool or the prisms (the positions and normals named are for the caller to
    // check), or when its count does not fit its prism's face.
    [[nodiscard]] std::span<const Corner> CornersOf(const FaceRecord& f,
                                                    CornerScratch& scratch) const {
        if (f.prism != 0) {
            return PrismCorners(f, scratch);
        }
        if (f.plain != 0) {
            return PlainCorners(f, scratch);
        }
        if (f.firstCorner > corners.size() || f.cornerCount > corners.size() - f.firstCorner) {
            return {};
        }
        return {corners.data() + f.firstCorner, f.cornerCount};
    }
    // The prism of prism face `f`, or nullptr when `f` names none or its corner count
    // does not fit its face of the prism (PrismCorners is then empty). Its vertices are
    // for the caller to check.
    [[nodiscard]] const PrismRecord* PrismOf(const FaceRecord& f) const {
        const std::uint32_t number = f.PrismFaceNumber();
        if (f.PrismIndex() >= prisms.size() || number >= kPrismFaces ||
            f.cornerCount != kPrismFaceList[number].count) {
            return nullptr;
        }
        return &prisms[f.PrismIndex()];
    }
    // Every face's corners together, prism and plain faces' included.
    [[nodiscard]] std::size_t CornerTotal() const {
        return corners.size() + plainCorners.size() + prisms.size() * kPrismCorners;
    }

private:
    [[nodiscard]] std::span<const Corner> PrismCorners(const FaceRecord& f,
                                                       CornerScratch& scratch) const;
    [[nodiscard]] std::span<const Corner> PlainCorners(const FaceRecord& f,
                                                       CornerScratch& scratch) const {
        if (f.firstCorner > plainCorners.size() ||
            f.cornerCount > plainCorners.size() - f.firstCorner) {
            return {};
        }
        Corner* const out = scratch.Room(f.cornerCount);
        const std::uint32_t* const in = plainCorners.data() + f.firstCorner;
        for (std::uint32_t k = 0; k < f.cornerCount; ++k) {
            out[k] = {in[k], kNoNormal};
        }
        return {out, f.cornerCount};
    }
};

}  // namespace rm
