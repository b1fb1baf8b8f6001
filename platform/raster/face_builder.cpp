#include "platform/raster/face_builder.h"

#include <cmath>

#include "platform/core/mesh_data.h"
#include "platform/raster/camera_point.h"
#include "platform/raster/vertex_lanes.h"

namespace rm::raster {

namespace {

Vec3 TransformNormal(const float m[3][3], const Vec3& n) {
    return {n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0],
            n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
            n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2]};
}

}  // namespace

CameraPoint FaceBuilder::CameraCorner(std::uint32_t corner) const {
    return ToCamera(m_setup.toCamera, m_mesh.positions[m_corners[corner].position]);
}

Vec3 FaceBuilder::FaceNormalWorld() const {
    // Newell's method: the sum of the corner cross products, out of the clockwise side.
    Vec3 n;
    for (std::uint32_t i = 0; i < m_count; ++i) {
        const D3DVECTOR& p = m_mesh.positions[m_corners[i].position];
        const D3DVECTOR& q = m_mesh.positions[m_corners[i + 1 == m_count ? 0 : i + 1].position];
        n.x += (p.y - q.y) * (p.z + q.z);
        n.y += (p.z - q.z) * (p.x + q.x);
        n.z += (p.x - q.x) * (p.y + q.y);
    }
    return NormalizedOrZero(TransformNormal(m_setup.toWorld, n));
}

ColorRGB FaceBuilder::CornerIntensity(std::uint32_t corner, const Vec3& faceNormal) const {
    const std::uint32_t ni = m_corners[corner].normal;
    Vec3 n = faceNormal;
    if (ni != kNoNormal && ni < m_mesh.normals.size()) {
        const D3DVECTOR& v = m_mesh.normals[ni];
        const Vec3 w = NormalizedOrZero(TransformNormal(m_setup.toWorld, {v.x, v.y, v.z}));
        if (w.x != 0.0F || w.y != 0.0F || w.z != 0.0F) {
            n = w;
        }
    }
    return LightIntensity(n, m_frame.view.ambient, m_frame.view.lights);
}

void FaceBuilder::SetCornerColors(std::span<ClipVertex> out) const {
    const Vec3 faceNormal = FaceNormalWorld();
    const D3DCOLOR c = m_face->color;
    const float r = static_cast<float>((c >> 16) & 0xFFU);
    const float g = static_cast<float>((c >> 8) & 0xFFU);
    const float b = static_cast<float>(c & 0xFFU);
    for (std::uint32_t i = 0; i < m_count; ++i) {
        const ColorRGB intensity = CornerIntensity(i, faceNormal);
        out[i].r = ScaleChannel(r, intensity.r);
        out[i].g = ScaleChannel(g, intensity.g);
        out[i].b = ScaleChannel(b, intensity.b);
    }
}

bool FaceBuilder::ProjectCorners(std::uint32_t& all, std::uint32_t& any) {
    std::vector<ProjectedVertex>& grown = m_scratch.projected;
    if (grown.size() < m_count) {
        grown.resize(m_count);
    }
    // Locals throughout: the stores into `out` could otherwise alias the members and the
    // outcode references, which would then be reloaded and stored at every corner.
    ProjectedVertex* const out = grown.data();
    const Corner* const corners = m_corners;
    const std::uint32_t cornerCount = m_count;
    const std::size_t positions = m_mesh.positions.size();
    const bool windowed = m_scratch.windowMesh == &m_setup;
    const std::uint32_t first = m_scratch.windowFirst;
    const std::uint32_t count = windowed ? m_scratch.windowCount : 0;
    const ProjectedVertex* window = m_scratch.window.data();
    std::uint32_t allCodes = ~0U;
    std::uint32_t anyCodes = 0;
    std::uint32_t pending[4];
    int n = 0;
    const auto flush = [&] {
        ProjectedVertex lanes[4];
        ProjectLanes(
            m_frame, m_setup.toCamera, n,
            [&](int k) -> const D3DVECTOR& {
                return m_mesh.positions[corners[pending[k]].position];
            },
            lanes);
        for (int k = 0; k < n; ++k) {
            out[pending[k]] = lanes[k];
            allCodes &= lanes[k].Code();
            anyCodes |= lanes[k].Code();
        }
        n = 0;
    };
    for (std::uint32_t i = 0; i < cornerCount; ++i) {
        const std::uint32_t p = corners[i].position;
        if (p >= positions) {
            return false;
        }
        if (p - first < count) {  // unsigned: below the window wraps to a large number
            const ProjectedVertex v = window[p - first];
            out[i] = v;
            allCodes &= v.Code();
            anyCodes |= v.Code();
        } else {
            pending[n++] = i;
            if (n == 4) {
                flush();
            }
        }
    }
    if (n > 0) {
        flush();
    }
    all = allCodes;
    any = anyCodes;
    return true;
}

