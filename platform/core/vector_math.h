#pragma once
// Vector helpers of the retained-mode layer and the affine matrix its frames use.
// Row-vector convention: a point p in a frame's coordinates maps to p * M in its
// parent's. The scene is left-handed, +y up.

#include "platform/core/types.h"

namespace rm {

[[nodiscard]] D3DVECTOR D3DRMVectorCrossProduct(const D3DVECTOR& a, const D3DVECTOR& b);
[[nodiscard]] D3DVALUE D3DRMVectorDotProduct(const D3DVECTOR& a, const D3DVECTOR& b);
// Scales v to unit length in place. A zero, denormal-small or non-finite vector is left
// unchanged and reported as BadValue, so no NaN reaches a caller that checks.
[[nodiscard]] Result D3DRMVectorNormalize(D3DVECTOR& v);

[[nodiscard]] D3DVECTOR operator+(const D3DVECTOR& a, const D3DVECTOR& b);
[[nodiscard]] D3DVECTOR operator-(const D3DVECTOR& a, const D3DVECTOR& b);
[[nodiscard]] D3DVECTOR operator-(const D3DVECTOR& a);
[[nodiscard]] D3DVECTOR operator*(const D3DVECTOR& a, D3DVALUE s);
[[nodiscard]] D3DVECTOR operator*(D3DVALUE s, const D3DVECTOR& a);
[[nodiscard]] D3DVALUE Length(const D3DVECTOR& v);

// Affine 4x4 in row-vector form: rows 0-2 are the images of the x, y, z axes, row 3 the
// translation. The last column is implied (0, 0, 0, 1).
struct Matrix4 {
    float m[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};

    [[nodiscard]] static Matrix4 Identity() { return {}; }
    [[nodiscard]] static Matrix4 Translation(const D3DVECTOR& t);
    // Rotation by theta radians about a unit axis, turning y towards z for the x axis
    // (left-handed: clockwise when looking along the axis... the same sense as the axis
    // rotations of the retained-mode API).
    [[nodiscard]] static Matrix4 Rotation(const D3DVECTOR& unitAxis, D3DVALUE theta);

    [[nodiscard]] D3DVECTOR TransformPoint(const D3DVECTOR& p) const;
    [[nodiscard]] D3DVECTOR TransformDirection(const D3DVECTOR& d) const;
    [[nodiscard]] D3DVECTOR Translation() const { return {m[3][0], m[3][1], m[3][2]}; }
    // Inverse of an affine matrix; a singular matrix yields the identity and false.
    [[nodiscard]] bool Inverse(Matrix4& out) const;

    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// a then b: p * (a * b) == (p * a) * b.
[[nodiscard]] Matrix4 operator*(const Matrix4& a, const Matrix4& b);

}  // namespace rm
