#include "platform/core/vector_math.h"

#include <cmath>
#include <limits>

namespace rm {

D3DVECTOR D3DRMVectorCrossProduct(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

D3DVALUE D3DRMVectorDotProduct(const D3DVECTOR& a, const D3DVECTOR& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Result D3DRMVectorNormalize(D3DVECTOR& v) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
        return Result::BadValue;
    }
    // In double, so that neither large nor small finite components overflow or underflow.
    const double x = v.x;
    const double y = v.y;
    const double z = v.z;
    const double len = std::sqrt(x * x + y * y + z * z);
    if (!(len >= static_cast<double>(std::numeric_limits<float>::min())) || !std::isfinite(len)) {
        return Result::BadValue;
    }
    v = {static_cast<float>(x / len), static_cast<float>(y / len), static_cast<float>(z / len)};
    return Result::Ok;
}

D3DVECTOR operator+(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
D3DVECTOR operator-(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
D3DVECTOR operator-(const D3DVECTOR& a) {
    return {-a.x, -a.y, -a.z};
}
D3DVECTOR operator*(const D3DVECTOR& a, D3DVALUE s) {
    return {a.x * s, a.y * s, a.z * s};
}
D3DVECTOR operator*(D3DVALUE s, const D3DVECTOR& a) {
    return a * s;
}
D3DVALUE Length(const D3DVECTOR& v) {
    const double x = v.x;
    const double y = v.y;
    const double z = v.z;
    return static_cast<float>(std::sqrt(x * x + y * y + z * z));
}

Matrix4 Matrix4::Translation(const D3DVECTOR& t) {
    Matrix4 r;
    r.m[3][0] = t.x;
    r.m[3][1] = t.y;
    r.m[3][2] = t.z;
    return r;
}

// Rodrigues: p' = p cos t + (a x p) sin t + a (a . p)(1 - cos t). Row i is the image of
// the i-th axis e_i.
Matrix4 Matrix4::Rotation(const D3DVECTOR& a, D3DVALUE theta) {
    const double c = std::cos(static_cast<double>(theta));
    const double s = std::sin(static_cast<double>(theta));
    const double k = 1.0 - c;
    const double x = a.x;
    const double y = a.y;
    const double z = a.z;
    Matrix4 r;
    // e_x: a x e_x = (0, z, -y)
    r.m[0][0] = static_cast<float>(c + x * x * k);
    r.m[0][1] = static_cast<float>(z * s + x * y * k);
    r.m[0][2] = static_cast<float>(-y * s + x * z * k);
    // e_y: a x e_y = (-z, 0, x)
    r.m[1][0] = static_cast<float>(-z * s + y * x * k);
    r.m[1][1] = static_cast<float>(c + y * y * k);
    r.m[1][2] = static_cast<float>(x * s + y * z * k);
    // e_z: a x e_z = (y, -x, 0)
    r.m[2][0] = static_cast<float>(y * s + z * x * k);
    r.m[2][1] = static_cast<float>(-x * s + z * y * k);
    r.m[2][2] = static_cast<float>(c + z * z * k);
    return r;
}

D3DVECTOR Matrix4::TransformPoint(const D3DVECTOR& p) const {
    return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
            p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
            p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

D3DVECTOR Matrix4::TransformDirection(const D3DVECTOR& d) const {
    return {d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0],
            d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
            d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]};
}

bool Matrix4::Inverse(Matrix4& out) const {
    // 3x3 part by cofactors, in double.
    const double a00 = m[0][0], a01 = m[0][1], a02 = m[0][2];
    const double a10 = m[1][0], a11 = m[1][1], a12 = m[1][2];
    const double a20 = m[2][0], a21 = m[2][1], a22 = m[2][2];
    const double c00 = a11 * a22 - a12 * a21;
    const double c01 = a12 * a20 - a10 * a22;
    const double c02 = a10 * a21 - a11 * a20;
    const double det = a00 * c00 + a01 * c01 + a02 * c02;
    if (!std::isfinite(det) || std::fabs(det) < 1e-30) {
        out = Identity();
        return false;
    }
    const double inv = 1.0 / det;
    double r[3][3];
    r[0][0] = c00 * inv;
    r[0][1] = (a02 * a21 - a01 * a22) * inv;
    r[0][2] = (a01 * a12 - a02 * a11) * inv;
    r[1][0] = c01 * inv;
    r[1][1] = (a00 * a22 - a02 * a20) * inv;
    r[1][2] = (a02 * a10 - a00 * a12) * inv;
    r[2][0] = c02 * inv;
    r[2][1] = (a01 * a20 - a00 * a21) * inv;
    r[2][2] = (a00 * a11 - a01 * a10) * inv;
    Matrix4 o;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            o.m[i][j] = static_cast<float>(r[i][j]);
        }
    }
    // p = (q - t) * L^-1  =>  translation row is -t * L^-1.
    const double tx = m[3][0], ty = m[3][1], tz = m[3][2];
    for (int j = 0; j < 3; ++j) {
        o.m[3][j] = static_cast<float>(-(tx * r[0][j] + ty * r[1][j] + tz * r[2][j]));
    }
    out = o;
    return true;
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
        }
    }
    for (int j = 0; j < 3; ++j) {
        r.m[3][j] =
            a.m[3][0] * b.m[0][j] + a.m[3][1] * b.m[1][j] + a.m[3][2] * b.m[2][j] + b.m[3][j];
    }
    return r;
}

}  // namespace rm
