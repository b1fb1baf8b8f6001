// One screen tile of a frame: the chunks' bins for the tile drawn in chunk order, straight
// into the frame buffer or, with smooth edges, into the worker's sample block and resolved.
#include <xmmintrin.h>

#include "platform/raster/block_bounds.h"
#include "platform/raster/renderer_impl.h"
#include "platform/raster/tile_raster.h"

namespace rm {

using raster::Cancelled;
using raster::PixelRect;

namespace {

// A position in a tile's bins, taken in chunk order. Most of a tile's bins hold only a few
// entries each, so a look-ahead has to run across chunk boundaries to be any use.
struct BinCursor {
    std::uint32_t chunk = 0;
    std::uint32_t entry = 0;
    std::uint32_t end = 0;

    // Moves to the first entry at or after the current one, in this chunk or a later one;
    // false once every chunk's bin is done.
    bool Settle(const std::vector<raster::Chunk>& chunks, std::uint32_t chunkCount,
                std::size_t tile) {
        while (entry == end) {
            if (++chunk >= chunkCount) {
                return false;
            }
            entry = chunks[chunk].tileStart[tile];
            end = chunks[chunk].tileStart[tile + 1];
        }
        return true;
    }
};

// How many entries ahead records are fetched: a record is one cache miss in a big scene,
// and a rejected triangle or a line that misses the tile costs less than that miss.
constexpr int kFetchAhead = 6;

}  // namespace

template <class Draw>
std::uint64_t Renderer::Impl::DrawBins(int tile, std::uint32_t chunkCount, const RenderJob& job,
                                       Draw&& draw) const {
    const auto t = static_cast<std::size_t>(tile);
    std::uint64_t passed = 0;
    if (chunkCount == 0) {
        return passed;
    }
    // Each chunk's bin lies elsewhere in memory: ask for all their starts at once.
    for (std::uint32_t c = 0; c < chunkCount; ++c) {
        const raster::Chunk& chunk = chunks[c];
        const std::uint32_t first = chunk.tileStart[t];
        if (first != chunk.tileStart[t + 1]) {
            _mm_prefetch(reinterpret_cast<const char*>(&chunk.entries[first]), _MM_HINT_T0);
        }
    }
    BinCursor at{0, chunks[0].tileStart[t], chunks[0].tileStart[t + 1]};
    BinCursor ahead = at;
    bool more = at.Settle(chunks, chunkCount, t);
    bool aheadMore = more;
    // Start the look-ahead kFetchAhead entries in front, fetching as it goes.
    const auto fetch = [&] {
        const raster::Chunk& chunk = chunks[ahead.chunk];
        const std::uint32_t ref = chunk.entries[ahead.entry];
        // A record may straddle two cache lines; the draw reads both ends.
        const auto prefetch = [](const auto& record) {
            const char* bytes = reinterpret_cast<const char*>(&record);
            _mm_prefetch(bytes, _MM_HINT_T0);
            _mm_prefetch(bytes + sizeof(record) - 1, _MM_HINT_T0);
        };
        if ((ref & raster::kLineRef) == 0) {
            prefetch(chunk.triangles[ref]);
        } else {
            prefetch(chunk.lines[ref & ~raster::kLineRef]);
        }
        ++ahead.entry;
        aheadMore = ahead.Settle(chunks, chunkCount, t);
    };
    for (int i = 0; i < kFetchAhead && aheadMore; ++i) {
        fetch();
    }
    std::uint32_t checked = ~0U;  // the chunk last checked for a cancel
    while (more) {
        if (at.chunk != checked) {
            checked = at.chunk;
            if (Cancelled(job)) {
                break;
            }
        }
        if (aheadMore) {
            fetch();
        }
        const raster::Chunk& chunk = chunks[at.chunk];
        const std::uint32_t ref = chunk.entries[at.entry];
        if ((ref & raster::kLineRef) != 0) {
            passed += draw(chunk.lines[ref & ~raster::kLineRef]);
        } else {
            const raster::TriangleSetup& tri = chunk.triangles[ref];
            const raster::ColorPlanes* planes =
                (tri.Flags() & raster::kPrimGouraud) != 0 ? &chunk.shades[tri.Shade()] : nullptr;
            passed += draw(tri, planes);
        }
        ++at.entry;
        more = at.Settle(chunks, chunkCount, t);
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
        // Drawn in the worker's pixel block, started from the recorded clear or from the
        // buffer, then written back whole.
        raster::PixelTile& block = pixels[worker];
        const raster::TileTarget buffer = frame.Target(tile, scissor);
        D3DCOLOR clearColor = 0;
        if (frame.ClearPending(tile, clearColor)) {
            block.Clear(buffer.tile, clearColor);
        } else {
            frame.Materialize(tile);
            block.Load(buffer.tile, buffer);
        }
        const raster::TileTarget target = block.Target(scissor);
        raster::BlockBounds& bounds = blockBounds[worker];
        bounds.Start();
        struct Direct {
            const raster::TileTarget& target;
            raster::BlockBounds& bounds;
            std::uint64_t operator()(const raster::LineSetup& line) const {
                return raster::DrawLine(target, line);
            }
            std::uint64_t operator()(const raster::TriangleSetup& tri,
                                     const raster::ColorPlanes* planes) const {
                return bounds.DrawTriangle(target, tri, planes);
            }
        };
        tileFragments[t] = DrawBins(tile, chunkCount, job, Direct{target, bounds});
        block.Store(buffer);
        frame.MarkWritten(tile);
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

}  // namespace rm
