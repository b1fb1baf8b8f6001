#pragma once
// Small scenes for the rasterizer tests, built straight into MeshData and RenderJob so the
// renderer is tested without the scene graph.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/raster/geometry_stage.h"
#include "platform/raster/renderer.h"

namespace rm::rastertest {

inline constexpr D3DCOLOR kBackground = 0xFF102030U;
inline constexpr int kSize = 100;  // buffer side; 100 pixels per unit at distance 1

inline void AddFace(MeshData& mesh, std::initializer_list<D3DVECTOR> corners, D3DCOLOR color,
                    std::initializer_list<D3DVECTOR> normals = {}) {
    FaceRecord face;
    face.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
    face.cornerCount = static_cast<std::uint32_t>(corners.size());
    face.cornerCapacity = face.cornerCount;
    face.color = color;
    auto normal = normals.begin();
    for (const D3DVECTOR& p : corners) {
        Corner c;
        c.position = static_cast<std::uint32_t>(mesh.positions.size());
        mesh.positions.push_back(p);
        if (normal != normals.end()) {
            c.normal = static_cast<std::uint32_t>(mesh.normals.size());
            mesh.normals.push_back(*normal++);
        }
        mesh.corners.push_back(c);
    }
    mesh.faces.push_back(face);
}

// A square facing the camera: x and y from -h to h at depth z, clockwise as seen.
inline void AddSquare(MeshData& mesh, float h, float z, D3DCOLOR color) {
    AddFace(mesh, {{-h, h, z}, {h, h, z}, {h, -h, z}, {-h, -h, z}}, color);
}

// The lights the document's scene has: grey ambient 0.3 and a white directional light
// travelling from (100, 100, -100) towards the origin.
struct SceneLights {
    std::vector<DirectionalLightInfo> lights;
    ColorRGB ambient{0.3F, 0.3F, 0.3F};
    SceneLights() {
        const float k = 1.0F / std::sqrt(3.0F);
        lights.push_back({{-k, -k, k}, {1.0F, 1.0F, 1.0F}});
    }
};

inline RenderJob MakeJob(std::span<const MeshInstance> meshes, int size = kSize) {
    RenderJob job;
    job.front = 1.0F;
    job.back = 1000.0F;
    job.field = 0.5F;
    job.rect = {0, 0, size, size};
    job.ambient = {1.0F, 1.0F, 1.0F};
    job.meshes = meshes;
    return job;
}

inline MeshInstance Instance(const MeshData& mesh, D3DRMRENDERQUALITY quality = D3DRMRENDER_FLAT) {
    MeshInstance i;
    i.mesh = &mesh;
    i.quality = quality;
    return i;
}

// Clears, renders and copies the picture out.
inline std::vector<D3DCOLOR> Draw(Renderer& r, const RenderJob& job) {
    r.Clear({0, 0, r.Width(), r.Height()}, kBackground);
    r.Render(job);
    const PictureView v = r.Picture();
    return {v.pixels,
            v.pixels + static_cast<std::size_t>(v.width) * static_cast<std::size_t>(v.height)};
}

inline int CountDrawn(const std::vector<D3DCOLOR>& pixels) {
    int n = 0;
    for (const D3DCOLOR c : pixels) {
        n += c != kBackground ? 1 : 0;
    }
    return n;
}

inline D3DCOLOR At(const std::vector<D3DCOLOR>& pixels, int x, int y, int width = kSize) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
}

inline int Channel(D3DCOLOR c, int shift) {
    return static_cast<int>((c >> shift) & 0xFFU);
}

// A 640x480 view of the given meshes, for the set-up stage's tests.
inline raster::FrameGeometry Frame640(std::span<const raster::MeshSetup> meshes) {
    raster::FrameGeometry frame;
    frame.view.scissor = {0, 0, 639, 479};
    frame.view.centreX = 320.0F;
    frame.view.centreY = 240.0F;
    frame.view.scale = 480.0F;
    frame.view.back = 5000.0F;
    frame.view.bufferWidth = 640.0F;
    frame.view.bufferHeight = 480.0F;
    frame.planes = raster::MakeClipPlanes(frame.view);
    frame.meshes = meshes;
    return frame;
}

}  // namespace rm::rastertest
