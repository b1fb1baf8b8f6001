#include "platform/raster/sample_tile.h"

#include <emmintrin.h>

#include <algorithm>

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
    const int w = tile.x1 - tile.x0 + 1;
    for (int k = 0; k < kSamples; ++k) {
        for (int y = 0; y <= tile.y1 - tile.y0; ++y) {
            const std::size_t row =
                static_cast<std::size_t>(k) * kPlane + static_cast<std::size_t>(y) * kTileSize;
            std::fill_n(m_color.data() + row, w, color);
            std::fill_n(m_depth.data() + row, w, kFarDepth);
        }
    }
}

void SampleTile::Load(const PixelRect& tile, const TileTarget& buffer) {
    m_tile = tile;
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
        int x = 0;
        for (; x + 4 <= w; x += 4) {
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
        for (; x < w; ++x) {
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
    return DrawTriangleSamples(Plane(0, rect), kPlane, tri, planes);
}

std::uint64_t SampleTile::DrawLine(const PixelRect& rect, const LineSetup& line) {
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
