#include "platform/raster/sample_tile.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/raster/edge_walk.h"
#include "platform/raster/primitive_setup.h"

namespace rm::raster {

namespace {

constexpr int kPlane = kTileSize * kTileSize;

}  // namespace

SampleTile::SampleTile()
    : m_color(static_cast<std::size_t>(kSamples) * kPlane, 0U),
      m_depth(static_cast<std::size_t>(kSamples) * kPlane, kFarDepth),
      m_far(kPlane, kFarDepth) {}

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
    m_untouched = true;
    m_kept = false;
    m_first.fill(kGroups);
    m_last.fill(-1);
}

void SampleTile::ClearGroups(int row, int from, int to) {
    // Groups start on 16-byte boundaries of the cache-aligned planes.
    const __m128i color = _mm_set1_epi32(static_cast<int>(m_clearColor));
    const __m128 far = _mm_set1_ps(kFarDepth);
    const std::size_t start = static_cast<std::size_t>(row) * kTileSize;
    for (int g = from; g <= to; ++g) {
        _mm_store_ps(m_far.data() + start + 4 * g, far);
    }
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
    m_untouched = false;
    m_kept = false;
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
        // Every sample holds its pixel's depth. Columns past a narrow tile's edge keep no
        // bound (never drawn, but read with their group).
        float* far = m_far.data() + static_cast<std::size_t>(y - tile.y0) * kTileSize;
        std::copy_n(depth, w, far);
        std::fill(far + w, far + kTileSize, std::numeric_limits<float>::infinity());
    }
}

void SampleTile::Resolve(const TileTarget& buffer) {
    if (m_kept) {
        Expand();
    }
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
    if (m_untouched || m_kept) {
        const Whole whole = TakeWhole(r, tri, planes);
        if (whole == Whole::kTaken) {
            // Every pixel's first sample passed.
            return static_cast<std::uint64_t>(r.x1 - r.x0 + 1) *
                   static_cast<std::uint64_t>(r.y1 - r.y0 + 1);
        }
        if (whole == Whole::kMissed) {
            return 0;  // a face kept whole stays so
        }
    }
    if (m_kept) {
        Expand();
    }
    m_untouched = false;
    Prepare(r);
    return DrawTriangleSamples(Plane(0, rect), kPlane, tri, planes, m_far.data());
}

std::uint64_t SampleTile::DrawLine(const PixelRect& rect, const LineSetup& line) {
    const PixelRect r = LineBounds(line, rect);
    if (r.Empty()) {
        return 0;
    }
    if (m_kept) {
        Expand();
    }
    m_untouched = false;
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

namespace {

// Bounds of a triangle's sample depth planes over a tile, in double, and how large the
// terms that the float evaluation rounds can be.
struct DepthRange {
    DepthRange(const TriangleSetup& tri, const PixelRect& tile) {
        const double dx[2] = {static_cast<double>(tile.x0 - tri.box.x0),
                              static_cast<double>(tile.x1 - tri.box.x0)};
        const double dy[2] = {static_cast<double>(tile.y0 - tri.box.y0),
                              static_cast<double>(tile.y1 - tri.box.y0)};
        for (int k = 0; k < kSamples; ++k) {
            const double z0 = SampleDepthStart(tri, k);
            for (const double x : dx) {
                for (const double y : dy) {
                    const double z = z0 + tri.zdy * y + tri.zdx * x;
                    lo = std::min(lo, z);
                    hi = std::max(hi, z);
                    scale = std::max(
                        scale, std::fabs(z0) + std::fabs(tri.zdy * y) + std::fabs(tri.zdx * x));
                }
            }
        }
    }
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    double scale = 0.0;
};

}  // namespace

SampleTile::Whole SampleTile::TakeWhole(const PixelRect& r, const TriangleSetup& tri,
                                        const ColorPlanes* planes) {
    bool inside = true;
    for (int e = 0; e < 3; ++e) {
        const EdgeOverRegion range = EdgeOverSamples(tri.Edge(e), r);
        if (range.hi < 0) {
            return Whole::kMissed;  // the fill would find no sample inside this edge
        }
        inside = inside && range.lo >= 0;
    }
    if (!inside || r.x0 != m_tile.x0 || r.y0 != m_tile.y0 || r.x1 != m_tile.x1 ||
        r.y1 != m_tile.y1 || ((tri.flags & kPrimGouraud) != 0 && planes != nullptr)) {
        return Whole::kDraw;
    }
    // The float planes differ from the exact ones by a few units in the last place of the
    // terms summed; a margin far above that makes "nearer everywhere" certain.
    constexpr double kMargin = 1.0e-5;
    constexpr double kFinite = 1.0e30;
    const DepthRange next(tri, m_tile);
    if (!(next.lo > -kFinite && next.hi < kFinite)) {
        return Whole::kDraw;
    }
    if (m_kept) {
        const DepthRange kept(m_whole, m_tile);
        if (!(next.hi + kMargin * (next.scale + kept.scale) < kept.lo)) {
            return Whole::kDraw;
        }
    }
    m_whole = tri;
    m_kept = true;
    m_untouched = false;
    return Whole::kTaken;
}

void SampleTile::Expand() {
    m_kept = false;
    // No bound yet: the first triangle drawn into a group finds it.
    const __m128 unknown = _mm_set1_ps(std::numeric_limits<float>::infinity());
    for (std::size_t i = 0; i < m_far.size(); i += 4) {
        _mm_store_ps(m_far.data() + i, unknown);
    }
    const TriangleSetup& tri = m_whole;
    const __m128i color = _mm_set1_epi32(static_cast<int>(tri.color));
    const __m128 zdx = _mm_set1_ps(tri.zdx);
    float z0[kSamples];
    for (int k = 0; k < kSamples; ++k) {
        z0[k] = SampleDepthStart(tri, k);
    }
    const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3);
    for (int row = 0; row <= m_tile.y1 - m_tile.y0; ++row) {
        m_first[static_cast<std::size_t>(row)] = 0;
        m_last[static_cast<std::size_t>(row)] = kGroups - 1;
        const float dy = static_cast<float>(m_tile.y0 + row - tri.box.y0);
        for (int k = 0; k < kSamples; ++k) {
            // The same operations as the four-sample fill: row start, then column steps.
            const __m128 zRow = _mm_set1_ps(z0[k] + tri.zdy * dy);
            const std::size_t at =
                static_cast<std::size_t>(k) * kPlane + static_cast<std::size_t>(row) * kTileSize;
            D3DCOLOR* c = m_color.data() + at;
            float* d = m_depth.data() + at;
            __m128 dxv =
                _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(m_tile.x0 - tri.box.x0), lanes));
            for (int g = 0; g < kGroups; ++g) {
                _mm_store_si128(reinterpret_cast<__m128i*>(c + 4 * g), color);
                _mm_store_ps(d + 4 * g, _mm_add_ps(zRow, _mm_mul_ps(zdx, dxv)));
                dxv = _mm_add_ps(dxv, _mm_set1_ps(4.0F));
            }
        }
    }
}

std::size_t SampleTile::ReservedBytes() const {
    return m_color.capacity() * sizeof(D3DCOLOR) +
           (m_depth.capacity() + m_far.capacity()) * sizeof(float);
}

}  // namespace rm::raster
