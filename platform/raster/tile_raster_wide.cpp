#include "platform/raster/tile_raster_wide.h"

#include <immintrin.h>

#include "platform/raster/edge_walk.h"

// Only the functions marked so use the wider instructions; the rest of the program, and
// this file's callers, run on any x86-64 processor.
#define TARNO_WIDE __attribute__((target("avx2")))

namespace rm::raster {

namespace {

struct WideEdges {
    __m256i value[3];  // the eight lanes at the current group
    __m256i rowStep[3];
    __m256i groupStep[3];
};

// One colour channel of eight pixels `dxv` columns along a row from its start `start`.
TARNO_WIDE inline __m256i Channel(__m256 start, float step, __m256 dxv) {
    const __m256 v = _mm256_add_ps(start, _mm256_mul_ps(_mm256_set1_ps(step), dxv));
    return _mm256_cvtps_epi32(
        _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0F)));
}

// The group-of-four walk of tile_raster.cpp eight lanes at a time, operation for operation:
// the same depth plane products and sums, the same edge values (modulo 2^32, which is
// all the sign test sees) and the same colour conversions. No FMA: contracting the depth
// sum would change its rounding.
template <bool kEdges, bool kGouraud, bool kMaskX, int kGroups>
TARNO_WIDE std::uint64_t FillRowsWide(const TileTarget& t, const TriangleSetup& tri,
                                      const ColorPlanes* cp, const PixelRect& r, int startX,
                                      const WideEdges& edges) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i xStart = _mm256_add_epi32(_mm256_set1_epi32(startX), lanes);
    const __m256 dxStart =
        _mm256_cvtepi32_ps(_mm256_sub_epi32(xStart, _mm256_set1_epi32(tri.box.x0)));
    const __m256i loX = _mm256_set1_epi32(r.x0 - 1);
    const __m256i hiX = _mm256_set1_epi32(r.x1 + 1);
    const __m256i flat = _mm256_set1_epi32(static_cast<int>(tri.color));
    const __m256 zdx = _mm256_set1_ps(tri.zdx);
    const __m256i eight = _mm256_set1_epi32(8);
    const __m256 eightF = _mm256_set1_ps(8.0F);
    const int groups = kGroups > 0 ? kGroups : ((r.x1 - startX) >> 3) + 1;
    __m256i rowE0 = edges.value[0];
    __m256i rowE1 = edges.value[1];
    __m256i rowE2 = edges.value[2];
    __m256i counts = _mm256_setzero_si256();
    for (int y = r.y0; y <= r.y1; ++y) {
        const float dy = static_cast<float>(y - tri.box.y0);
        const __m256 zRow = _mm256_set1_ps(tri.z0 + tri.zdy * dy);
        __m256 shadeR = _mm256_setzero_ps();
        __m256 shadeG = _mm256_setzero_ps();
        __m256 shadeB = _mm256_setzero_ps();
        if constexpr (kGouraud) {
            shadeR = _mm256_set1_ps(cp->r0 + cp->rdy * dy);
            shadeG = _mm256_set1_ps(cp->g0 + cp->gdy * dy);
            shadeB = _mm256_set1_ps(cp->b0 + cp->bdy * dy);
        }
        __m256i e0 = rowE0;
        __m256i e1 = rowE1;
        __m256i e2 = rowE2;
        __m256i xs = xStart;
        __m256 dxv = dxStart;
        const std::ptrdiff_t at =
            static_cast<std::ptrdiff_t>(y - t.originY) * kTileSize + (startX - t.originX);
        D3DCOLOR* colorRow = t.color + at;
        float* depthRow = t.depth + at;
#pragma GCC unroll 4
        for (int g = 0; g < groups; ++g) {
            __m256i mask = _mm256_set1_epi32(-1);
            if constexpr (kMaskX) {
                mask = _mm256_and_si256(_mm256_cmpgt_epi32(xs, loX), _mm256_cmpgt_epi32(hiX, xs));
            }
            if constexpr (kEdges) {
                const __m256i sign =
                    _mm256_srai_epi32(_mm256_or_si256(_mm256_or_si256(e0, e1), e2), 31);
                mask = _mm256_andnot_si256(sign, mask);
                e0 = _mm256_add_epi32(e0, edges.groupStep[0]);
                e1 = _mm256_add_epi32(e1, edges.groupStep[1]);
                e2 = _mm256_add_epi32(e2, edges.groupStep[2]);
            }
            const __m256 z = _mm256_add_ps(zRow, _mm256_mul_ps(zdx, dxv));
            float* depth = depthRow + 8 * g;
            const __m256 old = _mm256_loadu_ps(depth);
            const __m256i pass =
                _mm256_and_si256(mask, _mm256_castps_si256(_mm256_cmp_ps(z, old, _CMP_LT_OS)));
            counts = _mm256_sub_epi32(counts, pass);  // a passing lane is -1
            _mm256_storeu_ps(depth, _mm256_blendv_ps(old, z, _mm256_castsi256_ps(pass)));
            __m256i color = flat;
            if constexpr (kGouraud) {
                const __m256i cr = Channel(shadeR, cp->rdx, dxv);
                const __m256i cg = Channel(shadeG, cp->gdx, dxv);
                const __m256i cb = Channel(shadeB, cp->bdx, dxv);
                const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000U));
                color = _mm256_or_si256(_mm256_or_si256(alpha, _mm256_slli_epi32(cr, 16)),
                                        _mm256_or_si256(_mm256_slli_epi32(cg, 8), cb));
            }
            __m256i* dst = reinterpret_cast<__m256i*>(colorRow + 8 * g);
            _mm256_storeu_si256(dst, _mm256_blendv_epi8(_mm256_loadu_si256(dst), color, pass));
            xs = _mm256_add_epi32(xs, eight);
            dxv = _mm256_add_ps(dxv, eightF);
        }
        if constexpr (kEdges) {
            rowE0 = _mm256_add_epi32(rowE0, edges.rowStep[0]);
            rowE1 = _mm256_add_epi32(rowE1, edges.rowStep[1]);
            rowE2 = _mm256_add_epi32(rowE2, edges.rowStep[2]);
        }
    }
    alignas(32) std::uint32_t sums[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums), counts);
    std::uint64_t total = 0;
    for (const std::uint32_t s : sums) {
        total += s;
    }
    return total;
}

