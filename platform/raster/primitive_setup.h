#pragma once
// Turns projected corners into the records the tile stage draws: triangles with their edge
// functions, depth and colour planes, and lines for wireframe edges and points.

#include <xmmintrin.h>

#include <algorithm>
#include <cstdint>

#include "platform/raster/raster_types.h"

namespace rm::raster {

// A corner on screen: snapped position, depth and (for Gouraud) its colour, 0-255.
struct ScreenVertex {
    std::int32_t fx, fy;
    float depth;
    float r, g, b;
};

[[nodiscard]] inline float ClampToRange(float v, float lo, float hi) {
    // NaN falls to lo: a defined position, never an undefined conversion.
    if (!(v >= lo)) {
        return lo;
    }
    return v <= hi ? v : hi;
}

// Screen position and depth of a camera-space point in front of the eye. The result is
// kept inside the guard band even for points just outside it after clipping round-off.
inline void ProjectPoint(const ViewSetup& view, float x, float y, float z, std::int32_t& fx,
                         std::int32_t& fy, float& depth) {
    const float inv = 1.0F / z;
    const float sx = ClampToRange(view.centreX + x * view.scale * inv, -kGuardBand,
                                  view.bufferWidth + kGuardBand);
    const float sy = ClampToRange(view.centreY - y * view.scale * inv, -kGuardBand,
                                  view.bufferHeight + kGuardBand);
    // Round to nearest with the SSE conversion: exact ties do not matter, only that the
    // same point always snaps the same way.
    fx = _mm_cvtss_si32(_mm_set_ss(sx * static_cast<float>(kSubScale)));
    fy = _mm_cvtss_si32(_mm_set_ss(sy * static_cast<float>(kSubScale)));
    depth = -inv;
}

// Twice the signed area in 1/256 pixel^2; positive when the corners run clockwise as seen.
[[nodiscard]] inline std::int64_t SignedArea(const ScreenVertex& v0, const ScreenVertex& v1,
                                             const ScreenVertex& v2) {
    return std::int64_t{v1.fx - v0.fx} * std::int64_t{v2.fy - v0.fy} -
           std::int64_t{v1.fy - v0.fy} * std::int64_t{v2.fx - v0.fx};
}

// Fills `out` for a front-facing triangle whose bounds hold at least one pixel centre (with
// `sampled`: one sample) inside the scissor; false (nothing to draw) otherwise. `planes` is
// filled only when gouraud is set.
[[nodiscard]] bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1,
                                 const ScreenVertex& v2, const PixelRect& scissor, D3DCOLOR color,
                                 bool gouraud, bool sampled, TriangleSetup& out,
                                 ColorPlanes& planes);

// SetupTriangle in two steps, so that a triangle found to cover nothing costs no planes and
// no shading. The first sets the box, the corners and the cut flag and gives the same answer
// as SetupTriangle; the second, only after it succeeded with the same corners, adds the
// depth plane, the colour and the Gouraud planes. Inline: the face builder calls both for
// every triangle of a big scene.

// Plane through three samples: value at (refX, refY) and its steps per pixel.
struct SetupPlane {
    float v0, dx, dy;
};

inline SetupPlane MakeSetupPlane(double x0, double y0, double x1, double y1, double x2, double y2,
                                 double a0, double a1, double a2, double area, double refX,
                                 double refY) {
    const double dx1 = x1 - x0;
    const double dy1 = y1 - y0;
    const double dx2 = x2 - x0;
    const double dy2 = y2 - y0;
    const double da1 = a1 - a0;
    const double da2 = a2 - a0;
    const double ddx = (da1 * dy2 - da2 * dy1) / area;
    const double ddy = (dx1 * da2 - dx2 * da1) / area;
    return {static_cast<float>(a0 + ddx * (refX - x0) + ddy * (refY - y0)), static_cast<float>(ddx),
            static_cast<float>(ddy)};
}