void FaceBuilder::ClipAndProject(std::uint32_t clipBits) {
    std::vector<ClipVertex>& poly = m_scratch.polygon;
    std::vector<ScreenVertex>& screen = m_scratch.screen;
    screen.clear();
    if (clipBits != 0 && !m_scratch.clipper.Clip(poly, clipBits, m_frame.planes)) {
        return;
    }
    screen.resize(poly.size());
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const ClipVertex& v = poly[i];
        ScreenVertex& s = screen[i];
        ProjectPoint(m_frame.view, v.x, v.y, v.z, s.fx, s.fy, s.depth);
        s.r = v.r;
        s.g = v.g;
        s.b = v.b;
    }
}

void FaceBuilder::PushTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                               D3DCOLOR color, bool gouraud) {
    TriangleSetup tri;
    ColorPlanes planes;
    if (!SetupTriangle(a, b, c, m_frame.view.scissor, color, gouraud, m_frame.view.antialias, tri,
                       planes)) {
        return;
    }
    ++m_chunk.trianglesDrawn;
    if (CoversNoSample(tri, m_frame.view.antialias)) {
        return;  // it would draw nothing: no record, no bin entry, no tile work
    }
    if (gouraud) {
        tri.SetShade(m_chunk.AddShade(planes));
    }
    m_chunk.AddTriangle(tri);
}

void FaceBuilder::EmitSolid(std::span<ScreenVertex> s, bool clipped) {
    const bool gouraud = m_setup.gouraud && m_setup.lit;
    D3DCOLOR color = m_face->color;
    bool colorReady = !m_setup.lit || gouraud;
    bool cornersReady = clipped || !gouraud;
    for (std::size_t k = 1; k + 1 < s.size(); ++k) {
        if (SignedArea(s[0], s[k], s[k + 1]) <= 0) {
            continue;  // culled before any shading is spent on it
        }
        if (!colorReady) {
            color = ShadeColor(
                m_face->color,
                LightIntensity(FaceNormalWorld(), m_frame.view.ambient, m_frame.view.lights));
            colorReady = true;
        }
        if (!cornersReady) {
            std::vector<ClipVertex>& poly = m_scratch.polygon;
            poly.resize(m_count);
            SetCornerColors(poly);
            for (std::uint32_t i = 0; i < m_count; ++i) {
                s[i].r = poly[i].r;
                s[i].g = poly[i].g;
                s[i].b = poly[i].b;
            }
            cornersReady = true;
        }
        PushTriangle(s[0], s[k], s[k + 1], color, gouraud);
    }
}

void FaceBuilder::EmitOutline(std::span<const ScreenVertex> s) {
    const std::vector<ClipVertex>& poly = m_scratch.polygon;
    std::int64_t area = 0;
    for (std::size_t k = 1; k + 1 < s.size(); ++k) {
        area += SignedArea(s[0], s[k], s[k + 1]);
    }
    if (area <= 0) {
        return;  // facing away or flat on the screen
    }
    constexpr float kToPixels = 1.0F / static_cast<float>(kSubScale);
    const auto px = [&](std::size_t i) { return static_cast<float>(s[i].fx) * kToPixels; };
    const auto py = [&](std::size_t i) { return static_cast<float>(s[i].fy) * kToPixels; };
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t j = i + 1 == s.size() ? 0 : i + 1;
        LineSetup line;
        bool ok = false;
        if (m_setup.fill == FillMode::Wireframe) {
            if ((poly[i].edgeFlags & kEdgeOriginal) == 0) {
                continue;  // an edge the clipper made, not one of the face's
            }
            ok = SetupLine(px(i), py(i), s[i].depth, px(j), py(j), s[j].depth, m_frame.view.scissor,
                           m_face->color, line);
        } else {
            if ((poly[i].edgeFlags & kVertexOriginal) == 0) {
                continue;
            }
            ok = SetupLine(px(i), py(i), s[i].depth, px(i), py(i), s[i].depth, m_frame.view.scissor,
                           m_face->color, line);
        }
        if (!ok) {
            continue;
        }
        m_chunk.AddLine(line, PackTiles(LineBounds(line, m_frame.view.scissor)));
    }
}

