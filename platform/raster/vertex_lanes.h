#pragma once
// Four positions at a time to camera space, outcodes and, for points that need no
// clipping, snapped screen positions. The arithmetic is the scalar ProjectPoint's, operation
// for operation, so a corner re-projected after clipping lands on exactly the same
// sub-pixel. Every projected vertex of a frame comes from here, whether a block of a mesh's
// positions or the corners of one face, so a position projects to the same bits either way.
#include <emmintrin.h>

#include <cstdint>

#include "platform/raster/geometry_stage.h"

namespace rm::raster {

// Camera-space coordinates beyond this are treated like infinities: products with the
// projection scale then stay finite in float.
inline constexpr float kMaxCoordinate = 1e15F;

// Projects the n (1 to 4) positions at(0) .. at(n - 1) through `a` into out[0 .. n).
template <class At>
inline void ProjectLanes(const FrameGeometry& frame, const Affine& a, int n, At&& at,
                         ProjectedVertex* out) {
    alignas(16) float px[4];
    alignas(16) float py[4];
    alignas(16) float pz[4];
    for (int k = 0; k < 4; ++k) {
        const D3DVECTOR& v = at(k < n ? k : n - 1);
        px[k] = v.x;
        py[k] = v.y;
        pz[k] = v.z;
    }
    const __m128 vx = _mm_load_ps(px);
    const __m128 vy = _mm_load_ps(py);
    const __m128 vz = _mm_load_ps(pz);
    const auto row = [&](int j) {
        return _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(vx, _mm_set1_ps(a.m[0][j])),
                                                _mm_mul_ps(vy, _mm_set1_ps(a.m[1][j]))),
                                     _mm_mul_ps(vz, _mm_set1_ps(a.m[2][j]))),
                          _mm_set1_ps(a.m[3][j]));
    };
    const __m128 cx = row(0);
    const __m128 cy = row(1);
    const __m128 cz = row(2);

    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 limit = _mm_set1_ps(kMaxCoordinate);
    const __m128 finite = _mm_and_ps(_mm_and_ps(_mm_cmple_ps(_mm_and_ps(cx, absMask), limit),
                                                _mm_cmple_ps(_mm_and_ps(cy, absMask), limit)),
                                     _mm_cmple_ps(_mm_and_ps(cz, absMask), limit));

    // The planes as in Outcode; "not >= 0" so that NaN counts as outside.
    const ClipPlanes& pl = frame.planes;
    const __m128 zero = _mm_setzero_ps();
    const __m128 xs = _mm_mul_ps(_mm_set1_ps(pl.left.nx), cx);
    const __m128 ys = _mm_mul_ps(_mm_set1_ps(pl.bottom.ny), cy);
    const auto kz = [&](float k) { return _mm_mul_ps(_mm_set1_ps(k), cz); };
    const auto out0 = [&](__m128 d, std::uint32_t bit) {
        return _mm_and_si128(_mm_castps_si128(_mm_cmpnge_ps(d, zero)),
                             _mm_set1_epi32(static_cast<int>(bit)));
    };
    __m128i code = _mm_or_si128(out0(_mm_add_ps(cz, _mm_set1_ps(pl.near.w)), kOutNear),
                                out0(_mm_sub_ps(_mm_set1_ps(pl.far.w), cz), kOutFar));
    code = _mm_or_si128(code, out0(_mm_add_ps(xs, kz(pl.guardLeft.nz)), kOutGuardLeft));
    code = _mm_or_si128(code, out0(_mm_sub_ps(kz(pl.guardRight.nz), xs), kOutGuardRight));
    code = _mm_or_si128(code, out0(_mm_sub_ps(kz(pl.guardTop.nz), ys), kOutGuardTop));
    code = _mm_or_si128(code, out0(_mm_add_ps(ys, kz(pl.guardBottom.nz)), kOutGuardBottom));
    code = _mm_or_si128(code, out0(_mm_add_ps(xs, kz(pl.left.nz)), kOutLeft));
    code = _mm_or_si128(code, out0(_mm_sub_ps(kz(pl.right.nz), xs), kOutRight));
    code = _mm_or_si128(code, out0(_mm_sub_ps(kz(pl.top.nz), ys), kOutTop));
    code = _mm_or_si128(code, out0(_mm_add_ps(ys, kz(pl.bottom.nz)), kOutBottom));
    const __m128i finiteBits = _mm_castps_si128(finite);
    code = _mm_or_si128(_mm_and_si128(finiteBits, code),
                        _mm_andnot_si128(finiteBits, _mm_set1_epi32(static_cast<int>(kNonFinite))));

    // ProjectPoint, lane by lane the same operations.
    const ViewSetup& view = frame.view;
    const __m128 inv = _mm_div_ps(_mm_set1_ps(1.0F), cz);
    const __m128 scale = _mm_set1_ps(view.scale);
    const auto clamp = [](__m128 v, float lo, float hi) {
        // max(v, lo) gives lo for NaN, like ClampToRange.
        return _mm_min_ps(_mm_max_ps(v, _mm_set1_ps(lo)), _mm_set1_ps(hi));
    };
    const __m128 sx =
        clamp(_mm_add_ps(_mm_set1_ps(view.centreX), _mm_mul_ps(_mm_mul_ps(cx, scale), inv)),
              -kGuardBand, view.bufferWidth + kGuardBand);
    const __m128 sy =
        clamp(_mm_sub_ps(_mm_set1_ps(view.centreY), _mm_mul_ps(_mm_mul_ps(cy, scale), inv)),
              -kGuardBand, view.bufferHeight + kGuardBand);
    const __m128 sub = _mm_set1_ps(static_cast<float>(kSubScale));
    // A lane that needs clipping keeps only its outcode: position and depth zero.
    const __m128i keep = _mm_cmpeq_epi32(
        _mm_and_si128(code, _mm_set1_epi32(static_cast<int>(kClipMask | kNonFinite))),
        _mm_setzero_si128());
    const __m128i fx = _mm_and_si128(keep, _mm_cvtps_epi32(_mm_mul_ps(sx, sub)));
    const __m128i fy = _mm_and_si128(keep, _mm_cvtps_epi32(_mm_mul_ps(sy, sub)));
    const __m128 depth = _mm_and_ps(_mm_castsi128_ps(keep), _mm_xor_ps(inv, _mm_set1_ps(-0.0F)));
    // ProjectedVertex::Make for four lanes, then the three words of each lane interleaved:
    // [x0 y0 d0 x1] [y1 d1 x2 y2] [d2 x3 y3 d3] (x: the snapped x and the outcode).
    static_assert(sizeof(ProjectedVertex) == 12);
    const __m128 xw =
        _mm_castsi128_ps(_mm_or_si128(_mm_slli_epi32(fx, ProjectedVertex::kCodeBits), code));
    const __m128 yw = _mm_castsi128_ps(fy);
    const __m128 lo = _mm_unpacklo_ps(xw, yw);  // x0 y0 x1 y1
    const __m128 hi = _mm_unpackhi_ps(xw, yw);  // x2 y2 x3 y3
    const __m128 v0 = _mm_shuffle_ps(lo, _mm_shuffle_ps(depth, lo, _MM_SHUFFLE(3, 2, 0, 0)),
                                     _MM_SHUFFLE(2, 0, 1, 0));
    const __m128 v1 = _mm_shuffle_ps(_mm_shuffle_ps(lo, depth, _MM_SHUFFLE(1, 1, 3, 3)), hi,
                                     _MM_SHUFFLE(1, 0, 2, 0));
    const __m128 v2 =
        _mm_shuffle_ps(_mm_shuffle_ps(depth, hi, _MM_SHUFFLE(2, 2, 2, 2)),
                       _mm_shuffle_ps(hi, depth, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(2, 0, 2, 0));
    if (n == 4) {
        auto* to = reinterpret_cast<float*>(out);
        _mm_storeu_ps(to, v0);
        _mm_storeu_ps(to + 4, v1);
        _mm_storeu_ps(to + 8, v2);
        return;
    }
    // Fewer lanes: only out[0 .. n) may be written.
    ProjectedVertex all[4];
    auto* to = reinterpret_cast<float*>(all);
    _mm_storeu_ps(to, v0);
    _mm_storeu_ps(to + 4, v1);
    _mm_storeu_ps(to + 8, v2);
    for (int k = 0; k < n; ++k) {
        out[k] = all[k];
    }
}

}  // namespace rm::raster