inline bool SetupTriangleShape(const ScreenVertex& v0, const ScreenVertex& v1,
                               const ScreenVertex& v2, const PixelRect& scissor, bool sampled,
                               TriangleSetup& out) {
    const std::int64_t area = SignedArea(v0, v1, v2);
    if (area <= 0) {
        return false;  // facing away, or no area at all
    }
    constexpr int kHalf = kSubScale / 2;
    const std::int32_t minFx = std::min({v0.fx, v1.fx, v2.fx});
    const std::int32_t maxFx = std::max({v0.fx, v1.fx, v2.fx});
    const std::int32_t minFy = std::min({v0.fy, v1.fy, v2.fy});
    const std::int32_t maxFy = std::max({v0.fy, v1.fy, v2.fy});
    // Pixels whose centre (16 px + 8), or with samples any sample, lies inside the snapped
    // bounds.
    const int reach = sampled ? kSampleReach : 0;
    PixelRect box{(minFx - kHalf - reach + kSubScale - 1) >> kSubBits,
                  (minFy - kHalf - reach + kSubScale - 1) >> kSubBits,
                  (maxFx - kHalf + reach) >> kSubBits, (maxFy - kHalf + reach) >> kSubBits};
    const bool cutX = box.x0 < scissor.x0 || box.x1 > scissor.x1;
    box.x0 = std::max(box.x0, scissor.x0);
    box.y0 = std::max(box.y0, scissor.y0);
    box.x1 = std::min(box.x1, scissor.x1);
    box.y1 = std::min(box.y1, scissor.y1);
    if (box.Empty()) {
        return false;
    }
    out.box = {static_cast<std::int16_t>(box.x0), static_cast<std::int16_t>(box.y0),
               static_cast<std::int16_t>(box.x1), static_cast<std::int16_t>(box.y1)};
    out.SetCorners({v0.fx, v1.fx, v2.fx}, {v0.fy, v1.fy, v2.fy});
    out.flags = cutX ? kPrimCutX : 0U;
    return true;
}

inline void SetupTrianglePlanes(const ScreenVertex& v0, const ScreenVertex& v1,
                                const ScreenVertex& v2, D3DCOLOR color, bool gouraud,
                                TriangleSetup& out, ColorPlanes& planes) {
    const std::int64_t area = SignedArea(v0, v1, v2);
    const double scale = 1.0 / kSubScale;
    const double x0 = v0.fx * scale;
    const double y0 = v0.fy * scale;
    const double x1 = v1.fx * scale;
    const double y1 = v1.fy * scale;
    const double x2 = v2.fx * scale;
    const double y2 = v2.fy * scale;
    const double areaPx = static_cast<double>(area) * scale * scale;
    const double refX = out.box.x0 + 0.5;
    const double refY = out.box.y0 + 0.5;
    const SetupPlane z =
        MakeSetupPlane(x0, y0, x1, y1, x2, y2, v0.depth, v1.depth, v2.depth, areaPx, refX, refY);
    out.z0 = z.v0;
    out.zdx = z.dx;
    out.zdy = z.dy;
    out.color = color | 0xFF000000U;
    if (gouraud) {
        out.flags |= kPrimGouraud;
        const SetupPlane r =
            MakeSetupPlane(x0, y0, x1, y1, x2, y2, v0.r, v1.r, v2.r, areaPx, refX, refY);
        const SetupPlane g =
            MakeSetupPlane(x0, y0, x1, y1, x2, y2, v0.g, v1.g, v2.g, areaPx, refX, refY);
        const SetupPlane b =
            MakeSetupPlane(x0, y0, x1, y1, x2, y2, v0.b, v1.b, v2.b, areaPx, refX, refY);
        planes = {r.v0, r.dx, r.dy, g.v0, g.dx, g.dy, b.v0, b.dx, b.dy};
    }
}

// True when a small triangle covers neither a pixel centre nor (with `sampled`) a sample: it
// can change no pixel and need not be kept. Most faces of a big model are a few pixels on
// screen, and many of those fall between the samples. Boxes of more than kNoSampleBoxArea
// pixels are not searched and count as covering.
inline constexpr int kNoSampleBoxArea = 16;
[[nodiscard]] bool CoversNoSample(const TriangleSetup& tri, bool sampled);

// A line between two screen points (pixels, unsnapped), or a point when they coincide.
// False when it misses the scissor.
[[nodiscard]] bool SetupLine(float x0, float y0, float depth0, float x1, float y1, float depth1,
                             const PixelRect& scissor, D3DCOLOR color, LineSetup& out);

// The pixel bounds a line can touch, for binning (a band line may reach one pixel further
// across with samples).
[[nodiscard]] PixelRect LineBounds(const LineSetup& line, const PixelRect& scissor);

}  // namespace rm::raster
