#pragma once
// Four positions at a time to camera space, outcodes and, for points that need no
// clipping, snapped screen positions. The arithmetic is the scalar ProjectPoint's, operation
// for operation, so a corner re-projected after clipping lands on exactly the same
// sub-pixel. Every projected vertex of a frame comes from here, whether a block of a mesh's
// positions or the corners of one face, so a position projects to the same bits either way.
#include <emmintrin.h>

#include <cstdint>

#include "platform/raster/camera_point.h"
#include "platform/raster/geometry_stage.h"

namespace rm::raster {

// Camera-space coordinates beyond this are treated like infinities: products with the
// projection scale then stay finite in float.
inline constexpr float kMaxCoordinate = 1e15F;

// Projects the n (1 to 4) positions at(0) .. at(n - 1) through `a` into out[0 .. n).
template <class At>
inline void ProjectLanes(const FrameGeometry& frame, const Affine& a, int n, At&& at,
                         ProjectedVertex* out) {
    const CameraLanes c =
        ToCameraLanes(a, [&](int k) -> decltype(auto) { return at(k < n ? k : n - 1); });
    const __m128 cx = c.x;
    const __m128 cy = c.y;
    const __m128 cz = c.z;

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
    alignas(16) std::int32_t fx[4];
    alignas(16) std::int32_t fy[4];
    alignas(16) std::uint32_t codes[4];
    alignas(16) float depth[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(codes), code);
    _mm_store_si128(reinterpret_cast<__m128i*>(fx), _mm_cvtps_epi32(_mm_mul_ps(sx, sub)));
    _mm_store_si128(reinterpret_cast<__m128i*>(fy), _mm_cvtps_epi32(_mm_mul_ps(sy, sub)));
    _mm_store_ps(depth, _mm_xor_ps(inv, _mm_set1_ps(-0.0F)));
    for (int k = 0; k < n; ++k) {
        const bool project = (codes[k] & (kClipMask | kNonFinite)) == 0;
        out[k] = ProjectedVertex::Make(codes[k], project ? fx[k] : 0, project ? fy[k] : 0,
                                       project ? depth[k] : 0.0F);
    }
}

}  // namespace rm::raster
