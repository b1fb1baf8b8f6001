#include "platform/raster/block_bounds.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>
#include <limits>

#include "platform/raster/edge_walk.h"

namespace rm::raster {

namespace {

// The fill's depth at a pixel is three float operations from the exact plane, so within
// 2^-22 of the sum of the terms' magnitudes; the margin is four times that.
constexpr double kMargin = 1.0 / static_cast<double>(1 << 20);
// The whole region's nearest depth is found in float: about seven roundings of 2^-24 of the
// same sum come on top of the fill's, so its margin is twice the one above.
constexpr float kNearMargin = 1.0F / static_cast<float>(1 << 19);
// Regions of at most this many pixels are drawn without tests.
constexpr int kPlainArea = 500;

}  // namespace

void BlockBounds::Start() {
    std::fill(std::begin(m_far), std::end(m_far), std::numeric_limits<float>::infinity());
}

std::uint64_t BlockBounds::DrawTriangle(const TileTarget& t, const TriangleSetup& tri,
                                        const ColorPlanes* planes) {
    const PixelRect r = RegionInTile(tri, t.rect);
    if (r.Empty()) {
        return 0;
    }
    const int bx0 = (r.x0 - t.tile.x0) >> kBlockShift;
    const int bx1 = (r.x1 - t.tile.x0) >> kBlockShift;
    const int by0 = (r.y0 - t.tile.y0) >> kBlockShift;
    const int by1 = (r.y1 - t.tile.y0) >> kBlockShift;
    const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i firstCol = _mm_set1_epi32(bx0 - 1);
    const __m128i lastCol = _mm_set1_epi32(bx1 + 1);
    const __m128i inLo =
        _mm_and_si128(_mm_cmpgt_epi32(lanes, firstCol), _mm_cmplt_epi32(lanes, lastCol));
    const __m128i lanesHi = _mm_add_epi32(lanes, _mm_set1_epi32(4));
    const __m128i inHi =
        _mm_and_si128(_mm_cmpgt_epi32(lanesHi, firstCol), _mm_cmplt_epi32(lanesHi, lastCol));
    {
        // The region's nearest depth at or behind the bound of every block it touches:
        // every pixel fails, whatever the edges, so none of their work is needed. Worked
        // out in float with a margin of its own, wider than the fill's rounding plus this
        // sum's; not a number or over 1e30 when the plane is huge or not finite, and then
        // nothing is skipped here. A bound that is not a number never compares true.
        const auto dx0 = static_cast<float>(r.x0 - tri.box.x0);
        const auto dx1 = static_cast<float>(r.x1 - tri.box.x0);
        const auto dy0 = static_cast<float>(r.y0 - tri.box.y0);
        const auto dy1 = static_cast<float>(r.y1 - tri.box.y0);
        const float nearMargin =
            kNearMargin * (std::fabs(tri.z0) + std::fabs(tri.zdx) * dx1 + std::fabs(tri.zdy) * dy1);
        if (nearMargin < 1e30F) {
            const float nearest = tri.z0 + std::min(tri.zdx * dx0, tri.zdx * dx1) +
                                  std::min(tri.zdy * dy0, tri.zdy * dy1) - nearMargin;
            const __m128 near = _mm_set1_ps(nearest);
            // The first and last block rows always (the same row for most small faces),
            // the rows between them in a loop: a loop of one or two turns whose end
            // varies from face to face is mispredicted half of the time.
            const auto shownIn = [&](int by) {
                const float* bound = &m_far[by * kBlocks];
                const __m128i lo = _mm_castps_si128(_mm_cmpge_ps(near, _mm_load_ps(bound)));
                const __m128i hi = _mm_castps_si128(_mm_cmpge_ps(near, _mm_load_ps(bound + 4)));
                return _mm_or_si128(_mm_andnot_si128(lo, inLo), _mm_andnot_si128(hi, inHi));
            };
            __m128i shown = _mm_or_si128(shownIn(by0), shownIn(by1));
            for (int by = by0 + 1; by < by1; ++by) {
                shown = _mm_or_si128(shown, shownIn(by));
            }
            if (_mm_movemask_epi8(shown) == 0) {
                return 0;
            }
        }
    }
    if ((r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1) <= kPlainArea) {
        // Too small for the tests to pay: drawn plainly over the region already known. The
        // bounds stay true, as depth only gets nearer.
        const EdgeFunction edges[3] = {tri.Edge(0), tri.Edge(1), tri.Edge(2)};
        return DrawTriangleIn(t, tri, planes, r, edges);
    }

    const double zdx = tri.zdx;
    const double zdy = tri.zdy;
    // Not a number or infinite when the plane is: then nothing is skipped for depth.
    const double margin =
        kMargin * (std::fabs(static_cast<double>(tri.z0)) + std::fabs(zdx) * (r.x1 - tri.box.x0) +
                   std::fabs(zdy) * (r.y1 - tri.box.y0));
    const bool depthTests = margin < 1e30;

    // Over the part of the region in each block column (row): the greatest value of each
    // edge function and the least depth, as a column term plus a row term. The edges are
    // taken from the region's first pixel, so a crossing edge's values fit 32 bits and a
    // block row's eight blocks are tested at once.
    EdgeFunction edges[3];
    std::int64_t first[3];
    std::int64_t colStep[3];  // per pixel, 0 for an edge left out
    std::int64_t rowStep[3];
    for (int k = 0; k < 3; ++k) {
        edges[k] = tri.Edge(k);
        const EdgeOverRegion range(edges[k], r, 0);
        if (range.hi < 0) {
            return 0;  // the whole region is outside this edge
        }
        const bool inside = range.lo >= 0;  // never clears a pixel: left out of the tests
        if (!inside && (range.lo < std::numeric_limits<std::int32_t>::min() ||
                        range.hi > std::numeric_limits<std::int32_t>::max())) {
            return raster::DrawTriangle(t, tri, planes, edges);  // no use for these tests
        }
        first[k] = inside ? 0 : range.first;
        colStep[k] = inside ? 0 : std::int64_t{edges[k].a} * kSubScale;
        rowStep[k] = inside ? 0 : std::int64_t{edges[k].b} * kSubScale;
    }
    // Column and row terms may wrap on their own; their sum, a value in the region, does
    // not, and the 32-bit sum wraps back to it. Columns outside the region are masked.
    alignas(16) std::int32_t colEdge[3][kBlocks] = {};
    std::int32_t rowEdge[3][kBlocks];
    // The least depth in float: the three roundings of this sum stay far inside the margin.
    // Without a finite margin nothing is skipped for depth.
    alignas(16) float colZ[kBlocks] = {};
    float rowZ[kBlocks];
    for (int bx = bx0; bx <= bx1; ++bx) {
        const int xa = std::max(r.x0, t.tile.x0 + bx * kBlockSize) - r.x0;
        const int xb = std::min(r.x1, t.tile.x0 + bx * kBlockSize + kBlockSize - 1) - r.x0;
        for (int k = 0; k < 3; ++k) {
            colEdge[k][bx] = static_cast<std::int32_t>(colStep[k] * (colStep[k] > 0 ? xb : xa));
        }
        const int dx = r.x0 - tri.box.x0;
        colZ[bx] = static_cast<float>(std::min(zdx * (xa + dx), zdx * (xb + dx)));
    }
    for (int by = by0; by <= by1; ++by) {
        const int ya = std::max(r.y0, t.tile.y0 + by * kBlockSize) - r.y0;
        const int yb = std::min(r.y1, t.tile.y0 + by * kBlockSize + kBlockSize - 1) - r.y0;
        for (int k = 0; k < 3; ++k) {
            rowEdge[k][by] =
                static_cast<std::int32_t>(first[k] + rowStep[k] * (rowStep[k] > 0 ? yb : ya));
        }
        const int dy = r.y0 - tri.box.y0;
        rowZ[by] =
            depthTests
                ? static_cast<float>(tri.z0 + std::min(zdy * (ya + dy), zdy * (yb + dy)) - margin)
                : -std::numeric_limits<float>::infinity();
    }
    const auto load = [](const std::int32_t* p) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
    };
    const __m128i col0Lo = load(colEdge[0]);
    const __m128i col0Hi = load(colEdge[0] + 4);
    const __m128i col1Lo = load(colEdge[1]);
    const __m128i col1Hi = load(colEdge[1] + 4);
    const __m128i col2Lo = load(colEdge[2]);
    const __m128i col2Hi = load(colEdge[2] + 4);
    const __m128 colZLo = _mm_load_ps(colZ);
    const __m128 colZHi = _mm_load_ps(colZ + 4);
    // Block rows whose blocks to draw span the same columns are drawn as one rectangle.
    std::uint64_t passed = 0;
    int bandLo = 0;
    int bandHi = -1;
    int bandFrom = by0;
    const auto drawBand = [&](int byLast) {
        if (bandHi < bandLo) {
            return;
        }
        const PixelRect rect{std::max(r.x0, t.tile.x0 + bandLo * kBlockSize),
                             std::max(r.y0, t.tile.y0 + bandFrom * kBlockSize),
                             std::min(r.x1, t.tile.x0 + bandHi * kBlockSize + kBlockSize - 1),
                             std::min(r.y1, t.tile.y0 + byLast * kBlockSize + kBlockSize - 1)};
        // The band lies inside the region, so it is its own region in the tile.
        const std::uint64_t got = DrawTriangleIn(t, tri, planes, rect, edges);
        if (got != 0) {
            passed += got;
            Refresh(t, bandLo, bandFrom, bandHi, byLast);
        }
    };
    for (int by = by0; by <= by1; ++by) {
        // A lane's sign is set when an edge misses its block; its depth test is true when
        // every pixel lies at or behind the block's bound, so all fail "nearer".
        const __m128i r0 = _mm_set1_epi32(rowEdge[0][by]);
        const __m128i r1 = _mm_set1_epi32(rowEdge[1][by]);
        const __m128i r2 = _mm_set1_epi32(rowEdge[2][by]);
        const __m128i missLo =
            _mm_or_si128(_mm_or_si128(_mm_add_epi32(col0Lo, r0), _mm_add_epi32(col1Lo, r1)),
                         _mm_add_epi32(col2Lo, r2));
        const __m128i missHi =
            _mm_or_si128(_mm_or_si128(_mm_add_epi32(col0Hi, r0), _mm_add_epi32(col1Hi, r1)),
                         _mm_add_epi32(col2Hi, r2));
        const __m128 nearRow = _mm_set1_ps(rowZ[by]);
        const float* bound = &m_far[by * kBlocks];
        const __m128i hiddenLo =
            _mm_castps_si128(_mm_cmpge_ps(_mm_add_ps(nearRow, colZLo), _mm_load_ps(bound)));
        const __m128i hiddenHi =
            _mm_castps_si128(_mm_cmpge_ps(_mm_add_ps(nearRow, colZHi), _mm_load_ps(bound + 4)));
        const __m128i drawLo =
            _mm_andnot_si128(_mm_or_si128(_mm_srai_epi32(missLo, 31), hiddenLo), inLo);
        const __m128i drawHi =
            _mm_andnot_si128(_mm_or_si128(_mm_srai_epi32(missHi, 31), hiddenHi), inHi);
        const unsigned bits =
            static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(drawLo))) |
            (static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(drawHi))) << 4U);
        const int lo = bits != 0 ? std::countr_zero(bits) : kBlocks;
        const int hi = bits != 0 ? 31 - std::countl_zero(bits) : -1;
        if (lo != bandLo || hi != bandHi) {
            drawBand(by - 1);
            bandLo = lo;
            bandHi = hi;
            bandFrom = by;
        }
    }
    drawBand(by1);
    return passed;
}

