#pragma once
// Pieces shared by the one-sample and the four-sample triangle fills: lane selection,
// bit counts, the edge functions of a region in groups of four pixels and the columns a
// row can cover. Internal to the rasterizer.

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>

#include "platform/raster/raster_types.h"

namespace rm::raster {

inline constexpr std::uint8_t kBitCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

struct EdgeState {
    __m128i value[3];  // edge functions of the four lanes at the current group
    __m128i rowStep[3];
    __m128i groupStep[3];
    // For finding each row's covered columns: the step per pixel, its inverse and how far
    // any sample of a pixel may lie above the pixel's own value (0 without samples).
    std::int32_t pixelStep[3];
    double inverseStep[3];
    std::int32_t reach[3];
};

// Regions this many columns wide or more (from the first group's start) look for each
// row's span; the inverse step is needed only then.
inline constexpr int kSpanFrom = 8;

inline void SetSpanEdge(EdgeState& edges, int k, std::int32_t pixelStep, std::int32_t reach,
                        int last) {
    edges.pixelStep[k] = pixelStep;
    edges.inverseStep[k] =
        pixelStep != 0 && last >= kSpanFrom ? 1.0 / static_cast<double>(pixelStep) : 0.0;
    edges.reach[k] = reach;
}

// The columns of one row, as offsets from startX within [0, last], outside which no pixel
// (no sample) can be inside all three edges; `row` holds the edge values of the row's first
// group. False when the row has none. Columns are found in floating point and widened by
// one either side, so the span is never too narrow: the edge tests still decide each pixel
// exactly, and a skipped group is one they would have cleared whole.
inline bool RowSpan(const EdgeState& edges, const __m128i (&row)[3], int last, int& first,
                    int& end) {
    if (last < kSpanFrom) {
        // Two groups or fewer: finding the span would cost more than it saves.
        first = 0;
        end = last;
        return true;
    }
    double lo = 0.0;
    double hi = static_cast<double>(last);
    for (int k = 0; k < 3; ++k) {
        const double v = static_cast<double>(_mm_cvtsi128_si32(row[k])) + edges.reach[k];
        if (edges.pixelStep[k] > 0) {
            lo = std::max(lo, -v * edges.inverseStep[k] - 1.0);
        } else if (edges.pixelStep[k] < 0) {
            hi = std::min(hi, -v * edges.inverseStep[k] + 1.0);
        } else if (v < 0.0) {
            return false;
        }
    }
    if (!(lo <= hi)) {
        return false;
    }
    // Both are >= 0 here, so truncation is the floor (for `first` a column early at most).
    first = static_cast<int>(lo);
    end = static_cast<int>(hi);
    return true;
}

// One edge of a triangle over a pixel region: its value at the centre of the region's first
// pixel and the least and greatest value anywhere in the region, widened by `reach` for
// samples that lie off the pixel centres.
struct EdgeOverRegion {
    EdgeOverRegion(const EdgeFunction& edge, const PixelRect& r, std::int64_t reach) {
        constexpr std::int64_t kHalf = kSubScale / 2;
        const std::int64_t a = edge.a;
        const std::int64_t b = edge.b;
        first = a * (std::int64_t{r.x0} * kSubScale + kHalf) +
                b * (std::int64_t{r.y0} * kSubScale + kHalf) + edge.c;
        const std::int64_t spanX = a * kSubScale * (r.x1 - r.x0);
        const std::int64_t spanY = b * kSubScale * (r.y1 - r.y0);
        lo = first + std::min<std::int64_t>(0, spanX) + std::min<std::int64_t>(0, spanY) - reach;
        hi = first + std::max<std::int64_t>(0, spanX) + std::max<std::int64_t>(0, spanY) + reach;
    }
    std::int64_t first;
    std::int64_t lo;
    std::int64_t hi;
};

// The same over every sample of the region's pixels: a sample's value may lie this far
// from its pixel centre's.
[[nodiscard]] inline EdgeOverRegion EdgeOverSamples(const EdgeFunction& edge, const PixelRect& r) {
    const std::int64_t a = edge.a;
    const std::int64_t b = edge.b;
    return {edge, r, ((a < 0 ? -a : a) + (b < 0 ? -b : b)) * kSampleReach};
}

// Depth of sample k at the centre of the triangle's first pixel: the start of that sample's
// depth plane, rows and columns then stepping as at the centres.
inline float SampleDepthStart(const TriangleSetup& tri, int k) {
    constexpr float kStep = 1.0F / static_cast<float>(kSubScale);
    return tri.z0 +
           (tri.zdx * static_cast<float>(kSampleX[k]) + tri.zdy * static_cast<float>(kSampleY[k])) *
               kStep;
}

// The part of the triangle's box inside the tile's rectangle.
inline PixelRect RegionInTile(const TriangleSetup& tri, const PixelRect& tileRect) {
    return {std::max<int>(tri.box.x0, tileRect.x0), std::max<int>(tri.box.y0, tileRect.y0),
            std::min<int>(tri.box.x1, tileRect.x1), std::min<int>(tri.box.y1, tileRect.y1)};
}

// What a triangle's walk in groups of four keeps in registers: the columns the region
// allows, the flat colour, the depth step and where the first group of every row starts.
struct GroupWalk {
    GroupWalk(const TriangleSetup& tri, const PixelRect& r, int startX)
        : loX(_mm_set1_epi32(r.x0 - 1)),
          hiX(_mm_set1_epi32(r.x1 + 1)),
          flat(_mm_set1_epi32(static_cast<int>(tri.color))),
          zdx(_mm_set1_ps(tri.zdx)),
          xStart(_mm_add_epi32(_mm_set1_epi32(startX), _mm_setr_epi32(0, 1, 2, 3))),
          dxStart(_mm_cvtepi32_ps(_mm_sub_epi32(xStart, _mm_set1_epi32(tri.box.x0)))) {}

    // Lanes inside the region's columns.
    [[nodiscard]] __m128i InColumns(__m128i xs) const {
        return _mm_and_si128(_mm_cmpgt_epi32(xs, loX), _mm_cmplt_epi32(xs, hiX));
    }

    __m128i loX;
    __m128i hiX;
    __m128i flat;
    __m128 zdx;
    __m128i xStart;
    __m128 dxStart;
};

// A Gouraud triangle's colour channels at the start of one row.
struct RowShade {
    RowShade(const ColorPlanes& cp, float dy)
        : r(_mm_set1_ps(cp.r0 + cp.rdy * dy)),
          g(_mm_set1_ps(cp.g0 + cp.gdy * dy)),
          b(_mm_set1_ps(cp.b0 + cp.bdy * dy)) {}
    __m128 r;
    __m128 g;
    __m128 b;
};

// The opaque colours of four pixels `dxv` columns along a row from its start.
inline __m128i ShadeGroup(const RowShade& row, const ColorPlanes& cp, __m128 dxv) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 full = _mm_set1_ps(255.0F);
    const auto channel = [&](__m128 start, float step) {
        const __m128 v = _mm_add_ps(start, _mm_mul_ps(_mm_set1_ps(step), dxv));
        return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(v, zero), full));
    };
    const __m128i cr = channel(row.r, cp.rdx);
    const __m128i cg = channel(row.g, cp.gdx);
    const __m128i cb = channel(row.b, cp.bdx);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000U));
    return _mm_or_si128(_mm_or_si128(alpha, _mm_slli_epi32(cr, 16)),
                        _mm_or_si128(_mm_slli_epi32(cg, 8), cb));
}

}  // namespace rm::raster
