#include "platform/raster/sample_tile.h"

#include <emmintrin.h>

#include <algorithm>

#include "platform/raster/edge_walk.h"
#include "platform/raster/primitive_setup.h"

namespace rm::raster {

namespace {

constexpr int kPlane = kTileSize * kTileSize;

}  // namespace

SampleTile::SampleTile()
    : m_color(static_cast<std::size_t>(kSamples) * kPlane, 0U),
      m_depth(static_cast<std::size_t>(kSamples) * kPlane, kFarDepth) {}

TileTarget SampleTile::Plane(int sample, const PixelRect& rect) {
    TileTarget t;
    t.color = m_color.data() + static_cast<std::size_t>(sample) * kPlane;
    t.depth = m_depth.data() + static_cast<std::size_t>(sample) * kPlane;
    t.width = kTileSize;
    t.depthStride = kTileSize;
    t.originX = m_tile.x0;
    t.originY = m_tile.y0;
    t.rect = rect;
    t.tile = m_tile;
    return t;
}

void SampleTile::Clear(const PixelRect& tile, D3DCOLOR color) {
    m_tile = tile;
    m_clearColor = color;
    m_first.fill(kGroups);
    m_last.fill(-1);
}

void SampleTile::ClearGroups(int row, int from, int to) {
    // Groups start on 16-byte boundaries of the cache-aligned planes.
    const __m128i color = _mm_set1_epi32(static_cast<int>(m_clearColor));
    const __m128 far = _mm_set1_ps(kFarDepth);
    const std::size_t start = static_cast<std::size_t>(row) * kTileSize;
    for (int k = 0; k < kSamples; ++k) {
        D3DCOLOR* c = m_color.data() + static_cast<std::size_t>(k) * kPlane + start;
        float* d = m_depth.data() + static_cast<std::size_t>(k) * kPlane + start;
        for (int g = from; g <= to; ++g) {
            _mm_store_si128(reinterpret_cast<__m128i*>(c + 4 * g), color);
            _mm_store_ps(d + 4 * g, far);
        }
    }
}

void SampleTile::Prepare(const PixelRect& r) {
    const int from = (r.x0 - m_tile.x0) >> 2;
    const int to = (r.x1 - m_tile.x0) >> 2;
    for (int row = r.y0 - m_tile.y0; row <= r.y1 - m_tile.y0; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const int first = m_first[i];
        const int last = m_last[i];
        if (first <= from && to <= last) {
            continue;
        }
        if (last < first) {
            ClearGroups(row, from, to);
            m_first[i] = static_cast<std::int8_t>(from);
            m_last[i] = static_cast<std::int8_t>(to);
            continue;
        }
        // One run of valid groups a row: a gap between the old run and the new is filled too.
        if (from < first) {
            ClearGroups(row, from, first - 1);
            m_first[i] = static_cast<std::int8_t>(from);
        }
        if (to > last) {
            ClearGroups(row, last + 1, to);
            m_last[i] = static_cast<std::int8_t>(to);
        }
    }
}

void SampleTile::Load(const PixelRect& tile, const TileTarget& buffer) {
    m_tile = tile;
    m_first.fill(0);
    m_last.fill(kGroups - 1);
    const int w = tile.x1 - tile.x0 + 1;
    for (int y = tile.y0; y <= tile.y1; ++y) {
        const D3DCOLOR* color =
            buffer.color + static_cast<std::ptrdiff_t>(y) * buffer.width + tile.x0;
        const float* depth =
            buffer.depth + static_cast<std::ptrdiff_t>(y) * buffer.depthStride + tile.x0;
        for (int k = 0; k < kSamples; ++k) {
            const std::size_t row = static_cast<std::size_t>(k) * kPlane +
                                    static_cast<std::size_t>(y - tile.y0) * kTileSize;
            std::copy_n(color, w, m_color.data() + row);
            std::copy_n(depth, w, m_depth.data() + row);
        }
    }
}

void SampleTile::Resolve(const TileTarget& buffer) const {
    const int w = m_tile.x1 - m_tile.x0 + 1;
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    const D3DCOLOR* p0 = m_color.data();
    const D3DCOLOR* p1 = p0 + kPlane;
    const D3DCOLOR* p2 = p1 + kPlane;
    const D3DCOLOR* p3 = p2 + kPlane;
    const float* d0 = m_depth.data();
    const float* d1 = d0 + kPlane;
    const float* d2 = d1 + kPlane;
    const float* d3 = d2 + kPlane;
    for (int y = 0; y <= m_tile.y1 - m_tile.y0; ++y) {
        D3DCOLOR* color =
            buffer.color + static_cast<std::ptrdiff_t>(m_tile.y0 + y) * buffer.width + m_tile.x0;
        float* depth = buffer.depth +
                       static_cast<std::ptrdiff_t>(m_tile.y0 + y) * buffer.depthStride + m_tile.x0;
        const int row = y * kTileSize;
        // Groups no drawing reached still hold the clear: write it without reading them.
        const int first = m_first[static_cast<std::size_t>(y)];
        const int last = m_last[static_cast<std::size_t>(y)];
        const int from = last < first ? w : first * 4;
        const int to = last < first ? w : std::min(w, (last + 1) * 4);
        std::fill_n(color, from, m_clearColor);
        std::fill_n(depth, from, kFarDepth);
        std::fill(color + to, color + w, m_clearColor);
        std::fill(depth + to, depth + w, kFarDepth);
        int x = from;
        for (; x + 4 <= to; x += 4) {
            const int i = row + x;
            const auto load = [&](const D3DCOLOR* p) {
                return _mm_load_si128(reinterpret_cast<const __m128i*>(p + i));
            };
            const __m128i a = load(p0);
            const __m128i b = load(p1);
            const __m128i c = load(p2);
            const __m128i d = load(p3);
            // Per channel (a + b + c + d + 2) / 4, in 16 bits.
            const __m128i lo = _mm_add_epi16(
                _mm_add_epi16(
                    _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)),
                    _mm_add_epi16(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(d, zero))),
                two);
            const __m128i hi = _mm_add_epi16(
                _mm_add_epi16(
                    _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)),
                    _mm_add_epi16(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(d, zero))),
                two);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(color + x),
                             _mm_packus_epi16(_mm_srli_epi16(lo, 2), _mm_srli_epi16(hi, 2)));
            const __m128 near = _mm_min_ps(_mm_min_ps(_mm_load_ps(d0 + i), _mm_load_ps(d1 + i)),
                                           _mm_min_ps(_mm_load_ps(d2 + i), _mm_load_ps(d3 + i)));
            _mm_storeu_ps(depth + x, near);
        }
        for (; x < to; ++x) {
            const int i = row + x;
            D3DCOLOR out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const std::uint32_t sum = ((p0[i] >> shift) & 0xFFU) + ((p1[i] >> shift) & 0xFFU) +
                                          ((p2[i] >> shift) & 0xFFU) + ((p3[i] >> shift) & 0xFFU);
                out |= ((sum + 2) >> 2) << shift;
            }
            color[x] = out;
            depth[x] = std::min(std::min(d0[i], d1[i]), std::min(d2[i], d3[i]));
        }
    }
}

