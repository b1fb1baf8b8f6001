#pragma once
// One face of a mesh on its way to the bins: corners gathered and checked, the face
// culled or clipped, shaded flat or per corner, split into a fan of triangles, or into
// its edges or corners for wireframe and points, and appended to the chunk.

#include <cstdint>
#include <span>

#include "platform/raster/camera_point.h"
#include "platform/raster/geometry_stage.h"

namespace rm::raster {

// The tile bounds of a pixel rectangle, 8 bits each, as the bins store them.
[[nodiscard]] inline std::uint32_t PackTiles(const PixelRect& box) {
    const auto t = [](int v) { return static_cast<std::uint32_t>(v >> kTileShift) & 0xFFU; };
    return t(box.x0) | (t(box.y0) << 8) | (t(box.x1) << 16) | (t(box.y1) << 24);
}

// Faces of up to this many corners that need no clipping keep their screen corners on the
// stack.
inline constexpr std::uint32_t kSmallFaceCorners = 8;

class FaceBuilder {
public:
    FaceBuilder(const FrameGeometry& frame, const MeshSetup& mesh, Chunk& chunk,
                GeometryScratch& scratch)
        : m_frame(frame), m_setup(mesh), m_mesh(*mesh.mesh), m_chunk(chunk), m_scratch(scratch) {}

    void Build(std::uint32_t faceIndex);

private:
    // The face's corners, projected, into the scratch's `projected`: from the window where
    // it holds them, else four at a time, with the AND and the OR of their outcodes. False
    // when a position index is out of range.
    bool ProjectCorners(std::uint32_t& all, std::uint32_t& any);
    void ClipAndProject(std::uint32_t clipBits);
    Vec3 FaceNormalWorld() const;
    // Corner `corner` of the face in camera space (its position index is checked).
    CameraPoint CameraCorner(std::uint32_t corner) const;
    ColorRGB CornerIntensity(std::uint32_t corner, const Vec3& faceNormal) const;
    void SetCornerColors(std::span<ClipVertex> out) const;
    // `s`: the face's corners on screen, in order; `clipped` says their colours are set.
    void EmitSolid(std::span<ScreenVertex> s, bool clipped);
    void EmitOutline(std::span<const ScreenVertex> s);
    // The centre line of a thin stroke's side (stroke_line.cpp).
    void EmitStrokeLine();
    // True for a face that would draw nothing as Build draws it, found from its corners'
    // projections alone (quick_cull.cpp): it is outside the view, or inside it with every
    // triangle facing away and no centre line. False leaves the face to Build.
    bool PlainFaceDrawsNothing();
    bool PrismFaceDrawsNothing();
    void PushTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                      D3DCOLOR color, bool gouraud);

    const FrameGeometry& m_frame;
    const MeshSetup& m_setup;
    const MeshData& m_mesh;
    Chunk& m_chunk;
    GeometryScratch& m_scratch;
    const FaceRecord* m_face = nullptr;
    const Corner* m_corners = nullptr;
    std::uint32_t m_count = 0;
};

}  // namespace rm::raster
