// A stroke drawn thinner than a pixel would fall apart into the few pixel centres its
// faces happen to cover. Where that can happen, the side of the stroke that faces the eye
// also draws its centre line, one pixel per step along the major axis, with depth test.
// Where the stroke is wide enough its faces alone decide its pixels.

#include <xmmintrin.h>

#include <cmath>

#include "platform/raster/face_builder.h"
#include "platform/raster/stroke_sides.h"

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
constexpr float kFacingCosine2 = kFacingCosine * kFacingCosine;

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

// The side with corners c draws the line: it faces the eye, and more squarely than its
// neighbours (StrokeSides::Hold does the same for eight sides at once).
bool DrawsLine(const CameraPoint (&c)[4]) {
    const Point p = Mid(c[0], c[1]);
    const Point q = Mid(c[2], c[3]);
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
    // Faces away, or another side faces the eye more squarely.
    return facing > 0.0F && facing * facing >= kFacingCosine2 * n2 * v2;
}

}  // namespace

bool StrokeSides::Hold(const MeshSetup* setup, const MeshData& mesh, std::uint32_t index,
                       const Affine& toCamera) {
    if (setup == holder && index == prism) {
        return true;
    }
    if (index >= mesh.prisms.size()) {
        return false;
    }
    const std::uint32_t first = mesh.prisms[index].firstPosition;
    if (first > mesh.positions.size() || mesh.positions.size() - first < kPrismVertices) {
        return false;
    }
    // The sixteen vertices in camera space, four at a time, each lane as ToCamera.
    for (int ring = 0; ring < 2; ++ring) {
        for (int block = 0; block < 2; ++block) {
            const std::uint32_t base = first + 8 * ring + 4 * block;
            const CameraLanes c = ToCameraLanes(
                toCamera, [&](int k) -> const D3DVECTOR& { return mesh.positions[base + k]; });
            _mm_store_ps(&x[ring][4 * block], c.x);
            _mm_store_ps(&y[ring][4 * block], c.y);
            _mm_store_ps(&z[ring][4 * block], c.z);
        }
        x[ring][8] = x[ring][0];
        y[ring][8] = y[ring][0];
        z[ring][8] = z[ring][0];
    }
    // DrawsLine for sides i to i + 3, one to a lane.
    facing = 0;
    const __m128 half = _mm_set1_ps(0.5F);
    const __m128 sign = _mm_set1_ps(-0.0F);
    for (int i = 0; i < 8; i += 4) {
        // Side i's corners: vertex i and i + 1 of the first ring, i + 1 and i of the second.
        const __m128 c0x = _mm_load_ps(&x[0][i]);
        const __m128 c0y = _mm_load_ps(&y[0][i]);
        const __m128 c0z = _mm_load_ps(&z[0][i]);
        const __m128 c1x = _mm_loadu_ps(&x[0][i + 1]);
        const __m128 c1y = _mm_loadu_ps(&y[0][i + 1]);
        const __m128 c1z = _mm_loadu_ps(&z[0][i + 1]);
        const __m128 c2x = _mm_loadu_ps(&x[1][i + 1]);
        const __m128 c2y = _mm_loadu_ps(&y[1][i + 1]);
        const __m128 c2z = _mm_loadu_ps(&z[1][i + 1]);
        const __m128 c3x = _mm_load_ps(&x[1][i]);
        const __m128 c3y = _mm_load_ps(&y[1][i]);
        const __m128 c3z = _mm_load_ps(&z[1][i]);
        const __m128 px = _mm_mul_ps(_mm_add_ps(c0x, c1x), half);
        const __m128 py = _mm_mul_ps(_mm_add_ps(c0y, c1y), half);
        const __m128 pz = _mm_mul_ps(_mm_add_ps(c0z, c1z), half);
        const __m128 qx = _mm_mul_ps(_mm_add_ps(c2x, c3x), half);
        const __m128 qy = _mm_mul_ps(_mm_add_ps(c2y, c3y), half);
        const __m128 qz = _mm_mul_ps(_mm_add_ps(c2z, c3z), half);
        const __m128 ax = _mm_sub_ps(qx, px);
        const __m128 ay = _mm_sub_ps(qy, py);
        const __m128 az = _mm_sub_ps(qz, pz);
        const auto dot = [](__m128 ux, __m128 uy, __m128 uz, __m128 vx, __m128 vy, __m128 vz) {
            return _mm_add_ps(_mm_add_ps(_mm_mul_ps(ux, vx), _mm_mul_ps(uy, vy)),
                              _mm_mul_ps(uz, vz));
        };
        const __m128 axisLength2 = dot(ax, ay, az, ax, ay, az);
        __m128 nx = _mm_setzero_ps();
        __m128 ny = _mm_setzero_ps();
        __m128 nz = _mm_setzero_ps();
        const auto edge = [&](__m128 ux, __m128 uy, __m128 uz, __m128 vx, __m128 vy, __m128 vz) {
            nx = _mm_add_ps(nx, _mm_mul_ps(_mm_sub_ps(uy, vy), _mm_add_ps(uz, vz)));
            ny = _mm_add_ps(ny, _mm_mul_ps(_mm_sub_ps(uz, vz), _mm_add_ps(ux, vx)));
            nz = _mm_add_ps(nz, _mm_mul_ps(_mm_sub_ps(ux, vx), _mm_add_ps(uy, vy)));
        };
        edge(c0x, c0y, c0z, c1x, c1y, c1z);
        edge(c1x, c1y, c1z, c2x, c2y, c2z);
        edge(c2x, c2y, c2z, c3x, c3y, c3z);
        edge(c3x, c3y, c3z, c0x, c0y, c0z);
        __m128 vx = _mm_mul_ps(_mm_xor_ps(_mm_add_ps(px, qx), sign), half);
        __m128 vy = _mm_mul_ps(_mm_xor_ps(_mm_add_ps(py, qy), sign), half);
        __m128 vz = _mm_mul_ps(_mm_xor_ps(_mm_add_ps(pz, qz), sign), half);
        const __m128 along = _mm_div_ps(dot(vx, vy, vz, ax, ay, az), axisLength2);
        const __m128 has = _mm_cmpgt_ps(axisLength2, _mm_setzero_ps());
        const auto less = [&](__m128 v, __m128 axis) {
            const __m128 moved = _mm_sub_ps(v, _mm_mul_ps(along, axis));
            return _mm_or_ps(_mm_and_ps(has, moved), _mm_andnot_ps(has, v));
        };
        vx = less(vx, ax);
        vy = less(vy, ay);
        vz = less(vz, az);
        const __m128 facingEye = dot(nx, ny, nz, vx, vy, vz);
        const __m128 n2 = dot(nx, ny, nz, nx, ny, nz);
        const __m128 v2 = dot(vx, vy, vz, vx, vy, vz);
        const __m128 draws = _mm_and_ps(
            _mm_cmpgt_ps(facingEye, _mm_setzero_ps()),
            _mm_cmpge_ps(_mm_mul_ps(facingEye, facingEye),
                         _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(kFacingCosine2), n2), v2)));
        facing |= static_cast<std::uint32_t>(_mm_movemask_ps(draws)) << i;
    }
    holder = setup;
    prism = index;
    return true;
}

