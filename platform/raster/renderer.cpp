// The renderer runs each frame in three parallel passes over fixed work items: vertex
// blocks, face chunks (cull, clip, shade, set up, bin) and screen tiles (rasterize the
// chunks' bins in chunk order). Only the tile pass touches the buffers, one thread per
// tile, so no locks are needed and the result is the same for any number of threads.
#include "platform/raster/renderer.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/raster/frame_buffer.h"
#include "platform/raster/geometry_stage.h"
#include "platform/raster/pick_pass.h"
#include "platform/raster/sample_tile.h"
#include "platform/raster/tile_raster.h"
#include "platform/raster/worker_pool.h"

namespace rm {

namespace {

using raster::Affine;
using raster::PixelRect;

constexpr std::uint32_t kVertexBlock = 4096;
// Fewer faces per chunk spread small scenes over both cores; more keep the per-chunk bin
// tables small for big ones. Depends only on the scene, never on the thread count.
constexpr std::uint32_t kMinChunkFaces = 128;
constexpr std::uint32_t kMaxChunkFaces = 4096;
constexpr std::uint32_t kTargetChunks = 64;
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

PixelRect Intersect(const ViewportRect& rect, int width, int height) {
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

bool Cancelled(const RenderJob& job) {
    return job.cancel != nullptr && job.cancel->load(std::memory_order_relaxed);
}

int ClampDimension(int v) {
    return std::clamp(v, 1, raster::kMaxDimension);
}

}  // namespace

struct Renderer::Impl {
    Impl(int width, int height, unsigned threads)
        : frame(ClampDimension(width), ClampDimension(height)), pool(threads) {
        scratch.reserve(pool.Size());
        samples.reserve(pool.Size());
        for (unsigned i = 0; i < pool.Size(); ++i) {
            scratch.emplace_back(static_cast<std::size_t>(frame.TileCount()));
            samples.emplace_back();
        }
        tileFragments.resize(static_cast<std::size_t>(frame.TileCount()));
        pendingTiles.reserve(static_cast<std::size_t>(frame.TileCount()));
    }

    bool SetUpView(const RenderJob& job, raster::FrameGeometry& geo) const;
    void SetUpMeshes(const RenderJob& job);
    // Every vertex of the set-up meshes through the view, in parallel, into `vertices`;
    // `geo.vertices` then refers to them.
    void ProjectVertices(raster::FrameGeometry& geo);
    void RasterTile(int tile, std::uint32_t chunkCount, const PixelRect& scissor, unsigned worker,
                    const RenderJob& job);
    template <class Draw>
    std::uint64_t DrawBins(int tile, std::uint32_t chunkCount, const RenderJob& job,
                           Draw&& draw) const;

