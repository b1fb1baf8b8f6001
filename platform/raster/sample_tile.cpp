#include "platform/raster/sample_tile.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "platform/raster/edge_walk.h"
#include "platform/raster/primitive_setup.h"

namespace rm::raster {

namespace {

constexpr int kPlane = kTileSize * kTileSize;
constexpr std::uint16_t kAllGroups = 0xFFFFU >> (16 - kTileSize / 4);

// Writes `n` pixels of the clear colour and the far depth. The compiler keeps plain fills
// of these element types one element a store; four a store is a quarter of the stores.
void FillClear(D3DCOLOR* color, float* depth, int n, D3DCOLOR clearColor) {
    const __m128i c = _mm_set1_epi32(static_cast<int>(clearColor));
    const __m128 far = _mm_set1_ps(kFarDepth);
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(color + x), c);
        _mm_storeu_ps(depth + x, far);
    }
    for (; x < n; ++x) {
        color[x] = clearColor;
        depth[x] = kFarDepth;
    }
}

// The resolve of pixels [x, to) of one row eight at a time, for processors with 256-bit
// integer vectors: the same per-channel sums and the same minimum per lane as the groups of
// four, so the pixels are those. `p` and `d` are the four planes' rows. Returns where it
// stopped (fewer than eight pixels left).
// Eight samples' colours; with kByDepth, the clear colour where a sample was never drawn.
template <bool kByDepth>
__attribute__((target("avx2"))) inline __m256i SampleColors(const D3DCOLOR* p, const float* d,
                                                            __m256i clear) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    if constexpr (kByDepth) {
        const __m256 drawn =
            _mm256_cmp_ps(_mm256_loadu_ps(d), _mm256_set1_ps(kFarDepth), _CMP_LT_OQ);
        return _mm256_blendv_epi8(clear, c, _mm256_castps_si256(drawn));
    }
    return c;
}

template <bool kByDepth>
__attribute__((target("avx2"))) int ResolveEight(const D3DCOLOR* const (&p)[kSamples],
                                                 const float* const (&d)[kSamples], int x, int to,
                                                 D3DCOLOR clearColor, D3DCOLOR* color,
                                                 float* depth) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i two = _mm256_set1_epi16(2);
    const __m256i clear = _mm256_set1_epi32(static_cast<int>(clearColor));
    for (; x + 8 <= to; x += 8) {
        // No lambda here: it would not take this function's instruction set.
        const __m256i a = SampleColors<kByDepth>(p[0] + x, d[0] + x, clear);
        const __m256i b = SampleColors<kByDepth>(p[1] + x, d[1] + x, clear);
        const __m256i c = SampleColors<kByDepth>(p[2] + x, d[2] + x, clear);
        const __m256i e = SampleColors<kByDepth>(p[3] + x, d[3] + x, clear);
        // Unpacking and packing both work within 128-bit halves, so the order comes back.
        const __m256i lo = _mm256_add_epi16(
            _mm256_add_epi16(
                _mm256_add_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero)),
                _mm256_add_epi16(_mm256_unpacklo_epi8(c, zero), _mm256_unpacklo_epi8(e, zero))),
            two);
        const __m256i hi = _mm256_add_epi16(
            _mm256_add_epi16(
                _mm256_add_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero)),
                _mm256_add_epi16(_mm256_unpackhi_epi8(c, zero), _mm256_unpackhi_epi8(e, zero))),
            two);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(color + x),
            _mm256_packus_epi16(_mm256_srli_epi16(lo, 2), _mm256_srli_epi16(hi, 2)));
        const __m256 near =
            _mm256_min_ps(_mm256_min_ps(_mm256_loadu_ps(d[0] + x), _mm256_loadu_ps(d[1] + x)),
                          _mm256_min_ps(_mm256_loadu_ps(d[2] + x), _mm256_loadu_ps(d[3] + x)));
        _mm256_storeu_ps(depth + x, near);
    }
    return x;
}

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
    m_valid.fill(0);
    m_fullRows = 0;
    m_allValid = false;
    m_colorByDepth = true;
}

void SampleTile::ClearGroups(int row, unsigned groups) {
    // Groups start on 16-byte boundaries of the cache-aligned planes. The colour planes are
    // left as they are: a sample at the far depth resolves to the clear colour.
    const __m128 far = _mm_set1_ps(kFarDepth);
    const std::size_t start = static_cast<std::size_t>(row) * kTileSize;
    for (; groups != 0; groups &= groups - 1) {
        const std::size_t at = start + 4 * static_cast<std::size_t>(std::countr_zero(groups));
        _mm_store_ps(m_far.data() + at, far);
        for (int k = 0; k < kSamples; ++k) {
            _mm_store_ps(m_depth.data() + static_cast<std::size_t>(k) * kPlane + at, far);
        }
    }
}

