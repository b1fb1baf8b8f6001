#pragma once
// Clips a convex or concave polygon in camera space against the planes of the view, one
// plane at a time (Sutherland-Hodgman). A crossing point is always interpolated from the
// corner inside the plane towards the one outside, so two faces that share an edge get
// bit-identical points on it and stay crack-free after clipping.

#include <cstdint>
#include <vector>

#include "platform/raster/raster_types.h"

namespace rm::raster {

struct ClipVertex {
    float x, y, z;            // camera space
    float r, g, b;            // corner colour, carried along for Gouraud shading
    std::uint32_t edgeFlags;  // kEdgeOriginal: the edge to the next corner was in the face
};

enum : std::uint32_t {
    kEdgeOriginal = 1U << 0,
    kVertexOriginal = 1U << 1,
};

// A half-space nx*x + ny*y + nz*z + w >= 0.
struct ClipPlane {
    float nx, ny, nz, w;
    [[nodiscard]] float Distance(const ClipVertex& v) const {
        return nx * v.x + ny * v.y + nz * v.z + w;
    }
};

// The planes, in the order of the kOut... bits they belong to.
struct ClipPlanes {
    ClipPlane near, far, guardLeft, guardRight, guardTop, guardBottom;
    ClipPlane left, right, top, bottom;
};

[[nodiscard]] ClipPlanes MakeClipPlanes(const ViewSetup& view);

// The outcode of one camera-space point.
[[nodiscard]] inline std::uint32_t Outcode(const ClipPlanes& planes, float x, float y, float z) {
    // Every side plane is (+-s, 0, k, 0) or (0, +-s, k, 0): share the products. Written as
    // !(d >= 0) so that a NaN distance counts as outside, and without branches.
    const float xs = planes.left.nx * x;
    const float ys = planes.bottom.ny * y;
    const auto out = [](float d, std::uint32_t bit) {
        return static_cast<std::uint32_t>(!(d >= 0.0F)) * bit;
    };
    return out(z + planes.near.w, kOutNear) | out(planes.far.w - z, kOutFar) |
           out(xs + planes.guardLeft.nz * z, kOutGuardLeft) |
           out(planes.guardRight.nz * z - xs, kOutGuardRight) |
           out(planes.guardTop.nz * z - ys, kOutGuardTop) |
           out(ys + planes.guardBottom.nz * z, kOutGuardBottom) |
           out(xs + planes.left.nz * z, kOutLeft) | out(planes.right.nz * z - xs, kOutRight) |
           out(planes.top.nz * z - ys, kOutTop) | out(ys + planes.bottom.nz * z, kOutBottom);
}

class PolygonClipper {
public:
    // Clips `poly` in place against every plane whose bit is in `planeBits` (kClipMask bits).
    // Returns false when nothing is left.
    [[nodiscard]] bool Clip(std::vector<ClipVertex>& poly, std::uint32_t planeBits,
                            const ClipPlanes& planes);
    void Reserve(std::size_t corners) { m_scratch.reserve(corners); }
    [[nodiscard]] std::size_t ReservedBytes() const {
        return m_scratch.capacity() * sizeof(ClipVertex);
    }

private:
    std::vector<ClipVertex> m_scratch;
};

}  // namespace rm::raster
