#include "platform/raster/polygon_clipper.h"

#include <utility>

namespace rm::raster {

ClipPlanes MakeClipPlanes(const ViewSetup& view) {
    const float s = view.scale;
    const float cx = view.centreX;
    const float cy = view.centreY;
    const float g = kGuardBand;
    const float left = static_cast<float>(view.scissor.x0);
    const float right = static_cast<float>(view.scissor.x1 + 1);
    const float top = static_cast<float>(view.scissor.y0);
    const float bottom = static_cast<float>(view.scissor.y1 + 1);
    // Screen x = cx + s*x/z, screen y = cy - s*y/z; each bound becomes a plane through the eye.
    ClipPlanes p{};
    p.near = {0, 0, 1, -view.front};
    p.far = {0, 0, -1, view.back};
    p.guardLeft = {s, 0, cx + g, 0};
    p.guardRight = {-s, 0, view.bufferWidth + g - cx, 0};
    p.guardTop = {0, -s, cy + g, 0};
    p.guardBottom = {0, s, view.bufferHeight + g - cy, 0};
    p.left = {s, 0, cx - left, 0};
    p.right = {-s, 0, right - cx, 0};
    p.top = {0, -s, cy - top, 0};
    p.bottom = {0, s, bottom - cy, 0};
    return p;
}

namespace {

ClipVertex Towards(const ClipVertex& in, const ClipVertex& out, float dIn, float dOut) {
    const float t = dIn / (dIn - dOut);
    const auto lerp = [t](float a, float b) { return a + t * (b - a); };
    return {lerp(in.x, out.x),
            lerp(in.y, out.y),
            lerp(in.z, out.z),
            lerp(in.r, out.r),
            lerp(in.g, out.g),
            lerp(in.b, out.b),
            0};
}

}  // namespace

bool PolygonClipper::Clip(std::vector<ClipVertex>& poly, std::uint32_t planeBits,
                          const ClipPlanes& planes) {
    const std::pair<std::uint32_t, const ClipPlane*> order[] = {
        {kOutNear, &planes.near},           {kOutFar, &planes.far},
        {kOutGuardLeft, &planes.guardLeft}, {kOutGuardRight, &planes.guardRight},
        {kOutGuardTop, &planes.guardTop},   {kOutGuardBottom, &planes.guardBottom},
    };
    for (const auto& [bit, plane] : order) {
        if ((planeBits & bit) == 0) {
            continue;
        }
        m_scratch.clear();
        const std::size_t n = poly.size();
        for (std::size_t i = 0; i < n; ++i) {
            const ClipVertex& a = poly[i];
            const ClipVertex& b = poly[i + 1 == n ? 0 : i + 1];
            const float da = plane->Distance(a);
            const float db = plane->Distance(b);
            const bool aIn = da >= 0.0F;
            const bool bIn = db >= 0.0F;
            if (aIn) {
                m_scratch.push_back(a);
            }
            if (aIn != bIn) {
                ClipVertex v = aIn ? Towards(a, b, da, db) : Towards(b, a, db, da);
                // Leaving: the new edge runs along the plane. Entering: the rest of a->b.
                v.edgeFlags = aIn ? 0U : (a.edgeFlags & kEdgeOriginal);
                m_scratch.push_back(v);
            }
        }
        poly.swap(m_scratch);
        if (poly.size() < 3) {
            poly.clear();
            return false;
        }
    }
    return true;
}

}  // namespace rm::raster
