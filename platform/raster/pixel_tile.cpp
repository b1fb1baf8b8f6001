#include "platform/raster/pixel_tile.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace rm::raster {

namespace {

constexpr std::size_t kPixels = std::size_t{kTileSize} * kTileSize;
static_assert(kTileSize % 16 == 0, "Clear writes a block row in vectors of four");

// `count` words from `from` to `to` with streaming stores where `to` allows 16-byte ones.
template <class T>
void StreamRow(T* to, const T* from, int count) {
    static_assert(sizeof(T) == 4);
    int x = 0;
    for (; x < count && (reinterpret_cast<std::uintptr_t>(to + x) & 15U) != 0; ++x) {
        to[x] = from[x];
    }
    for (; x + 4 <= count; x += 4) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + x),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x)));
    }
    for (; x < count; ++x) {
        to[x] = from[x];
    }
}

// The same for colour in a tile started from a clear: a pixel still at the far depth was
// never drawn (drawing needs a depth strictly nearer), so it takes the clear colour and
// the block's colour there is never read.
void StreamClearedRow(D3DCOLOR* to, const D3DCOLOR* from, const float* depth, int count,
                      D3DCOLOR clear) {
    int x = 0;
    for (; x < count && (reinterpret_cast<std::uintptr_t>(to + x) & 15U) != 0; ++x) {
        to[x] = depth[x] == kFarDepth ? clear : from[x];
    }
    const __m128 far = _mm_set1_ps(kFarDepth);
    const __m128i clearColor = _mm_set1_epi32(static_cast<int>(clear));
    for (; x + 4 <= count; x += 4) {
        const __m128i untouched = _mm_castps_si128(_mm_cmpeq_ps(_mm_loadu_ps(depth + x), far));
        const __m128i drawn = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        _mm_stream_si128(
            reinterpret_cast<__m128i*>(to + x),
            _mm_or_si128(_mm_and_si128(untouched, clearColor), _mm_andnot_si128(untouched, drawn)));
    }
    for (; x < count; ++x) {
        to[x] = depth[x] == kFarDepth ? clear : from[x];
    }
}

}  // namespace

PixelTile::PixelTile() : m_color(kPixels, 0U), m_depth(kPixels, kFarDepth) {}

void PixelTile::Clear(const PixelRect& tile, D3DCOLOR color) {
    m_tile = tile;
    m_cleared = true;
    m_clearColor = color;
    // Only depth: the colour of a pixel left far is the clear colour, settled in Store.
    // Whole block rows in aligned vectors (the block is a tile wide whatever the tile's own
    // width): a loop of one float at a time cost a few per cent of a 3840x2160 frame.
    const __m128 far = _mm_set1_ps(kFarDepth);
    float* row = m_depth.data();
    float* const end = row + static_cast<std::size_t>(tile.y1 - tile.y0 + 1) * kTileSize;
    for (; row != end; row += 16) {
        _mm_store_ps(row, far);
        _mm_store_ps(row + 4, far);
        _mm_store_ps(row + 8, far);
        _mm_store_ps(row + 12, far);
    }
}

void PixelTile::Load(const PixelRect& tile, const TileTarget& buffer) {
    m_tile = tile;
    m_cleared = false;
    const auto w = static_cast<std::size_t>(tile.x1 - tile.x0 + 1);
    for (int y = tile.y0; y <= tile.y1; ++y) {
        const std::size_t row = static_cast<std::size_t>(y - tile.y0) * kTileSize;
        std::memcpy(m_color.data() + row,
                    buffer.color + static_cast<std::ptrdiff_t>(y - buffer.originY) * buffer.width +
                        (tile.x0 - buffer.originX),
                    w * sizeof(D3DCOLOR));
        std::memcpy(m_depth.data() + row,
                    buffer.depth +
                        static_cast<std::ptrdiff_t>(y - buffer.originY) * buffer.depthStride +
                        (tile.x0 - buffer.originX),
                    w * sizeof(float));
    }
}

TileTarget PixelTile::Target(const PixelRect& scissor) {
    TileTarget t;
    t.color = m_color.data();
    t.depth = m_depth.data();
    t.width = kTileSize;
    t.depthStride = kTileSize;
    t.originX = m_tile.x0;
    t.originY = m_tile.y0;
    t.tile = m_tile;
    t.rect = {std::max(m_tile.x0, scissor.x0), std::max(m_tile.y0, scissor.y0),
              std::min(m_tile.x1, scissor.x1), std::min(m_tile.y1, scissor.y1)};
    return t;
}

void PixelTile::Store(const TileTarget& buffer) const {
    const int w = m_tile.x1 - m_tile.x0 + 1;
    for (int y = m_tile.y0; y <= m_tile.y1; ++y) {
        const std::size_t row = static_cast<std::size_t>(y - m_tile.y0) * kTileSize;
        D3DCOLOR* to = buffer.color +
                       static_cast<std::ptrdiff_t>(y - buffer.originY) * buffer.width +
                       (m_tile.x0 - buffer.originX);
        if (m_cleared) {
            StreamClearedRow(to, m_color.data() + row, m_depth.data() + row, w, m_clearColor);
        } else {
            StreamRow(to, m_color.data() + row, w);
        }
        StreamRow(buffer.depth +
                      static_cast<std::ptrdiff_t>(y - buffer.originY) * buffer.depthStride +
                      (m_tile.x0 - buffer.originX),
                  m_depth.data() + row, w);
    }
    // The streamed stores are seen by other threads only after a fence.
    _mm_sfence();
}

std::size_t PixelTile::ReservedBytes() const {
    return m_color.capacity() * sizeof(D3DCOLOR) + m_depth.capacity() * sizeof(float);
}

}  // namespace rm::raster