// Picks the row walk for the region's width in groups; a group never leaves the block row.
template <bool kEdges, bool kGouraud, bool kMaskX>
TARNO_WIDE std::uint64_t FillRegionWide(const TileTarget& t, const TriangleSetup& tri,
                                        const ColorPlanes* cp, const PixelRect& r, int startX,
                                        const WideEdges& edges) {
    switch (((r.x1 - startX) >> 3) + 1) {
        case 1:
            return FillRowsWide<kEdges, kGouraud, kMaskX, 1>(t, tri, cp, r, startX, edges);
        case 2:
            return FillRowsWide<kEdges, kGouraud, kMaskX, 2>(t, tri, cp, r, startX, edges);
        case 3:
            return FillRowsWide<kEdges, kGouraud, kMaskX, 3>(t, tri, cp, r, startX, edges);
        case 4:
            return FillRowsWide<kEdges, kGouraud, kMaskX, 4>(t, tri, cp, r, startX, edges);
        default:
            return FillRowsWide<kEdges, kGouraud, kMaskX, 0>(t, tri, cp, r, startX, edges);
    }
}

TARNO_WIDE std::uint64_t DrawWide(const TileTarget& t, const TriangleSetup& tri,
                                  const ColorPlanes* planes, const PixelRect& r,
                                  const EdgeFunction (&triEdges)[3]) {
    // Groups start on a multiple of 8 from the tile's first column; the block's rows are a
    // tile long, so the last group ends inside the row.
    const int startX = t.tile.x0 + ((r.x0 - t.tile.x0) & ~7);
    WideEdges edges;
    bool anyEdge = false;
    bool allEdges = true;
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int k = 0; k < 3; ++k) {
        const EdgeFunction& edge = triEdges[k];
        const EdgeOverRegion range(edge, r, 0);
        if (range.hi < 0) {
            return 0;  // the whole region is outside this edge
        }
        // An edge inside everywhere gets zero steps and values, so it never clears a lane;
        // chosen without a branch, since which edges those are varies from face to face.
        const bool crosses = range.lo < 0;
        anyEdge |= crosses;
        allEdges &= crosses;
        const std::int64_t step = crosses ? std::int64_t{edge.a} * kSubScale : 0;
        const std::int64_t start = crosses ? range.first + step * (startX - r.x0) : 0;
        const auto s = static_cast<std::int32_t>(step);
        edges.value[k] = _mm256_add_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(start)),
                                          _mm256_mullo_epi32(_mm256_set1_epi32(s), lanes));
        edges.rowStep[k] = _mm256_set1_epi32(
            crosses ? static_cast<std::int32_t>(std::int64_t{edge.b} * kSubScale) : 0);
        edges.groupStep[k] = _mm256_set1_epi32(static_cast<std::int32_t>(8 * step));
    }
    const bool gouraud = (tri.Flags() & kPrimGouraud) != 0 && planes != nullptr;
    if (!anyEdge) {
        return gouraud ? FillRegionWide<false, true, true>(t, tri, planes, r, startX, edges)
                       : FillRegionWide<false, false, true>(t, tri, planes, r, startX, edges);
    }
    // As in the groups of four: columns outside the triangle's own bounds fail one of its
    // edges when all three are tested.
    const bool maskX =
        !allEdges || (tri.Flags() & kPrimCutX) != 0 || r.x0 != tri.box.x0 || r.x1 != tri.box.x1;
    if (maskX) {
        return gouraud ? FillRegionWide<true, true, true>(t, tri, planes, r, startX, edges)
                       : FillRegionWide<true, false, true>(t, tri, planes, r, startX, edges);
    }
    return gouraud ? FillRegionWide<true, true, false>(t, tri, planes, r, startX, edges)
                   : FillRegionWide<true, false, false>(t, tri, planes, r, startX, edges);
}

}  // namespace

bool WideFillSupported() {
    static const bool supported = __builtin_cpu_supports("avx2") != 0;
    return supported;
}

std::uint64_t DrawTriangleWide(const TileTarget& target, const TriangleSetup& tri,
                               const ColorPlanes* planes, const PixelRect& region,
                               const EdgeFunction (&edges)[3]) {
    return DrawWide(target, tri, planes, region, edges);
}

}  // namespace rm::raster
