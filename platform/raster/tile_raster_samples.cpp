// The four-sample triangle fill: every sample plane of a tile block drawn in one walk, the
// colour shaded once a pixel, each row walking only the groups its edges can cover.
#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "platform/raster/edge_walk.h"
#include "platform/raster/tile_raster.h"
#include "platform/raster/tile_raster_wide.h"

namespace rm::raster {

namespace {

std::atomic<bool> g_wideSamples{true};

// The sample planes of one tile: edge values at the pixel centres plus a fixed offset per
// sample and edge; depth per sample from its own start value, in the same operations as a
// plane drawn alone would use, so both ways give the same bits.
struct SampleEdges {
    EdgeState centre;
    __m128i offset[kSamples][3];
    float z0[kSamples];
};

// Lanes of `a` less than those of `b`, as a mask.
inline __m128i Nearer(__m128 a, __m128 b) {
    return _mm_castps_si128(_mm_cmplt_ps(a, b));
}

// What the fill does with the per-pixel depth bounds: nothing (they stay bounds, since depths
// only ever get nearer), bring those of the groups drawn up to date, or also skip groups
// the triangle cannot pass. A wide triangle rarely has a whole group hidden that the
// triangle's own test let through, so it only keeps the bounds.
enum class Bounds : std::uint8_t { kNone, kKeep, kSkip };

template <bool kGouraud, bool kMaskX, Bounds kBounds>
std::uint64_t FillSampleRows(const TileTarget& t, std::ptrdiff_t planeStride,
                             const TriangleSetup& tri, const ColorPlanes* cp, const PixelRect& r,
                             int startX, const SampleEdges& edges, float* pixelFar) {
    const GroupWalk walk(tri, r, startX);
    const __m128i four = _mm_set1_epi32(4);
    const __m128 fourF = _mm_set1_ps(4.0F);
    __m128i rowE[3] = {edges.centre.value[0], edges.centre.value[1], edges.centre.value[2]};
    std::uint64_t passed = 0;
    for (int y = r.y0; y <= r.y1; ++y) {
        const float dy = static_cast<float>(y - tri.box.y0);
        __m128 zRow[kSamples];
        for (int k = 0; k < kSamples; ++k) {
            zRow[k] = _mm_set1_ps(edges.z0[k] + tri.zdy * dy);
        }
        const RowShade shade = kGouraud ? RowShade(*cp, dy) : RowShade(ColorPlanes{}, 0.0F);
        int first = 0;
        int end = 0;
        const bool any = RowSpan(edges.centre, rowE, r.x1 - startX, first, end);
        const int skip = first & ~3;
        __m128i e0 = _mm_add_epi32(rowE[0], _mm_set1_epi32(edges.centre.pixelStep[0] * skip));
        __m128i e1 = _mm_add_epi32(rowE[1], _mm_set1_epi32(edges.centre.pixelStep[1] * skip));
        __m128i e2 = _mm_add_epi32(rowE[2], _mm_set1_epi32(edges.centre.pixelStep[2] * skip));
        for (int i = 0; i < 3; ++i) {
            rowE[i] = _mm_add_epi32(rowE[i], edges.centre.rowStep[i]);
        }
        if (!any) {
            continue;
        }
        __m128i xs = _mm_add_epi32(walk.xStart, _mm_set1_epi32(skip));
        __m128 dxv = _mm_add_ps(walk.dxStart, _mm_set1_ps(static_cast<float>(skip)));
        D3DCOLOR* colorRow = t.color + static_cast<std::ptrdiff_t>(y - t.originY) * t.width;
        float* depthRow = t.depth + static_cast<std::ptrdiff_t>(y - t.originY) * t.depthStride;
        float* farRow = pixelFar + (y - t.tile.y0) * kTileSize;
        for (int gx = startX + skip; gx <= startX + end; gx += 4) {
            __m128i inX = _mm_set1_epi32(-1);
            if constexpr (kMaskX) {
                inX = walk.InColumns(xs);
            }
            __m128i color = walk.flat;
            if constexpr (kGouraud) {
                color = ShadeGroup(shade, *cp, dxv);
            }
            const int at = gx - t.originX;
            const __m128 zx = _mm_mul_ps(walk.zdx, dxv);
            float* far = farRow + (gx - t.tile.x0);
            if constexpr (kBounds == Bounds::kSkip) {
                // No sample of a pixel lies beyond its bound: where the triangle is nowhere
                // nearer than that, every depth test of the group would fail. Unordered
                // lanes count as nearer, so a NaN never hides anything.
                const __m128 bound = _mm_load_ps(far);
                const auto nearer = [&](int k) {
                    return _mm_castps_si128(_mm_cmpnge_ps(_mm_add_ps(zRow[k], zx), bound));
                };
                const __m128i any = _mm_or_si128(_mm_or_si128(nearer(0), nearer(1)),
                                                 _mm_or_si128(nearer(2), nearer(3)));
                if (_mm_movemask_epi8(any) == 0) {
                    e0 = _mm_add_epi32(e0, edges.centre.groupStep[0]);
                    e1 = _mm_add_epi32(e1, edges.centre.groupStep[1]);
                    e2 = _mm_add_epi32(e2, edges.centre.groupStep[2]);
                    xs = _mm_add_epi32(xs, four);
                    dxv = _mm_add_ps(dxv, fourF);
                    continue;
                }
            }
            __m128 farthest = _mm_setzero_ps();
#pragma GCC unroll 4
            for (int k = 0; k < kSamples; ++k) {
                const __m128i sign =
                    _mm_srai_epi32(_mm_or_si128(_mm_or_si128(_mm_add_epi32(e0, edges.offset[k][0]),
                                                             _mm_add_epi32(e1, edges.offset[k][1])),
                                                _mm_add_epi32(e2, edges.offset[k][2])),
                                   31);
                const __m128i mask = _mm_andnot_si128(sign, inX);
                float* depth = depthRow + k * planeStride + at;
                D3DCOLOR* dst = colorRow + k * planeStride + at;
                const __m128 z = _mm_add_ps(zRow[k], zx);
                const __m128 old = _mm_loadu_ps(depth);
                const __m128i pass = _mm_and_si128(mask, Nearer(z, old));
                if (k == 0) {
                    passed += kBitCount[_mm_movemask_ps(_mm_castsi128_ps(pass))];
                }
                const __m128 kept =
                    _mm_castsi128_ps(Select(pass, _mm_castps_si128(z), _mm_castps_si128(old)));
                _mm_storeu_ps(depth, kept);
                farthest = k == 0 ? kept : _mm_max_ps(farthest, kept);
                __m128i* c = reinterpret_cast<__m128i*>(dst);
                _mm_storeu_si128(c, Select(pass, color, _mm_loadu_si128(c)));
            }
            if constexpr (kBounds != Bounds::kNone) {
                // Every sample of the four pixels is in `farthest` now: the bounds are exact.
                _mm_store_ps(far, farthest);
            }
            e0 = _mm_add_epi32(e0, edges.centre.groupStep[0]);
            e1 = _mm_add_epi32(e1, edges.centre.groupStep[1]);
            e2 = _mm_add_epi32(e2, edges.centre.groupStep[2]);
            xs = _mm_add_epi32(xs, four);
            dxv = _mm_add_ps(dxv, fourF);
        }
    }
    return passed;
}

// The same walk with two samples a vector, for processors with 256-bit vectors: the low
// half is sample 2p, the high half sample 2p + 1, and every lane does the operations the
// walk above does for its sample (no fused multiply-add), so the bits are the same.
template <bool kGouraud, bool kMaskX, Bounds kBounds>
__attribute__((target("avx2"))) std::uint64_t FillSamplePairs(
    const TileTarget& t, std::ptrdiff_t planeStride, const TriangleSetup& tri,
    const ColorPlanes* cp, const PixelRect& r, int startX, const SampleEdges& edges,
    float* pixelFar) {
    constexpr int kPairs = kSamples / 2;
    const GroupWalk walk(tri, r, startX);
    const __m128i four = _mm_set1_epi32(4);
    const __m128 fourF = _mm_set1_ps(4.0F);
    __m256i offset[kPairs][3];
    for (int p = 0; p < kPairs; ++p) {
        for (int e = 0; e < 3; ++e) {
            offset[p][e] = _mm256_set_m128i(edges.offset[2 * p + 1][e], edges.offset[2 * p][e]);
        }
    }
    const __m256i groupStep[3] = {
        _mm256_set_m128i(edges.centre.groupStep[0], edges.centre.groupStep[0]),
        _mm256_set_m128i(edges.centre.groupStep[1], edges.centre.groupStep[1]),
        _mm256_set_m128i(edges.centre.groupStep[2], edges.centre.groupStep[2])};
    __m128i rowE[3] = {edges.centre.value[0], edges.centre.value[1], edges.centre.value[2]};
    std::uint64_t passed = 0;
    for (int y = r.y0; y <= r.y1; ++y) {
        const float dy = static_cast<float>(y - tri.box.y0);
        __m128 zRow[kSamples];
        for (int k = 0; k < kSamples; ++k) {
            zRow[k] = _mm_set1_ps(edges.z0[k] + tri.zdy * dy);
        }
        __m256 zPair[kPairs];
        for (int p = 0; p < kPairs; ++p) {
            zPair[p] = _mm256_set_m128(zRow[2 * p + 1], zRow[2 * p]);
        }
        const RowShade shade = kGouraud ? RowShade(*cp, dy) : RowShade(ColorPlanes{}, 0.0F);
        int first = 0;
        int end = 0;
        const bool any = RowSpan(edges.centre, rowE, r.x1 - startX, first, end);
        const int skip = first & ~3;
        const __m128i e0 = _mm_add_epi32(rowE[0], _mm_set1_epi32(edges.centre.pixelStep[0] * skip));
        const __m128i e1 = _mm_add_epi32(rowE[1], _mm_set1_epi32(edges.centre.pixelStep[1] * skip));
        const __m128i e2 = _mm_add_epi32(rowE[2], _mm_set1_epi32(edges.centre.pixelStep[2] * skip));
        for (int i = 0; i < 3; ++i) {
            rowE[i] = _mm_add_epi32(rowE[i], edges.centre.rowStep[i]);
        }
        if (!any) {
            continue;
        }
        __m256i w0 = _mm256_set_m128i(e0, e0);
        __m256i w1 = _mm256_set_m128i(e1, e1);
        __m256i w2 = _mm256_set_m128i(e2, e2);
        __m128i xs = _mm_add_epi32(walk.xStart, _mm_set1_epi32(skip));
        __m128 dxv = _mm_add_ps(walk.dxStart, _mm_set1_ps(static_cast<float>(skip)));
        D3DCOLOR* colorRow = t.color + static_cast<std::ptrdiff_t>(y - t.originY) * t.width;
        float* depthRow = t.depth + static_cast<std::ptrdiff_t>(y - t.originY) * t.depthStride;
        float* farRow = pixelFar + (y - t.tile.y0) * kTileSize;
        for (int gx = startX + skip; gx <= startX + end; gx += 4) {
            const int at = gx - t.originX;
            const __m128 zx = _mm_mul_ps(walk.zdx, dxv);
            float* far = farRow + (gx - t.tile.x0);
            bool hidden = false;
            if constexpr (kBounds == Bounds::kSkip) {
                // As in the walk above: nowhere nearer than the pixels' bounds.
                const __m128 bound = _mm_load_ps(far);
                const __m128i any4 = _mm_or_si128(
                    _mm_or_si128(_mm_castps_si128(_mm_cmpnge_ps(_mm_add_ps(zRow[0], zx), bound)),
                                 _mm_castps_si128(_mm_cmpnge_ps(_mm_add_ps(zRow[1], zx), bound))),
                    _mm_or_si128(_mm_castps_si128(_mm_cmpnge_ps(_mm_add_ps(zRow[2], zx), bound)),
                                 _mm_castps_si128(_mm_cmpnge_ps(_mm_add_ps(zRow[3], zx), bound))));
                hidden = _mm_movemask_epi8(any4) == 0;
            }
            if (!hidden) {
                __m128i inX = _mm_set1_epi32(-1);
                if constexpr (kMaskX) {
                    inX = walk.InColumns(xs);
                }
                __m128i color = walk.flat;
                if constexpr (kGouraud) {
                    color = ShadeGroup(shade, *cp, dxv);
                }
                const __m256i inX2 = _mm256_set_m128i(inX, inX);
                const __m256i color2 = _mm256_set_m128i(color, color);
                const __m256 zx2 = _mm256_set_m128(zx, zx);
                __m256 farthest = _mm256_setzero_ps();
#pragma GCC unroll 2
                for (int p = 0; p < kPairs; ++p) {
                    const __m256i sign = _mm256_srai_epi32(
                        _mm256_or_si256(_mm256_or_si256(_mm256_add_epi32(w0, offset[p][0]),
                                                        _mm256_add_epi32(w1, offset[p][1])),
                                        _mm256_add_epi32(w2, offset[p][2])),
                        31);
                    const __m256i mask = _mm256_andnot_si256(sign, inX2);
                    float* lo = depthRow + 2 * p * planeStride + at;
                    float* hi = lo + planeStride;
                    D3DCOLOR* cLo = colorRow + 2 * p * planeStride + at;
                    D3DCOLOR* cHi = cLo + planeStride;
                    const __m256 z = _mm256_add_ps(zPair[p], zx2);
                    const __m256 old = _mm256_set_m128(_mm_loadu_ps(hi), _mm_loadu_ps(lo));
                    const __m256 pass =
                        _mm256_and_ps(_mm256_castsi256_ps(mask), _mm256_cmp_ps(z, old, _CMP_LT_OS));
                    if (p == 0) {
                        passed += kBitCount[_mm256_movemask_ps(pass) & 0xF];
                    }
                    const __m256 kept = _mm256_blendv_ps(old, z, pass);
                    _mm_storeu_ps(lo, _mm256_castps256_ps128(kept));
                    _mm_storeu_ps(hi, _mm256_extractf128_ps(kept, 1));
                    farthest = p == 0 ? kept : _mm256_max_ps(farthest, kept);
                    const __m256i oldColor =
                        _mm256_set_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cHi)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(cLo)));
                    const __m256i out =
                        _mm256_blendv_epi8(oldColor, color2, _mm256_castps_si256(pass));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(cLo), _mm256_castsi256_si128(out));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(cHi),
                                     _mm256_extracti128_si256(out, 1));
                }
                if constexpr (kBounds != Bounds::kNone) {
                    _mm_store_ps(far, _mm_max_ps(_mm256_castps256_ps128(farthest),
                                                 _mm256_extractf128_ps(farthest, 1)));
                }
            }
            w0 = _mm256_add_epi32(w0, groupStep[0]);
            w1 = _mm256_add_epi32(w1, groupStep[1]);
            w2 = _mm256_add_epi32(w2, groupStep[2]);
            xs = _mm_add_epi32(xs, four);
            dxv = _mm_add_ps(dxv, fourF);
        }
    }
    return passed;
}