std::uint64_t SampleTile::DrawTriangle(const PixelRect& rect, const TriangleSetup& tri,
                                       const ColorPlanes* planes) {
    const PixelRect r = RegionInTile(tri, rect);
    if (r.Empty()) {
        return 0;
    }
    Prepare(r);
    return DrawTriangleSamples(Plane(0, rect), kPlane, tri, planes);
}

std::uint64_t SampleTile::DrawLine(const PixelRect& rect, const LineSetup& line) {
    const PixelRect r = LineBounds(line, rect);
    if (r.Empty()) {
        return 0;
    }
    Prepare(r);
    std::uint64_t first = 0;
    for (int k = 0; k < kSamples; ++k) {
        LineSetup l = line;
        if (line.band) {
            // A band one pixel across: the sample belongs to the pixel whose shifted floor
            // holds the line, so every column gets exactly one pixel's worth of samples.
            constexpr float kStep = 1.0F / static_cast<float>(kSubScale);
            const float off = static_cast<float>(line.xMajor ? kSampleY[k] : kSampleX[k]) * kStep;
            l.minorStart -= off;
            l.minorLo -= off;
            l.minorHi -= off;
        }
        const std::uint64_t passed = raster::DrawLine(Plane(k, rect), l);
        first = k == 0 ? passed : first;
    }
    return first;
}

std::size_t SampleTile::ReservedBytes() const {
    return m_color.capacity() * sizeof(D3DCOLOR) + m_depth.capacity() * sizeof(float);
}

}  // namespace rm::raster
