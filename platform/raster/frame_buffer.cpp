#include "platform/raster/frame_buffer.h"

#include <emmintrin.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

#include "platform/core/huge_page.h"

namespace rm::raster {

namespace {

// Blocks of a huge page or more start on one and fill whole ones, so that the kernel can
// back all of them with huge pages: a first frame at 1280x720 then takes a handful of page
// faults instead of nearly two thousand, each of which costs as much as clearing the page.
constexpr std::size_t kLargePage = kHugePageBytes;

bool IsLarge(std::size_t bytes) {
    return bytes >= kLargePage;
}

std::size_t BlockBytes(std::size_t bytes) {
    return IsLarge(bytes) ? (bytes + kLargePage - 1) & ~(kLargePage - 1) : bytes;
}

std::align_val_t BlockAlignment(std::size_t bytes) {
    return std::align_val_t{IsLarge(bytes) ? kLargePage : std::size_t{64}};
}

}  // namespace

void* AllocateBlock(std::size_t bytes) {
    void* block = ::operator new(BlockBytes(bytes), BlockAlignment(bytes));
    if (IsLarge(bytes)) {
        // Only a hint: the memory works the same without large pages.
        madvise(block, BlockBytes(bytes), MADV_HUGEPAGE);
    }
    return block;
}

void FreeBlock(void* block, std::size_t bytes) {
    ::operator delete(block, BlockAlignment(bytes));
}

FrameBuffer::FrameBuffer(int width, int height)
    : m_width(width),
      m_height(height),
      m_depthStride((width + 15) & ~15),
      m_tilesX((width + kTileSize - 1) / kTileSize),
      m_tilesY((height + kTileSize - 1) / kTileSize),
      m_color(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
      m_depth(static_cast<std::size_t>(m_depthStride) * static_cast<std::size_t>(height)),
      // Black and farthest, as recorded clears: a tile's memory is first written by the
      // worker that draws it, or when the picture is read, not here on one thread.
      m_tiles(static_cast<std::size_t>(m_tilesX) * static_cast<std::size_t>(m_tilesY),
              TileState{0xFF000000U, true, true, false, 0xFF000000U}) {
    // The padding at the end of each depth row, which a tile drawn whole does not write.
    if (m_depthStride > width) {
        FillDepth({width, 0, m_depthStride - 1, height - 1});
    }
}

PixelRect FrameBuffer::TileRect(int tile) const {
    const int tx = tile % m_tilesX;
    const int ty = tile / m_tilesX;
    return {tx * kTileSize, ty * kTileSize, std::min(m_width, (tx + 1) * kTileSize) - 1,
            std::min(m_height, (ty + 1) * kTileSize) - 1};
}

void FrameBuffer::FillColor(const PixelRect& r, D3DCOLOR color) {
    for (int y = r.y0; y <= r.y1; ++y) {
        D3DCOLOR* row =
            m_color.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
        std::fill(row + r.x0, row + r.x1 + 1, color);
    }
}

void FrameBuffer::FillDepth(const PixelRect& r) {
    for (int y = r.y0; y <= r.y1; ++y) {
        float* row =
            m_depth.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_depthStride);
        std::fill(row + r.x0, row + r.x1 + 1, kFarDepth);
    }
}

void FrameBuffer::Materialize(int tile) {
    TileState& s = m_tiles[static_cast<std::size_t>(tile)];
    if (!s.colorPending && !s.depthPending) {
        return;
    }
    PixelRect r = TileRect(tile);
    if (s.colorPending) {
        FillTileColor(tile, s.clearColor);
        s.colorPending = false;
    }
    if (s.depthPending) {
        // The padding at the end of a depth row belongs to the last tile of the row.
        if (r.x1 == m_width - 1) {
            r.x1 = m_depthStride - 1;
        }
        FillDepth(r);
        s.depthPending = false;
    }
}

void FrameBuffer::FillTileColor(int tile, D3DCOLOR color) {
    TileState& s = m_tiles[static_cast<std::size_t>(tile)];
    if (s.colorSolid && s.solidColor == color) {
        return;
    }
    s.colorSolid = true;
    s.solidColor = color;
    // Nothing reads these pixels before the picture is shown, so bypass the cache: the
    // fill then costs one write of the memory instead of a read and a write.
    const PixelRect r = TileRect(tile);
    const __m128i value = _mm_set1_epi32(static_cast<int>(color));
    for (int y = r.y0; y <= r.y1; ++y) {
        D3DCOLOR* row =
            m_color.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
        int x = r.x0;
        for (; x <= r.x1 && (reinterpret_cast<std::uintptr_t>(row + x) & 15U) != 0; ++x) {
            row[x] = color;
        }
        for (; x + 3 <= r.x1; x += 4) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(row + x), value);
        }
        for (; x <= r.x1; ++x) {
            row[x] = color;
        }
    }
    _mm_sfence();
}

void FrameBuffer::ResolveColor(int tile) {
    TileState& s = m_tiles[static_cast<std::size_t>(tile)];
    if (!s.colorPending) {
        return;
    }
    s.colorPending = false;
    FillTileColor(tile, s.clearColor);
}

void FrameBuffer::Clear(const PixelRect& rect, D3DCOLOR color) {
    if (rect.Empty()) {
        return;
    }
    for (int ty = rect.y0 / kTileSize; ty <= rect.y1 / kTileSize; ++ty) {
        for (int tx = rect.x0 / kTileSize; tx <= rect.x1 / kTileSize; ++tx) {
            const int tile = ty * m_tilesX + tx;
            const PixelRect t = TileRect(tile);
            if (rect.x0 <= t.x0 && rect.y0 <= t.y0 && rect.x1 >= t.x1 && rect.y1 >= t.y1) {
                TileState& s = m_tiles[static_cast<std::size_t>(tile)];
                s.clearColor = color;
                s.colorPending = true;
                s.depthPending = true;
                continue;
            }
            // Partly covered: the rest of the tile keeps what it holds.
            Materialize(tile);
            const PixelRect part{std::max(rect.x0, t.x0), std::max(rect.y0, t.y0),
                                 std::min(rect.x1, t.x1), std::min(rect.y1, t.y1)};
            TileState& s = m_tiles[static_cast<std::size_t>(tile)];
            s.colorSolid = s.colorSolid && s.solidColor == color;
            FillColor(part, color);
            FillDepth(part);
        }
    }
}

TileTarget FrameBuffer::Target(int tile, const PixelRect& scissor) {
    m_tiles[static_cast<std::size_t>(tile)].colorSolid = false;
    const PixelRect t = TileRect(tile);
    TileTarget target;
    target.color = m_color.data();
    target.depth = m_depth.data();
    target.width = m_width;
    target.depthStride = m_depthStride;
    target.tile = t;
    target.rect = {std::max(t.x0, scissor.x0), std::max(t.y0, scissor.y0),
                   std::min(t.x1, scissor.x1), std::min(t.y1, scissor.y1)};
    return target;
}

std::size_t FrameBuffer::ReservedBytes() const {
    return m_color.capacity() * sizeof(D3DCOLOR) + m_depth.capacity() * sizeof(float) +
           m_tiles.capacity() * sizeof(TileState);
}

}  // namespace rm::raster