void SampleTile::Prepare(const PixelRect& r) {
    const int from = (r.x0 - m_tile.x0) >> 2;
    const int to = (r.x1 - m_tile.x0) >> 2;
    const unsigned want = ((2U << to) - 1U) & ~((1U << from) - 1U);
    const unsigned full = (2U << ((m_tile.x1 - m_tile.x0) >> 2)) - 1U;
    for (int row = r.y0 - m_tile.y0; row <= r.y1 - m_tile.y0; ++row) {
        std::uint16_t& valid = m_valid[static_cast<std::size_t>(row)];
        const unsigned missing = want & ~static_cast<unsigned>(valid);
        if (missing != 0) {
            ClearGroups(row, missing);
            valid = static_cast<std::uint16_t>(valid | want);
            m_fullRows += valid == full ? 1 : 0;
        }
    }
    m_allValid = m_fullRows == m_tile.y1 - m_tile.y0 + 1;
}

void SampleTile::Load(const PixelRect& tile, const TileTarget& buffer) {
    m_tile = tile;
    m_untouched = false;
    m_kept = false;
    m_valid.fill(kAllGroups);
    m_allValid = true;
    m_colorByDepth = false;
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
    for (int y = 0; y <= m_tile.y1 - m_tile.y0; ++y) {
        D3DCOLOR* color =
            buffer.color + static_cast<std::ptrdiff_t>(m_tile.y0 + y) * buffer.width + m_tile.x0;
        float* depth = buffer.depth +
                       static_cast<std::ptrdiff_t>(m_tile.y0 + y) * buffer.depthStride + m_tile.x0;
        // Alternate runs of groups no drawing reached (they still hold the clear: written
        // without reading them) and of valid groups.
        const unsigned valid = m_valid[static_cast<std::size_t>(y)];
        int g = 0;
        while (4 * g < w) {
            const unsigned rest = valid >> g;
            const bool drawn = (rest & 1U) != 0;
            const int run = drawn ? std::countr_one(rest) : std::countr_zero(rest);
            const int from = 4 * g;
            const int end = g + std::min(run, kGroups - g);
            const int to = std::min(w, 4 * end);
            if (drawn && m_colorByDepth) {
                ResolveRun<true>(y, from, to, color, depth);
            } else if (drawn) {
                ResolveRun<false>(y, from, to, color, depth);
            } else {
                FillClear(color + from, depth + from, to - from, m_clearColor);
            }
            g = end;
        }
    }
}

template <bool kByDepth>
void SampleTile::ResolveRun(int y, int from, int to, D3DCOLOR* color, float* depth) const {
    const std::size_t row = static_cast<std::size_t>(y) * kTileSize;
    const D3DCOLOR* const p[kSamples] = {m_color.data() + row, m_color.data() + kPlane + row,
                                         m_color.data() + 2 * kPlane + row,
                                         m_color.data() + 3 * kPlane + row};
    const float* const d[kSamples] = {m_depth.data() + row, m_depth.data() + kPlane + row,
                                      m_depth.data() + 2 * kPlane + row,
                                      m_depth.data() + 3 * kPlane + row};
    int x = from;
    if (to - from >= 8 && WideSamplesAllowed()) {
        x = ResolveEight<kByDepth>(p, d, x, to, m_clearColor, color, depth);
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    const __m128i clear = _mm_set1_epi32(static_cast<int>(m_clearColor));
    const __m128 far = _mm_set1_ps(kFarDepth);
    for (; x + 4 <= to; x += 4) {
        const auto load = [&](int k) {
            const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(p[k] + x));
            if constexpr (kByDepth) {
                return Select(_mm_castps_si128(_mm_cmplt_ps(_mm_load_ps(d[k] + x), far)), c, clear);
            }
            return c;
        };
        const __m128i a = load(0);
        const __m128i b = load(1);
        const __m128i c = load(2);
        const __m128i e = load(3);
        // Per channel (a + b + c + d + 2) / 4, in 16 bits.
        const __m128i lo = _mm_add_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)),
                          _mm_add_epi16(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(e, zero))),
            two);
        const __m128i hi = _mm_add_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)),
                          _mm_add_epi16(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(e, zero))),
            two);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(color + x),
                         _mm_packus_epi16(_mm_srli_epi16(lo, 2), _mm_srli_epi16(hi, 2)));
        const __m128 near = _mm_min_ps(_mm_min_ps(_mm_load_ps(d[0] + x), _mm_load_ps(d[1] + x)),
                                       _mm_min_ps(_mm_load_ps(d[2] + x), _mm_load_ps(d[3] + x)));
        _mm_storeu_ps(depth + x, near);
    }
    for (; x < to; ++x) {
        D3DCOLOR out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            std::uint32_t sum = 2;
            for (int k = 0; k < kSamples; ++k) {
                const D3DCOLOR c = !kByDepth || d[k][x] < kFarDepth ? p[k][x] : m_clearColor;
                sum += (c >> shift) & 0xFFU;
            }
            out |= (sum >> 2) << shift;
        }
        color[x] = out;
        depth[x] = std::min(std::min(d[0][x], d[1][x]), std::min(d[2][x], d[3][x]));
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
    if (!m_allValid) {
        Prepare(r);
    }
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
    if (!m_allValid) {
        Prepare(r);
    }
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
        r.y1 != m_tile.y1 || ((tri.Flags() & kPrimGouraud) != 0 && planes != nullptr)) {
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
        m_valid[static_cast<std::size_t>(row)] = kAllGroups;
        m_allValid = true;
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
