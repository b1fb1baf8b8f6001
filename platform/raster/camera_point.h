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

}  // namespace rm::raster
