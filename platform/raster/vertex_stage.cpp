// Positions to camera and screen space: a mesh's positions in runs (the window of a block
// of faces), through the four-lane projection of vertex_lanes.h. The camera-space point
// itself is not kept; camera_point.h computes it again, with the same operations, where a
// face needs it.
#include <algorithm>
#include <limits>

#include "platform/core/mesh_data.h"
#include "platform/raster/vertex_lanes.h"

namespace rm::raster {

void TransformVertices(const FrameGeometry& frame, const MeshSetup& setup, std::uint32_t begin,
                       std::uint32_t end, ProjectedVertex* out) {
    const D3DVECTOR* positions = setup.mesh->positions.data();
    for (std::uint32_t i = begin; i < end; i += 4) {
        const int n = static_cast<int>(std::min<std::uint32_t>(4, end - i));
        ProjectLanes(
            frame, setup.toCamera, n, [&](int k) -> const D3DVECTOR& { return positions[i + k]; },
            out + (i - begin));
    }
}

void PrepareWindow(const FrameGeometry& frame, const MeshSetup& setup, std::uint32_t begin,
                   std::uint32_t end, GeometryScratch& scratch) {
    const MeshData& mesh = *setup.mesh;
    const std::size_t positions = mesh.positions.size();
    CornerScratch own;
    std::uint32_t lo = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t hi = 0;
    std::uint64_t corners = 0;
    // The faces the builder would take, with the checks it makes; a position out of range
    // drops its face there, so it does not widen the window here.
    for (std::uint32_t f = begin; f < end; ++f) {
        const FaceRecord& face = mesh.faces[f];
        if (face.cornerCount < 3) {
            continue;
        }
        if (face.prism != 0) {
            // Its corners straight from the prism's table, without listing them first.
            const PrismRecord* const prism = mesh.PrismOf(face);
            if (prism == nullptr) {
                continue;
            }
            const PrismFace listed = kPrismFaceList[face.PrismFaceNumber()];
            for (std::uint32_t k = 0; k < listed.count; ++k) {
                const std::uint32_t p =
                    prism->firstPosition + kPrismCornerList[listed.first + k].vertex;
                if (p < positions) {
                    lo = std::min(lo, p);
                    hi = std::max(hi, p);
                }
            }
            corners += face.cornerCount;
            continue;
        }
        const std::span<const Corner> c = mesh.CornersOf(face, own);
        if (c.size() != face.cornerCount) {
            continue;
        }
        for (const Corner& corner : c) {
            const std::uint32_t p = corner.position;
            if (p < positions) {
                lo = std::min(lo, p);
                hi = std::max(hi, p);
            }
        }
        corners += face.cornerCount;
    }
    scratch.windowMesh = &setup;
    scratch.windowFirst = 0;
    scratch.windowCount = 0;
    if (lo > hi) {
        return;
    }
    // Projecting the range costs less than projecting face by face while it holds no more
    // positions than the block has corners.
    const std::uint64_t span = std::uint64_t{hi} - lo + 1;
    if (span > kWindowVertices || span > corners + 16) {
        return;
    }
    const auto count = static_cast<std::uint32_t>(span);
    TransformVertices(frame, setup, lo, lo + count, scratch.window.data());
    scratch.windowFirst = lo;
    scratch.windowCount = count;
}

}  // namespace rm::raster
