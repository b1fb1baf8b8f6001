#pragma once
// Turns projected corners into the records the tile stage draws: triangles with their edge
// functions, depth and colour planes, and lines for wireframe edges and points.

#include <xmmintrin.h>

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