void FaceBuilder::Build(std::uint32_t faceIndex) {
    m_face = &m_mesh.faces[faceIndex];
    m_count = m_face->cornerCount;
    if (m_count < 3) {
        return;  // a point or a segment has no area
    }
    if (m_setup.fill == FillMode::Solid && (m_face->prism != 0   ? PrismFaceDrawsNothing()
                                            : m_face->plain != 0 ? PlainFaceDrawsNothing()
                                                                 : false)) {
        m_chunk.trianglesIn += m_count - 2;
        return;
    }
    const std::span<const Corner> corners = m_mesh.CornersOf(*m_face, m_scratch.corners);
    if (corners.size() != m_count) {
        return;
    }
    m_corners = corners.data();
    m_chunk.trianglesIn += m_count - 2;
    std::uint32_t all = 0;
    std::uint32_t any = 0;
    if (!ProjectCorners(all, any)) {
        return;
    }
    const ProjectedVertex* v = m_scratch.projected.data();
    if ((any & kNonFinite) != 0 || (all & kRejectMask) != 0) {
        return;
    }
    const std::uint32_t clipBits = any & kClipMask;
    if (clipBits == 0 && m_count == 3 && m_setup.fill == FillMode::Solid && !m_setup.gouraud) {
        // The common case, kept free of the scratch vectors.
        ScreenVertex s[3];
        for (int i = 0; i < 3; ++i) {
            s[i] = {v[i].Fx(), v[i].fy, v[i].depth, 0, 0, 0};
        }
        if (SignedArea(s[0], s[1], s[2]) <= 0) {
            return;
        }
        const D3DCOLOR color =
            m_setup.lit
                ? ShadeColor(m_face->color, LightIntensity(FaceNormalWorld(), m_frame.view.ambient,
                                                           m_frame.view.lights))
                : m_face->color;
        PushTriangle(s[0], s[1], s[2], color, false);
        return;
    }
    const bool needPolygon = clipBits != 0 || m_setup.fill != FillMode::Solid;
    if (!needPolygon) {
        // An unclipped solid face: its corners straight from the projection, on the stack
        // when the face is small, as nearly all are.
        ScreenVertex small[kSmallFaceCorners];
        std::span<ScreenVertex> screen;
        if (m_count <= kSmallFaceCorners) {
            screen = std::span<ScreenVertex>(small, m_count);
        } else {
            m_scratch.screen.resize(m_count);
            screen = m_scratch.screen;
        }
        for (std::uint32_t i = 0; i < m_count; ++i) {
            screen[i] = {v[i].Fx(), v[i].fy, v[i].depth, 0, 0, 0};
        }
        EmitSolid(screen, false);
        if ((m_face->flags & kFaceStroke) != 0 && m_count == 4) {
            EmitStrokeLine();
        }
        return;
    }
    std::vector<ClipVertex>& poly = m_scratch.polygon;
    poly.resize(m_count);
    for (std::uint32_t i = 0; i < m_count; ++i) {
        const CameraPoint c = CameraCorner(i);
        poly[i] = {c.x, c.y, c.z, 0, 0, 0, kEdgeOriginal | kVertexOriginal};
    }
    if (m_setup.fill == FillMode::Solid && m_setup.gouraud && m_setup.lit) {
        SetCornerColors(poly);
    }
    if (clipBits != 0) {
        ClipAndProject(clipBits);
    } else {
        std::vector<ScreenVertex>& screen = m_scratch.screen;
        screen.resize(m_count);
        for (std::uint32_t i = 0; i < m_count; ++i) {
            screen[i] = {v[i].Fx(), v[i].fy, v[i].depth, poly[i].r, poly[i].g, poly[i].b};
        }
    }
    if (m_setup.fill == FillMode::Solid) {
        EmitSolid(m_scratch.screen, true);
        if ((m_face->flags & kFaceStroke) != 0 && m_count == 4) {
            EmitStrokeLine();
        }
    } else {
        EmitOutline(m_scratch.screen);
    }
}

}  // namespace rm::raster