// True when no sample of `r` can pass: the triangle's depth there is nowhere nearer than the
// bounds of the groups of four pixels `r` reaches. The depth planes are bounded in double;
// the fill's float steps round each term by far less than the margin, so "not nearer" holds
// for the values the fill would compare too.
bool HiddenBehindBounds(const TriangleSetup& tri, const PixelRect& r, const TileTarget& t,
                        const float* pixelFar) {
    // Every sample's plane starts within `reach` of the centre's.
    const double zdx = tri.zdx;
    const double zdy = tri.zdy;
    const double reach =
        (std::fabs(zdx) + std::fabs(zdy)) * (static_cast<double>(kSampleReach) / kSubScale);
    const double z0 = tri.z0;
    const double dy0 = zdy * (r.y0 - tri.box.y0);
    const double dy1 = zdy * (r.y1 - tri.box.y0);
    const double dx0 = zdx * (r.x0 - tri.box.x0);
    const double dx1 = zdx * (r.x1 - tri.box.x0);
    const double scale = std::fabs(z0) + reach + std::max(std::fabs(dy0), std::fabs(dy1)) +
                         std::max(std::fabs(dx0), std::fabs(dx1));
    constexpr double kMargin = 1.0e-6;
    const double limit = z0 - reach + std::min(dy0, dy1) + std::min(dx0, dx1) - kMargin * scale;
    // A NaN or a plane beyond float's range fails here: drawn group by group.
    constexpr auto kLargest = static_cast<double>(std::numeric_limits<float>::max());
    if (!(scale < kLargest) || !(limit > -kLargest)) {
        return false;
    }
    auto below = static_cast<float>(limit);
    if (static_cast<double>(below) > limit) {
        below = std::nextafter(below, -std::numeric_limits<float>::infinity());
    }
    const __m128 most = _mm_set1_ps(below);
    const int from = (r.x0 - t.tile.x0) & ~3;
    const int to = r.x1 - t.tile.x0;
    for (int y = r.y0; y <= r.y1; ++y) {
        const float* row = pixelFar + (y - t.tile.y0) * kTileSize;
        __m128 beyond = _mm_setzero_ps();
        for (int x = from; x <= to; x += 4) {
            beyond = _mm_or_ps(beyond, _mm_cmpnle_ps(_mm_load_ps(row + x), most));
        }
        if (_mm_movemask_ps(beyond) != 0) {
            return false;  // some pixel may hold a sample the triangle is nearer than
        }
    }
    return true;
}

}  // namespace

