#include "platform/raster/tile_raster.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "platform/raster/edge_walk.h"
#include "platform/raster/tile_raster_wide.h"

namespace rm::raster {

namespace {

// Walks the region in groups of four pixels. The loop has no data-dependent branches:
// small triangles make coverage and depth results unpredictable, and a blend that keeps
// the old value costs less than a mispredicted skip. Rows of kGroups groups (1 to 4) are
// walked straight through with no loop of their own: for small triangles the branch that
// ends a row of varying length costs more than the groups it would save.
template <bool kEdges, bool kGouraud, bool kMaskX, int kGroups>
std::uint64_t FillRows(const TileTarget& t, const TriangleSetup& tri, const ColorPlanes* cp,
                       const PixelRect& r, int startX, const EdgeState& edges) {
    const GroupWalk walk(tri, r, startX);
    const __m128i four = _mm_set1_epi32(4);
    const __m128 fourF = _mm_set1_ps(4.0F);
    const int groups = kGroups > 0 ? kGroups : ((r.x1 - startX) >> 2) + 1;
    // Only a group at the right end of the buffer may stick out of the row.
    const bool inRow = kGroups > 0 || startX + 4 * groups <= t.originX + t.width;
    __m128i rowE0 = edges.value[0];
    __m128i rowE1 = edges.value[1];
    __m128i rowE2 = edges.value[2];
    // Passed lanes per column of the group; a tile's 4096 pixels fit in 32 bits.
    __m128i counts = _mm_setzero_si128();
    for (int y = r.y0; y <= r.y1; ++y) {
        const float dy = static_cast<float>(y - tri.box.y0);
        const __m128 zRow = _mm_set1_ps(tri.z0 + tri.zdy * dy);
        const RowShade shade = kGouraud ? RowShade(*cp, dy) : RowShade(ColorPlanes{}, 0.0F);
        __m128i e0 = rowE0;
        __m128i e1 = rowE1;
        __m128i e2 = rowE2;
        __m128i xs = walk.xStart;
        __m128 dxv = walk.dxStart;
        const std::ptrdiff_t at = startX - t.originX;
        D3DCOLOR* colorRow = t.color + static_cast<std::ptrdiff_t>(y - t.originY) * t.width + at;
        float* depthRow = t.depth + static_cast<std::ptrdiff_t>(y - t.originY) * t.depthStride + at;
#pragma GCC unroll 4
        for (int g = 0; g < groups; ++g) {
            __m128i mask = _mm_set1_epi32(-1);
            if constexpr (kMaskX) {
                mask = walk.InColumns(xs);
            }
            if constexpr (kEdges) {
                const __m128i sign = _mm_srai_epi32(_mm_or_si128(_mm_or_si128(e0, e1), e2), 31);
                mask = _mm_andnot_si128(sign, mask);
                e0 = _mm_add_epi32(e0, edges.groupStep[0]);
                e1 = _mm_add_epi32(e1, edges.groupStep[1]);
                e2 = _mm_add_epi32(e2, edges.groupStep[2]);
            }
            const __m128 z = _mm_add_ps(zRow, _mm_mul_ps(walk.zdx, dxv));
            float* depth = depthRow + 4 * g;
            const __m128 old = _mm_loadu_ps(depth);
            const __m128i pass = _mm_and_si128(mask, _mm_castps_si128(_mm_cmplt_ps(z, old)));
            counts = _mm_sub_epi32(counts, pass);  // a passing lane is -1
            _mm_storeu_ps(
                depth, _mm_castsi128_ps(Select(pass, _mm_castps_si128(z), _mm_castps_si128(old))));
            __m128i color = walk.flat;
            if constexpr (kGouraud) {
                color = ShadeGroup(shade, *cp, dxv);
            }
            D3DCOLOR* dst = colorRow + 4 * g;
            if (inRow || g + 1 < groups) {
                __m128i* c = reinterpret_cast<__m128i*>(dst);
                _mm_storeu_si128(c, Select(pass, color, _mm_loadu_si128(c)));
            } else {
                // The buffer's last group sticks out of the row: write lane by lane.
                const int bits = _mm_movemask_ps(_mm_castsi128_ps(pass));
                alignas(16) std::uint32_t lanes[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(lanes), color);
                for (int i = 0; i < 4; ++i) {
                    if ((bits >> i) & 1) {
                        dst[i] = lanes[i];
                    }
                }
            }
            xs = _mm_add_epi32(xs, four);
            dxv = _mm_add_ps(dxv, fourF);
        }
        if constexpr (kEdges) {
            rowE0 = _mm_add_epi32(rowE0, edges.rowStep[0]);
            rowE1 = _mm_add_epi32(rowE1, edges.rowStep[1]);
            rowE2 = _mm_add_epi32(rowE2, edges.rowStep[2]);
        }
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
    return std::uint64_t{lanes[0]} + lanes[1] + lanes[2] + lanes[3];
}

// Picks the row walk for the region's width in groups.
template <bool kEdges, bool kGouraud, bool kMaskX>
std::uint64_t FillRegion(const TileTarget& t, const TriangleSetup& tri, const ColorPlanes* cp,
                         const PixelRect& r, int startX, const EdgeState& edges) {
    // Fixed widths only where every group lies inside the buffer's rows.
    const int groups = ((r.x1 - startX) >> 2) + 1;
    if (startX + 4 * groups <= t.originX + t.width) {
        switch (groups) {
            case 1:
                return FillRows<kEdges, kGouraud, kMaskX, 1>(t, tri, cp, r, startX, edges);
            case 2:
                return FillRows<kEdges, kGouraud, kMaskX, 2>(t, tri, cp, r, startX, edges);
            case 3:
                return FillRows<kEdges, kGouraud, kMaskX, 3>(t, tri, cp, r, startX, edges);
            case 4:
                return FillRows<kEdges, kGouraud, kMaskX, 4>(t, tri, cp, r, startX, edges);
            default:
                break;
        }
    }
    return FillRows<kEdges, kGouraud, kMaskX, 0>(t, tri, cp, r, startX, edges);
}

}  // namespace

std::uint64_t DrawTriangle(const TileTarget& t, const TriangleSetup& tri,
                           const ColorPlanes* planes) {
    const EdgeFunction edges[3] = {tri.Edge(0), tri.Edge(1), tri.Edge(2)};
    return DrawTriangle(t, tri, planes, edges);
}

std::uint64_t DrawTriangle(const TileTarget& t, const TriangleSetup& tri, const ColorPlanes* planes,
                           const EdgeFunction (&triEdges)[3]) {
    const PixelRect r = RegionInTile(tri, t.rect);
    if (r.Empty()) {
        return 0;
    }
    return DrawTriangleIn(t, tri, planes, r, triEdges);
}

std::uint64_t DrawTriangleIn(const TileTarget& t, const TriangleSetup& tri,
                             const ColorPlanes* planes, const PixelRect& r,
                             const EdgeFunction (&triEdges)[3]) {
    if (WideFillFits(t)) {
        return DrawTriangleWide(t, tri, planes, r, triEdges);
    }
    // Groups of four start on a multiple of 4 inside the tile, so they never reach into a
    // tile that another thread may be drawing.
    const int startX = t.tile.x0 + ((r.x0 - t.tile.x0) & ~3);
    EdgeState edges;  // every member is set below; zeroing it shows in profiles
    bool anyEdge = false;
    bool allEdges = true;
    for (int k = 0; k < 3; ++k) {
        const EdgeFunction& edge = triEdges[k];
        const std::int64_t a = edge.a;
        const std::int64_t b = edge.b;
        const EdgeOverRegion range(edge, r, 0);
        const std::int64_t e00 = range.first;
        if (range.hi < 0) {
            return 0;  // the whole region is outside this edge
        }
        if (range.lo >= 0) {
            allEdges = false;
            edges.value[k] = _mm_setzero_si128();  // inside everywhere: never clears a lane
            edges.rowStep[k] = _mm_setzero_si128();
            edges.groupStep[k] = _mm_setzero_si128();
            continue;
        }
        // The edge crosses the region, so every value inside the tile is within 2^31.
        anyEdge = true;
        const std::int64_t step = a * kSubScale;
        const std::int64_t start = e00 + step * (startX - r.x0);
        const std::int32_t s = static_cast<std::int32_t>(step);
        edges.value[k] = _mm_add_epi32(_mm_set1_epi32(static_cast<std::int32_t>(start)),
                                       _mm_setr_epi32(0, s, 2 * s, 3 * s));
        edges.rowStep[k] = _mm_set1_epi32(static_cast<std::int32_t>(b * kSubScale));
        edges.groupStep[k] = _mm_set1_epi32(4 * s);
    }
    const bool gouraud = (tri.Flags() & kPrimGouraud) != 0 && planes != nullptr;
    if (!anyEdge) {
        return gouraud ? FillRegion<false, true, true>(t, tri, planes, r, startX, edges)
                       : FillRegion<false, false, true>(t, tri, planes, r, startX, edges);
    }
    // Columns outside the triangle's own bounds fail one of its edges, as long as all three
    // are tested; only a cut by the tile or the scissor, or a dropped edge, needs the
    // column test.
    const bool maskX =
        !allEdges || (tri.Flags() & kPrimCutX) != 0 || r.x0 != tri.box.x0 || r.x1 != tri.box.x1;
    if (maskX) {
        return gouraud ? FillRegion<true, true, true>(t, tri, planes, r, startX, edges)
                       : FillRegion<true, false, true>(t, tri, planes, r, startX, edges);
    }
    return gouraud ? FillRegion<true, true, false>(t, tri, planes, r, startX, edges)
                   : FillRegion<true, false, false>(t, tri, planes, r, startX, edges);
}

std::uint64_t DrawLine(const TileTarget& t, const LineSetup& line) {
    const int majorLo = std::max(line.first, line.xMajor ? t.rect.x0 : t.rect.y0);
    const int majorHi = std::min(line.last, line.xMajor ? t.rect.x1 : t.rect.y1);
    const int minorLo = line.xMajor ? t.rect.y0 : t.rect.x0;
    const int minorHi = line.xMajor ? t.rect.y1 : t.rect.x1;
    std::uint64_t passed = 0;
    for (int m = majorLo; m <= majorHi; ++m) {
        const float along = static_cast<float>(m) + 0.5F - line.majorStart;
        const float minor =
            std::clamp(line.minorStart + along * line.minorStep, line.minorLo, line.minorHi);
        const int n = static_cast<int>(std::floor(minor));
        if (n < minorLo || n > minorHi) {
            continue;
        }
        // Depth stays between the end points' even for the half pixels past them.
        const float depth =
            line.depthStart + std::clamp(along, 0.0F, line.majorLength) * line.depthStep;
        const int x = line.xMajor ? m : n;
        const int y = line.xMajor ? n : m;
        const int ox = x - t.originX;
        const int oy = y - t.originY;
        float& d = t.depth[static_cast<std::ptrdiff_t>(oy) * t.depthStride + ox];
        if (depth < d) {
            d = depth;
            t.color[static_cast<std::ptrdiff_t>(oy) * t.width + ox] = line.color;
            ++passed;
        }
    }
    return passed;
}

}  // namespace rm::raster
