#pragma once
// A mesh position in camera space, computed again where a face needs it (clipping, a thin
// stroke's centre line) rather than kept for every vertex of the frame. The operations are
// the vertex pass's, one lane of them, so the result is the same to the last bit.
#include <xmmintrin.h>

#include "platform/raster/raster_types.h"

namespace rm::raster {

struct CameraPoint {
    float x, y, z;
};

[[nodiscard]] inline CameraPoint ToCamera(const Affine& a, const D3DVECTOR& p) {
    const __m128 x = _mm_set_ss(p.x);
    const __m128 y = _mm_set_ss(p.y);
    const __m128 z = _mm_set_ss(p.z);
    const auto row = [&](int j) {
        return _mm_cvtss_f32(_mm_add_ss(_mm_add_ss(_mm_add_ss(_mm_mul_ss(x, _mm_set_ss(a.m[0][j])),
                                                              _mm_mul_ss(y, _mm_set_ss(a.m[1][j]))),
                                                   _mm_mul_ss(z, _mm_set_ss(a.m[2][j]))),
                                        _mm_set_ss(a.m[3][j])));
    };
    return {row(0), row(1), row(2)};
}

// Four positions at(0) .. at(3) to camera space at once, each lane as ToCamera.
struct CameraLanes {
    __m128 x, y, z;
};
template <class At>
[[nodiscard]] inline CameraLanes ToCameraLanes(const Affine& a, At&& at) {
    alignas(16) float px[4];
    alignas(16) float py[4];
    alignas(16) float pz[4];
    for (int k = 0; k < 4; ++k) {
        const D3DVECTOR& v = at(k);
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
    return {row(0), row(1), row(2)};
}

}  // namespace rm::raster
