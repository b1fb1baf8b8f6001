// A stroke drawn thinner than a pixel would fall apart into the few pixel centres its
// faces happen to cover. Where that can happen, the side of the stroke that faces the eye
// also draws its centre line, one pixel per step along the major axis, with depth test.
// Where the stroke is wide enough its faces alone decide its pixels.

#include <cmath>

#include "platform/raster/face_builder.h"

namespace rm::raster {

namespace {

// Below this width in pixels a stroke gets its line. At a pixel or more across, the faces'
// pixel centres already form an unbroken band; the margin covers the 1/16-pixel snapping.
constexpr float kThinPixels = 1.5F;
// Across flats of the regular octagon, in units of one of its sides: 1 / tan 22.5 degrees.
constexpr float kFlatsPerSide = 2.41421356F;
// The side whose normal lies within about 26 degrees of the eye's direction draws the line
// (one side, two at a tie), so the line keeps one lit colour along its length.
constexpr float kFacingCosine = 0.9F;

struct Point {
    float x, y, z;
};

Point Mid(const CameraPoint& a, const CameraPoint& b) {
    return {(a.x + b.x) * 0.5F, (a.y + b.y) * 0.5F, (a.z + b.z) * 0.5F};
}

float Distance(const ClipPlane& p, const Point& v) {
    return p.nx * v.x + p.ny * v.y + p.nz * v.z + p.w;
}

// Cuts the segment p..q to the part where every plane's distance is >= 0; false if none.
bool ClipSegment(const ClipPlane* planes, int count, Point& p, Point& q) {
    float t0 = 0.0F;
    float t1 = 1.0F;
    for (int i = 0; i < count; ++i) {
        const float d0 = Distance(planes[i], p);
        const float d1 = Distance(planes[i], q);
        if (!(d0 >= 0.0F) && !(d1 >= 0.0F)) {
            return false;
        }
        if (d0 < 0.0F) {
            t0 = std::fmax(t0, d0 / (d0 - d1));
        } else if (d1 < 0.0F) {
            t1 = std::fmin(t1, d0 / (d0 - d1));
        }
    }
    if (!(t0 <= t1)) {
        return false;
    }
    const auto at = [&](float t) {
        return Point{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y), p.z + t * (q.z - p.z)};
    };
    const Point a = at(t0);
    q = at(t1);
    p = a;
    return true;
}

}  // namespace

void FaceBuilder::EmitStrokeLine() {
    // A side of the stroke: corners 0 and 1 ring the first end, 2 and 3 the second, so
    // 0-1 and 2-3 run across the stroke and their midpoints along the middle of the side.
    CameraPoint c[4];
    for (std::uint32_t i = 0; i < 4; ++i) {
        c[i] = CameraCorner(i);
    }
    Point p = Mid(c[0], c[1]);
    Point q = Mid(c[2], c[3]);
    const float ax = q.x - p.x;
    const float ay = q.y - p.y;
    const float az = q.z - p.z;
    const float axisLength2 = ax * ax + ay * ay + az * az;
    // Outward normal in camera space (Newell), as the face's lighting normal is found.
    float nx = 0.0F;
    float ny = 0.0F;
    float nz = 0.0F;
    for (int i = 0; i < 4; ++i) {
        const CameraPoint& u = c[i];
        const CameraPoint& v = c[(i + 1) & 3];
        nx += (u.y - v.y) * (u.z + v.z);
        ny += (u.z - v.z) * (u.x + v.x);
        nz += (u.x - v.x) * (u.y + v.y);
    }
    // The eye's direction to the side, less its part along the stroke.
    float vx = -(p.x + q.x) * 0.5F;
    float vy = -(p.y + q.y) * 0.5F;
    float vz = -(p.z + q.z) * 0.5F;
    if (axisLength2 > 0.0F) {
        const float along = (vx * ax + vy * ay + vz * az) / axisLength2;
        vx -= along * ax;
        vy -= along * ay;
        vz -= along * az;
    }
    const float facing = nx * vx + ny * vy + nz * vz;
    const float n2 = nx * nx + ny * ny + nz * nz;
    const float v2 = vx * vx + vy * vy + vz * vz;
    if (!(facing > 0.0F) || !(facing * facing >= kFacingCosine * kFacingCosine * n2 * v2)) {
        return;  // faces away, or another side faces the eye more squarely
    }
    const float sx = c[1].x - c[0].x;
    const float sy = c[1].y - c[0].y;
    const float sz = c[1].z - c[0].z;
    const float width = kFlatsPerSide * std::sqrt(sx * sx + sy * sy + sz * sz);
    // Thin wherever width * scale / z < kThinPixels, i.e. beyond this depth.
    const float thinFrom = width * m_frame.view.scale / kThinPixels;
    const ClipPlanes& pl = m_frame.planes;
    const ClipPlane planes[] = {
        pl.near,     pl.far,         pl.guardLeft,         pl.guardRight,
        pl.guardTop, pl.guardBottom, {0, 0, 1, -thinFrom},
    };
    if (!ClipSegment(planes, 7, p, q)) {
        return;
    }
    ScreenVertex a{};
    ScreenVertex b{};
    ProjectPoint(m_frame.view, p.x, p.y, p.z, a.fx, a.fy, a.depth);
    ProjectPoint(m_frame.view, q.x, q.y, q.z, b.fx, b.fy, b.depth);
    const D3DCOLOR color =
        m_setup.lit
            ? ShadeColor(m_face->color, LightIntensity(FaceNormalWorld(), m_frame.view.ambient,
                                                       m_frame.view.lights))
            : m_face->color;
    constexpr float kToPixels = 1.0F / static_cast<float>(kSubScale);
    LineSetup line;
    if (!SetupLine(static_cast<float>(a.fx) * kToPixels, static_cast<float>(a.fy) * kToPixels,
                   a.depth, static_cast<float>(b.fx) * kToPixels,
                   static_cast<float>(b.fy) * kToPixels, b.depth, m_frame.view.scissor, color,
                   line)) {
        return;
    }
    line.band = true;
    m_chunk.AddLine(line, PackTiles(LineBounds(line, m_frame.view.scissor)));
}

}  // namespace rm::raster
