// The renderer runs each frame in two parallel passes over fixed work items: face chunks
// (project, cull, clip, shade, set up, bin) and screen tiles (rasterize the chunks' bins in
// chunk order). Only the tile pass touches the buffers, one thread per
// tile, so no locks are needed and the result is the same for any number of threads.
#include "platform/raster/renderer.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/raster/pick_pass.h"
#include "platform/raster/renderer_impl.h"

namespace rm {

namespace {

using raster::Cancelled;
using raster::PixelRect;

// Fewer faces per chunk spread small scenes over both cores; more keep the per-chunk bin
// tables small for big ones. Every tile visits every chunk's bin, and a big scene's bins
// then hold a few entries each, so a handful of chunks per core is enough. Depends only
// on the scene, never on the thread count.
constexpr std::uint32_t kMinChunkFaces = 128;
constexpr std::uint32_t kMaxChunkFaces = 4096;
constexpr std::uint32_t kTargetChunks = 16;

// Room each worker's store takes before a frame is built, so that a big model's first
// frame does not copy its records as they grow (a copy of a large block holds both at
// once): two triangles a face, as most faces are quads, a line for every fourth solid face
// (strokes are a part of a model) and every corner of a wireframe or points mesh, an entry
// each, and room for twice a worker's even share of them (the whole frame with two
// workers). Room never written costs address space only. After a frame each store gets
// room for every record the frame made, whatever it was given here.
raster::StoreCounts FirstRoom(const std::vector<raster::MeshSetup>& meshes, unsigned workers) {
    std::size_t triangles = 0;
    std::size_t shades = 0;
    std::size_t lines = 0;
    for (const raster::MeshSetup& m : meshes) {
        if (m.fill == raster::FillMode::Solid) {
            triangles += 2 * m.mesh->faces.size();
            shades += m.gouraud && m.lit ? 2 * m.mesh->faces.size() : 0;
            lines += m.mesh->faces.size() / 4;  // thin strokes' lines, one a face at most
        } else {
            lines += m.mesh->CornerTotal();
        }
    }
    const std::size_t share = std::max(1U, workers / 2);
    const auto part = [share](std::size_t n) { return (n + share - 1) / share; };
    // The lines' two 4-byte marks start at an eighth of that: a worker's whole room for
    // them would be megabytes of the heap's huge pages for the few lines most models make.
    constexpr std::size_t kMarksShare = 8;
    return {part(triangles), part(shades), part(lines), part(triangles + lines),
            std::max<std::size_t>(1, part(lines) / kMarksShare)};
}

}  // namespace

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
    im.frame.Clear(raster::IntersectRect(rect, im.frame.Width(), im.frame.Height()), background);
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

    const std::uint32_t chunkFaces =
        std::clamp(im.totalFaces / kTargetChunks, kMinChunkFaces, kMaxChunkFaces);
    const std::uint32_t chunkCount = (im.totalFaces + chunkFaces - 1) / chunkFaces;
    if (im.chunks.size() < chunkCount) {
        im.chunks.resize(chunkCount);
    }
    const raster::StoreCounts room = FirstRoom(im.meshes, im.pool.Size());
    for (raster::GeometryScratch& s : im.scratch) {
        s.store.Reset(room);
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
    raster::StoreCounts used;
    for (std::uint32_t c = 0; c < chunkCount; ++c) {
        raster::Chunk& chunk = im.chunks[c];
        chunk.Seal();  // the stores have stopped growing
        const raster::StoreCounts n = chunk.Counts();
        used.triangles += n.triangles;
        used.shades += n.shades;
        used.lines += n.lines;
        used.entries += n.entries;
    }
    for (const raster::GeometryScratch& s : im.scratch) {
        s.store.ReleaseTails();
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
    // Every store gets room for the whole frame, so that the same frame again allocates
    // nothing whichever worker builds which chunk. The records are not needed any more.
    for (raster::Chunk& chunk : im.chunks) {
        chunk.Forget();
    }
    for (raster::GeometryScratch& s : im.scratch) {
        s.store.Reset(used);
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
                        im.meshes.capacity() * sizeof(raster::MeshSetup) +
                        im.chunks.capacity() * sizeof(raster::Chunk);
    for (const raster::Chunk& c : im.chunks) {
        bytes += c.tileStart.capacity() * sizeof(std::uint32_t);
    }
    for (const raster::SampleTile& s : im.samples) {
        bytes += s.ReservedBytes();
    }
    for (const raster::PixelTile& p : im.pixels) {
        bytes += p.ReservedBytes();
    }
    for (const raster::GeometryScratch& s : im.scratch) {
        bytes += s.clipper.ReservedBytes() + s.polygon.capacity() * sizeof(raster::ClipVertex) +
                 s.screen.capacity() * sizeof(raster::ScreenVertex) +
                 (s.projected.capacity() + s.window.capacity()) * sizeof(raster::ProjectedVertex) +
                 s.cursor.capacity() * sizeof(std::uint32_t) + s.store.ReservedBytes();
    }
    return bytes;
}

}  // namespace rm