void AllowWideSamples(bool allowed) {
    g_wideSamples.store(allowed, std::memory_order_relaxed);
}

bool WideSamplesAllowed() {
    return g_wideSamples.load(std::memory_order_relaxed) && WideFillSupported();
}

std::uint64_t DrawTriangleSamples(const TileTarget& t, std::ptrdiff_t planeStride,
                                  const TriangleSetup& tri, const ColorPlanes* planes,
                                  float* pixelFar) {
    const PixelRect r = RegionInTile(tri, t.rect);
    if (r.Empty()) {
        return 0;
    }
    if (pixelFar != nullptr && HiddenBehindBounds(tri, r, t, pixelFar)) {
        return 0;
    }
    const int startX = t.tile.x0 + ((r.x0 - t.tile.x0) & ~3);
    SampleEdges edges;
    bool allEdges = true;
    for (int e = 0; e < 3; ++e) {
        const EdgeFunction edge = tri.Edge(e);
        const std::int64_t a = edge.a;
        const std::int64_t b = edge.b;
        const EdgeOverRegion range = EdgeOverSamples(edge, r);
        const std::int64_t e00 = range.first;
        if (range.hi < 0) {
            return 0;  // no sample of the region is inside this edge
        }
        if (range.lo >= 0) {
            // Inside for every sample: never clears a lane.
            allEdges = false;
            edges.centre.value[e] = _mm_setzero_si128();
            edges.centre.rowStep[e] = _mm_setzero_si128();
            edges.centre.groupStep[e] = _mm_setzero_si128();
            SetSpanEdge(edges.centre, e, 0, 0, r.x1 - startX);
            for (int k = 0; k < kSamples; ++k) {
                edges.offset[k][e] = _mm_setzero_si128();
            }
            continue;
        }
        const std::int64_t step = a * kSubScale;
        const std::int64_t start = e00 + step * (startX - r.x0);
        const std::int32_t s = static_cast<std::int32_t>(step);
        edges.centre.value[e] = _mm_add_epi32(_mm_set1_epi32(static_cast<std::int32_t>(start)),
                                              _mm_setr_epi32(0, s, 2 * s, 3 * s));
        edges.centre.rowStep[e] = _mm_set1_epi32(static_cast<std::int32_t>(b * kSubScale));
        edges.centre.groupStep[e] = _mm_set1_epi32(4 * s);
        std::int32_t most = std::numeric_limits<std::int32_t>::min();
        for (int k = 0; k < kSamples; ++k) {
            const auto offset = static_cast<std::int32_t>(a * kSampleX[k] + b * kSampleY[k]);
            edges.offset[k][e] = _mm_set1_epi32(offset);
            most = std::max(most, offset);
        }
        SetSpanEdge(edges.centre, e, s, most, r.x1 - startX);
    }
    for (int k = 0; k < kSamples; ++k) {
        edges.z0[k] = SampleDepthStart(tri, k);
    }
    const bool gouraud = (tri.Flags() & kPrimGouraud) != 0 && planes != nullptr;
    const bool maskX =
        !allEdges || (tri.Flags() & kPrimCutX) != 0 || r.x0 != tri.box.x0 || r.x1 != tri.box.x1;
    const auto fill = [&]<bool kGouraud, bool kMaskX>() {
        if (WideSamplesAllowed()) {
            if (pixelFar == nullptr) {
                return FillSamplePairs<kGouraud, kMaskX, Bounds::kNone>(t, planeStride, tri, planes,
                                                                        r, startX, edges, nullptr);
            }
            if (r.x1 - startX >= kSpanFrom) {
                return FillSamplePairs<kGouraud, kMaskX, Bounds::kKeep>(t, planeStride, tri, planes,
                                                                        r, startX, edges, pixelFar);
            }
            return FillSamplePairs<kGouraud, kMaskX, Bounds::kSkip>(t, planeStride, tri, planes, r,
                                                                    startX, edges, pixelFar);
        }
        if (pixelFar == nullptr) {
            return FillSampleRows<kGouraud, kMaskX, Bounds::kNone>(t, planeStride, tri, planes, r,
                                                                   startX, edges, nullptr);
        }
        if (r.x1 - startX >= kSpanFrom) {
            return FillSampleRows<kGouraud, kMaskX, Bounds::kKeep>(t, planeStride, tri, planes, r,
                                                                   startX, edges, pixelFar);
        }
        return FillSampleRows<kGouraud, kMaskX, Bounds::kSkip>(t, planeStride, tri, planes, r,
                                                               startX, edges, pixelFar);
    };
    if (maskX) {
        return gouraud ? fill.template operator()<true, true>()
                       : fill.template operator()<false, true>();
    }
    return gouraud ? fill.template operator()<true, false>()
                   : fill.template operator()<false, false>();
}

}  // namespace rm::raster