CameraPoint StrokeSides::Corner(std::uint32_t side, int k) const {
    const int ring = k < 2 ? 0 : 1;
    const std::uint32_t at = side + (k == 1 || k == 2 ? 1U : 0U);
    return {x[ring][at], y[ring][at], z[ring][at]};
}

void FaceBuilder::EmitStrokeLine() {
    // A side of the stroke: corners 0 and 1 ring the first end, 2 and 3 the second, so
    // 0-1 and 2-3 run across the stroke and their midpoints along the middle of the side.
    CameraPoint c[4];
    const std::uint32_t side = m_face->PrismFaceNumber() - 1;
    if (m_face->prism != 0 && side < 8 &&
        m_scratch.strokeSides.Hold(&m_setup, m_mesh, m_face->PrismIndex(), m_setup.toCamera)) {
        if (!m_scratch.strokeSides.Draws(side)) {
            return;
        }
        for (int i = 0; i < 4; ++i) {
            c[i] = m_scratch.strokeSides.Corner(side, i);
        }
    } else {
        for (std::uint32_t i = 0; i < 4; ++i) {
            c[i] = CameraCorner(i);
        }
        if (!DrawsLine(c)) {
            return;
        }
    }
    Point p = Mid(c[0], c[1]);
    Point q = Mid(c[2], c[3]);
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