void BlockBounds::Refresh(const TileTarget& t, int bx0, int by0, int bx1, int by1) {
    for (int by = by0; by <= by1; ++by) {
        const int y = t.tile.y0 + by * kBlockSize;
        if (y + kBlockSize - 1 > t.tile.y1) {
            break;  // cut by the buffer's bottom: stays unknown
        }
        for (int bx = bx0; bx <= bx1; ++bx) {
            const int x = t.tile.x0 + bx * kBlockSize;
            if (x + kBlockSize - 1 > t.tile.x1) {
                break;
            }
            const float* d = t.depth + static_cast<std::ptrdiff_t>(y - t.originY) * t.depthStride +
                             (x - t.originX);
            __m128 m = _mm_max_ps(_mm_loadu_ps(d), _mm_loadu_ps(d + 4));
            for (int row = 1; row < kBlockSize; ++row) {
                d += t.depthStride;
                m = _mm_max_ps(m, _mm_max_ps(_mm_loadu_ps(d), _mm_loadu_ps(d + 4)));
            }
            m = _mm_max_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(1, 0, 3, 2)));
            m = _mm_max_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(2, 3, 0, 1)));
            // A pixel holding no number never passes, whether or not the maximum keeps it.
            m_far[by * kBlocks + bx] = _mm_cvtss_f32(m);
        }
    }
}

}  // namespace rm::raster
