#pragma once
// The renderer's private state, shared by the files that carry out its passes:
// frame_setup.cpp (view, meshes), tile_pass.cpp (one screen tile) and
// renderer.cpp (the public calls).

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/raster/block_bounds.h"
#include "platform/raster/frame_buffer.h"
#include "platform/raster/geometry_stage.h"
#include "platform/raster/pixel_tile.h"
#include "platform/raster/renderer.h"
#include "platform/raster/sample_tile.h"
#include "platform/raster/worker_pool.h"

namespace rm {

namespace raster {

// The part of `rect` inside a width x height buffer; empty when they do not meet.
[[nodiscard]] PixelRect IntersectRect(const ViewportRect& rect, int width, int height);

[[nodiscard]] inline bool Cancelled(const RenderJob& job) {
    return job.cancel != nullptr && job.cancel->load(std::memory_order_relaxed);
}

[[nodiscard]] inline int ClampDimension(int v) {
    return std::clamp(v, 1, kMaxDimension);
}

}  // namespace raster

struct Renderer::Impl {
    Impl(int width, int height, unsigned threads)
        : frame(raster::ClampDimension(width), raster::ClampDimension(height)),
          pool(threads),
          pixels(pool.Size()),
          blockBounds(pool.Size()) {
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
    void RasterTile(int tile, std::uint32_t chunkCount, const raster::PixelRect& scissor,
                    unsigned worker, const RenderJob& job);
    template <class Draw>
    std::uint64_t DrawBins(int tile, std::uint32_t chunkCount, const RenderJob& job,
                           Draw&& draw) const;

    raster::FrameBuffer frame;
    raster::WorkerPool pool;
    std::vector<raster::GeometryScratch> scratch;
    std::vector<raster::SampleTile> samples;       // one per worker
    std::vector<raster::PixelTile> pixels;         // one per worker
    std::vector<raster::BlockBounds> blockBounds;  // one per worker
    std::vector<raster::MeshSetup> meshes;
    std::vector<raster::Chunk> chunks;
    std::vector<std::uint64_t> tileFragments;
    std::vector<int> pendingTiles;
    std::uint32_t totalFaces = 0;
    RenderStats stats;
    bool countFragments = false;
    bool antialias = false;
};

}  // namespace rm