    raster::FrameBuffer frame;
    raster::WorkerPool pool;
    std::vector<raster::GeometryScratch> scratch;
    std::vector<raster::SampleTile> samples;  // one per worker
    std::vector<raster::MeshSetup> meshes;
    // Written in full by the vertex pass before anything reads it, so never zero-filled:
    // on a big model that would touch every page twice.
    std::unique_ptr<raster::ProjectedVertex[]> vertices;
    std::size_t vertexCapacity = 0;
    std::vector<raster::Chunk> chunks;
    std::vector<std::uint64_t> tileFragments;
    std::vector<int> pendingTiles;
    std::uint32_t totalVertices = 0;
    std::uint32_t totalFaces = 0;
    RenderStats stats;
    bool countFragments = false;
    bool antialias = false;
};

bool Renderer::Impl::SetUpView(const RenderJob& job, raster::FrameGeometry& geo) const {
    raster::ViewSetup& v = geo.view;
    v.scissor = Intersect(job.rect, frame.Width(), frame.Height());
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

void Renderer::Impl::ProjectVertices(raster::FrameGeometry& geo) {
    if (vertexCapacity < totalVertices) {
        vertices.reset();
        vertices = std::make_unique_for_overwrite<raster::ProjectedVertex[]>(totalVertices);
        vertexCapacity = totalVertices;
    }
    const std::uint32_t vertexBlocks = (totalVertices + kVertexBlock - 1) / kVertexBlock;
    pool.ParallelFor(vertexBlocks, [&](std::uint32_t block, unsigned) {
        const std::uint32_t begin = block * kVertexBlock;
        const std::uint32_t end = std::min(totalVertices, begin + kVertexBlock);
        raster::TransformVertices(geo, begin, end, vertices.get() + begin);
    });
    geo.vertices = std::span<const raster::ProjectedVertex>(vertices.get(), totalVertices);
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
        s.firstVertex = static_cast<std::uint32_t>(vertexCount);
        s.firstFace = static_cast<std::uint32_t>(faceCount);
        vertexCount += mesh.positions.size();
        faceCount += mesh.faces.size();
        meshes.push_back(s);
    }
    totalVertices = static_cast<std::uint32_t>(vertexCount);
    totalFaces = static_cast<std::uint32_t>(faceCount);
}

template <class Draw>
std::uint64_t Renderer::Impl::DrawBins(int tile, std::uint32_t chunkCount, const RenderJob& job,
                                       Draw&& draw) const {
    const auto t = static_cast<std::size_t>(tile);
    std::uint64_t passed = 0;
    for (std::uint32_t c = 0; c < chunkCount && !Cancelled(job); ++c) {
        const raster::Chunk& chunk = chunks[c];
        const std::uint32_t end = chunk.tileStart[t + 1];
        for (std::uint32_t e = chunk.tileStart[t]; e < end; ++e) {
            const std::uint32_t ref = chunk.entries[e];
            // Triangle records of a big scene live outside the cache; fetch ahead.
            if (e + 4 < end && (chunk.entries[e + 4] & raster::kLineRef) == 0) {
                _mm_prefetch(reinterpret_cast<const char*>(&chunk.triangles[chunk.entries[e + 4]]),
                             _MM_HINT_T0);
            }
            if ((ref & raster::kLineRef) != 0) {
                passed += draw(chunk.lines[ref & ~raster::kLineRef]);
            } else {
                const raster::TriangleSetup& tri = chunk.triangles[ref];
                const raster::ColorPlanes* planes =
                    (tri.flags & raster::kPrimGouraud) != 0 ? &chunk.shades[tri.shade] : nullptr;
                passed += draw(tri, planes);
            }
        }
    }
    return passed;
}

void Renderer::Impl::RasterTile(int tile, std::uint32_t chunkCount, const PixelRect& scissor,
                                unsigned worker, const RenderJob& job) {
    const auto t = static_cast<std::size_t>(tile);
    tileFragments[t] = 0;
    bool any = false;
    for (std::uint32_t c = 0; c < chunkCount && !any; ++c) {
        any = chunks[c].tileStart[t] != chunks[c].tileStart[t + 1];
    }
    if (!any) {
        // Nothing to draw here: settle the tile's recorded colour clear now, inside this
        // parallel pass, rather than in a pass of its own when the picture is read.
        frame.ResolveColor(tile);
        return;
    }
    if (!antialias) {
        frame.Materialize(tile);
        const raster::TileTarget target = frame.Target(tile, scissor);
        struct Direct {
            const raster::TileTarget& target;
            std::uint64_t operator()(const raster::LineSetup& line) const {
                return raster::DrawLine(target, line);
            }
            std::uint64_t operator()(const raster::TriangleSetup& tri,
                                     const raster::ColorPlanes* planes) const {
                return raster::DrawTriangle(target, tri, planes);
            }
        };
        tileFragments[t] = DrawBins(tile, chunkCount, job, Direct{target});
        return;
    }
    // Samples: start the worker's tile block from the recorded clear or from the buffer,
    // draw, and resolve into the buffer.
    raster::SampleTile& block = samples[worker];
    const raster::TileTarget buffer = frame.Target(tile, scissor);
    D3DCOLOR clearColor = 0;
    if (frame.ClearPending(tile, clearColor)) {
        block.Clear(buffer.tile, clearColor);
    } else {
        frame.Materialize(tile);
        block.Load(buffer.tile, buffer);
    }
    struct Sampled {
        raster::SampleTile& block;
        const PixelRect& rect;
        std::uint64_t operator()(const raster::LineSetup& line) const {
            return block.DrawLine(rect, line);
        }
        std::uint64_t operator()(const raster::TriangleSetup& tri,
                                 const raster::ColorPlanes* planes) const {
            return block.DrawTriangle(rect, tri, planes);
        }
    };
    tileFragments[t] = DrawBins(tile, chunkCount, job, Sampled{block, buffer.rect});
    block.Resolve(buffer);
    frame.MarkWritten(tile);
}

Renderer::Renderer(int width, int height, unsigned threads)
    : m_impl(std::make_unique<Impl>(width, height, threads)) {}
Renderer::~Renderer() = default;
int Renderer::Width() const {
    return m_impl->frame.Width();
}
int Renderer::Height() const {
    return m_impl->frame.Height();
}
unsigned Renderer::ThreadCount() const {
    return m_impl->pool.Size();
}

void Renderer::Clear(const ViewportRect& rect, D3DCOLOR background) {
    Impl& im = *m_impl;
    im.frame.Clear(Intersect(rect, im.frame.Width(), im.frame.Height()), background);
}

void Renderer::Render(const RenderJob& job) {
    Impl& im = *m_impl;
    im.stats = {};
    raster::FrameGeometry geo;
    if (!im.SetUpView(job, geo)) {
        return;
    }
    im.SetUpMeshes(job);
    if (im.totalFaces == 0) {
        return;
    }
    geo.meshes = im.meshes;

    im.ProjectVertices(geo);
    if (Cancelled(job)) {
        return;
    }

    const std::uint32_t chunkFaces =
        std::clamp(im.totalFaces / kTargetChunks, kMinChunkFaces, kMaxChunkFaces);
    const std::uint32_t chunkCount = (im.totalFaces + chunkFaces - 1) / chunkFaces;
    if (im.chunks.size() < chunkCount) {
        im.chunks.resize(chunkCount);
    }
    im.pool.ParallelFor(chunkCount, [&](std::uint32_t c, unsigned worker) {
        if (Cancelled(job)) {
            return;
        }
        const std::uint32_t begin = c * chunkFaces;
        const std::uint32_t end = std::min(im.totalFaces, begin + chunkFaces);
        raster::BuildChunk(geo, begin, end, im.chunks[c], im.scratch[worker]);
    });

    if (Cancelled(job)) {
        return;
    }
    const PixelRect scissor = geo.view.scissor;
    const int tx0 = scissor.x0 / raster::kTileSize;
    const int ty0 = scissor.y0 / raster::kTileSize;
    const int spanX = scissor.x1 / raster::kTileSize - tx0 + 1;
    const int spanY = scissor.y1 / raster::kTileSize - ty0 + 1;
    im.pool.ParallelFor(
        static_cast<std::uint32_t>(spanX * spanY), [&](std::uint32_t i, unsigned worker) {
            if (Cancelled(job)) {
                return;
            }
            const int tile = (ty0 + static_cast<int>(i) / spanX) * im.frame.TilesX() + tx0 +
                             static_cast<int>(i) % spanX;
            im.RasterTile(tile, chunkCount, scissor, worker, job);
        });

    for (std::uint32_t c = 0; c < chunkCount; ++c) {
        im.stats.trianglesIn += im.chunks[c].trianglesIn;
        im.stats.trianglesDrawn += im.chunks[c].trianglesDrawn;
    }
    if (im.countFragments) {
        for (int i = 0; i < spanX * spanY; ++i) {
            const int tile = (ty0 + i / spanX) * im.frame.TilesX() + tx0 + i % spanX;
            im.stats.fragmentsPassed += im.tileFragments[static_cast<std::size_t>(tile)];
        }
    }
}

bool Renderer::Pick(const RenderJob& job, int x, int y, PickResult& out) {
    Impl& im = *m_impl;
    raster::FrameGeometry geo;
    if (!im.SetUpView(job, geo)) {
        return false;
    }
    const PixelRect& s = geo.view.scissor;
    if (x < s.x0 || x > s.x1 || y < s.y0 || y > s.y1) {
        return false;
    }
    im.SetUpMeshes(job);
    if (im.totalFaces == 0) {
        return false;
    }
    geo.meshes = im.meshes;
    im.ProjectVertices(geo);

    // Each part finds its own winner; the nearest wins, and of equals the earliest, which
    // is what the depth test leaves when the parts are drawn in order.
    const std::uint32_t parts = std::min<std::uint32_t>(im.pool.Size() * 4, im.totalFaces);
    const std::uint32_t perPart = (im.totalFaces + parts - 1) / parts;
    std::vector<raster::PickCandidate> found(parts);
    std::vector<raster::Chunk> work(im.pool.Size());
    im.pool.ParallelFor(parts, [&](std::uint32_t part, unsigned worker) {
        const std::uint32_t begin = part * perPart;
        const std::uint32_t end = std::min(im.totalFaces, begin + perPart);
        raster::PickFaces(geo, begin, end, x, y, work[worker], im.scratch[worker], found[part]);
    });
    const raster::PickCandidate* best = nullptr;
    for (const raster::PickCandidate& c : found) {
        if (c.found && (best == nullptr || c.depth < best->depth)) {
            best = &c;
        }
    }
    if (best == nullptr) {
        return false;
    }
    for (auto it = im.meshes.rbegin(); it != im.meshes.rend(); ++it) {
        if (best->face >= it->firstFace) {
            out = {it->mesh, best->face - it->firstFace};
            return true;
        }
    }
    return false;
}

PictureView Renderer::Picture() {
    Impl& im = *m_impl;
    im.pendingTiles.clear();
    for (int t = 0; t < im.frame.TileCount(); ++t) {
        if (im.frame.ColorPending(t)) {
            im.pendingTiles.push_back(t);
        }
    }
    im.pool.ParallelFor(
        static_cast<std::uint32_t>(im.pendingTiles.size()),
        [&](std::uint32_t i, unsigned) { im.frame.ResolveColor(im.pendingTiles[i]); });
    return {im.frame.Width(), im.frame.Height(), im.frame.Pixels()};
}

void Renderer::SetAntialias(bool on) {
    m_impl->antialias = on;
}
bool Renderer::Antialias() const {
    return m_impl->antialias;
}

void Renderer::SetCountFragments(bool on) {
    m_impl->countFragments = on;
}
const RenderStats& Renderer::LastStats() const {
    return m_impl->stats;
}

std::size_t Renderer::ReservedBytes() const {
    const Impl& im = *m_impl;
    std::size_t bytes = im.frame.ReservedBytes() +
                        im.vertexCapacity * sizeof(raster::ProjectedVertex) +
                        im.meshes.capacity() * sizeof(raster::MeshSetup) +
                        im.chunks.capacity() * sizeof(raster::Chunk);
    for (const raster::Chunk& c : im.chunks) {
        bytes += c.triangles.capacity() * sizeof(raster::TriangleSetup) +
                 c.shades.capacity() * sizeof(raster::ColorPlanes) +
                 c.lines.capacity() * sizeof(raster::LineSetup) +
                 (c.refs.capacity() + c.refTiles.capacity() + c.tileStart.capacity() +
                  c.entries.capacity()) *
                     sizeof(std::uint32_t);
    }
    for (const raster::SampleTile& s : im.samples) {
        bytes += s.ReservedBytes();
    }
    for (const raster::GeometryScratch& s : im.scratch) {
        bytes += s.clipper.ReservedBytes() + s.polygon.capacity() * sizeof(raster::ClipVertex) +
                 s.screen.capacity() * sizeof(raster::ScreenVertex) +
                 s.cursor.capacity() * sizeof(std::uint32_t);
    }
    return bytes;
}

}  // namespace rm
