// The set-up of a frame: the view from the job and the meshes with their transforms. Their
// positions are projected later, block by block with the faces that use them.
#include <algorithm>
#include <cmath>

#include "platform/raster/renderer_impl.h"

namespace rm {

namespace raster {

PixelRect IntersectRect(const ViewportRect& rect, int width, int height) {
    // In 64 bits: a rectangle near INT_MAX must not wrap around.
    const std::int64_t x0 = std::max<std::int64_t>(rect.x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(rect.y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{rect.x} + rect.width, width) - 1;
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{rect.y} + rect.height, height) - 1;
    if (rect.width <= 0 || rect.height <= 0 || x1 < x0 || y1 < y0) {
        return {};
    }
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1)};
}

}  // namespace raster

namespace {

using raster::Affine;
using raster::PixelRect;

constexpr std::uint64_t kMaxItems = 1ULL << 30;

Affine Compose(const Matrix4& a, const Matrix4& b) {
    Affine r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            float v = i == 3 ? b.m[3][j] : 0.0F;
            for (int k = 0; k < 3; ++k) {
                v += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = v;
        }
    }
    return r;
}

raster::FillMode FillOf(D3DRMRENDERQUALITY quality) {
    const std::uint32_t fill = quality & D3DRMFILL_MASK;
    if (fill >= D3DRMFILL_SOLID) {
        return raster::FillMode::Solid;
    }
    return fill == D3DRMFILL_WIREFRAME ? raster::FillMode::Wireframe : raster::FillMode::Points;
}

}  // namespace

bool Renderer::Impl::SetUpView(const RenderJob& job, raster::FrameGeometry& geo) const {
    raster::ViewSetup& v = geo.view;
    v.scissor = raster::IntersectRect(job.rect, frame.Width(), frame.Height());
    if (v.scissor.Empty()) {
        return false;
    }
    // Written so that NaN fails every test.
    if (!(job.front > 0.0F) || !(job.back > job.front) || !std::isfinite(job.back) ||
        !(job.field > 0.0F) || !std::isfinite(job.field)) {
        return false;
    }
    const double side = std::min(job.rect.width, job.rect.height);
    const double scale = side / 2.0 / static_cast<double>(job.field);
    if (!(scale <= 1e12)) {
        return false;
    }
    v.centreX = static_cast<float>(job.rect.x + job.rect.width / 2.0);
    v.centreY = static_cast<float>(job.rect.y + job.rect.height / 2.0);
    v.scale = static_cast<float>(scale);
    v.front = job.front;
    v.back = job.back;
    v.bufferWidth = static_cast<float>(frame.Width());
    v.bufferHeight = static_cast<float>(frame.Height());
    v.ambient = job.ambient;
    v.lights = job.lights;
    v.antialias = antialias;
    geo.planes = raster::MakeClipPlanes(v);
    geo.tilesX = frame.TilesX();
    geo.tilesY = frame.TilesY();
    return true;
}

void Renderer::Impl::SetUpMeshes(const RenderJob& job) {
    meshes.clear();
    std::uint64_t vertexCount = 0;
    std::uint64_t faceCount = 0;
    for (const MeshInstance& instance : job.meshes) {
        if (instance.mesh == nullptr) {
            continue;
        }
        const MeshData& mesh = *instance.mesh;
        if (vertexCount + mesh.positions.size() > kMaxItems ||
            faceCount + mesh.faces.size() > kMaxItems) {
            break;
        }
        raster::MeshSetup s;
        s.mesh = &mesh;
        s.toCamera = Compose(instance.modelToWorld, job.worldToCamera);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                s.toWorld[i][j] = instance.modelToWorld.m[i][j];
            }
        }
        s.fill = FillOf(instance.quality);
        s.gouraud = (instance.quality & D3DRMSHADE_MASK) != D3DRMSHADE_FLAT;
        s.lit = (instance.quality & D3DRMLIGHT_MASK) != D3DRMLIGHT_OFF;
        s.firstFace = static_cast<std::uint32_t>(faceCount);
        vertexCount += mesh.positions.size();
        faceCount += mesh.faces.size();
        meshes.push_back(s);
    }
    totalFaces = static_cast<std::uint32_t>(faceCount);
}

}  // namespace rm
