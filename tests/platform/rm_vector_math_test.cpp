#include <cmath>
#include <limits>
#include <numbers>

#include "platform/core/vector_math.h"
#include "tests/support/near.h"

namespace {

using rm::D3DVECTOR;
using rm::Matrix4;
using rm::Result;
using tarno_test::Near;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0F;

TEST(RmVectorMath, CrossProductUsesTheOrdinaryFormula) {
    EXPECT_EQ(rm::D3DRMVectorCrossProduct({1, 0, 0}, {0, 1, 0}), (D3DVECTOR{0, 0, 1}));
    EXPECT_EQ(rm::D3DRMVectorCrossProduct({0, 1, 0}, {1, 0, 0}), (D3DVECTOR{0, 0, -1}));
    EXPECT_EQ(rm::D3DRMVectorCrossProduct({1, 2, 3}, {4, 5, 6}), (D3DVECTOR{-3, 6, -3}));
}

TEST(RmVectorMath, DotProduct) {
    EXPECT_FLOAT_EQ(rm::D3DRMVectorDotProduct({1, 2, 3}, {4, -5, 6}), 12.0F);
    EXPECT_FLOAT_EQ(rm::D3DRMVectorDotProduct({1, 0, 0}, {0, 1, 0}), 0.0F);
}

TEST(RmVectorMath, NormalizeScalesToUnitLength) {
    D3DVECTOR v{3, 0, 4};
    ASSERT_EQ(rm::D3DRMVectorNormalize(v), Result::Ok);
    EXPECT_TRUE(Near(v, {0.6F, 0, 0.8F}, 1e-6F));
    D3DVECTOR big{1e30F, 1e30F, 0};  // its squared length overflows a float
    ASSERT_EQ(rm::D3DRMVectorNormalize(big), Result::Ok);
    EXPECT_TRUE(Near(big, {std::sqrt(0.5F), std::sqrt(0.5F), 0}, 1e-6F));
    D3DVECTOR small{1e-20F, 0, 0};  // its squared length underflows a float
    ASSERT_EQ(rm::D3DRMVectorNormalize(small), Result::Ok);
    EXPECT_TRUE(Near(small, {1, 0, 0}, 1e-6F));
}

TEST(RmVectorMath, NormalizeRejectsZeroTinyAndNonFiniteVectorsUnchanged) {
    D3DVECTOR zero{};
    EXPECT_EQ(rm::D3DRMVectorNormalize(zero), Result::BadValue);
    EXPECT_EQ(zero, (D3DVECTOR{}));
    D3DVECTOR denormal{1e-40F, 0, 0};
    EXPECT_EQ(rm::D3DRMVectorNormalize(denormal), Result::BadValue);
    EXPECT_EQ(denormal.x, 1e-40F);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    D3DVECTOR withNan{nan, 1, 0};
    EXPECT_EQ(rm::D3DRMVectorNormalize(withNan), Result::BadValue);
    D3DVECTOR withInf{inf, 1, 0};
    EXPECT_EQ(rm::D3DRMVectorNormalize(withInf), Result::BadValue);
    EXPECT_EQ(withInf.x, inf);
}

TEST(RmVectorMath, VectorOperators) {
    const D3DVECTOR a{1, 2, 3};
    const D3DVECTOR b{4, 5, 6};
    EXPECT_EQ(a + b, (D3DVECTOR{5, 7, 9}));
    EXPECT_EQ(b - a, (D3DVECTOR{3, 3, 3}));
    EXPECT_EQ(-a, (D3DVECTOR{-1, -2, -3}));
    EXPECT_EQ(a * 2.0F, (D3DVECTOR{2, 4, 6}));
    EXPECT_EQ(2.0F * a, (D3DVECTOR{2, 4, 6}));
    EXPECT_FLOAT_EQ(rm::Length({2, 3, 6}), 7.0F);
}

TEST(RmMatrix, RowVectorConvention) {
    const Matrix4 t = Matrix4::Translation({1, 2, 3});
    EXPECT_EQ(t.TransformPoint({10, 20, 30}), (D3DVECTOR{11, 22, 33}));
    EXPECT_EQ(t.TransformDirection({10, 20, 30}), (D3DVECTOR{10, 20, 30}));
    EXPECT_EQ(t.Translation(), (D3DVECTOR{1, 2, 3}));
    // p * (a * b) == (p * a) * b: a first.
    const Matrix4 r = Matrix4::Rotation({0, 0, 1}, kHalfPi);
    const D3DVECTOR p{1, 0, 0};
    EXPECT_TRUE(Near((t * r).TransformPoint(p), r.TransformPoint(t.TransformPoint(p))));
    EXPECT_TRUE(Near((t * r).TransformPoint(p), {-2, 2, 3}));
    EXPECT_TRUE(Near((r * t).TransformPoint(p), {1, 3, 3}));
}

TEST(RmMatrix, RotationTurnsYTowardsZAboutX) {
    const Matrix4 r = Matrix4::Rotation({1, 0, 0}, kHalfPi);
    EXPECT_TRUE(Near(r.TransformDirection({0, 1, 0}), {0, 0, 1}));
    EXPECT_TRUE(Near(r.TransformDirection({0, 0, 1}), {0, -1, 0}));
    EXPECT_TRUE(Near(r.TransformDirection({1, 0, 0}), {1, 0, 0}));
    // The same sense about the other axes: z towards x about y, x towards y about z.
    EXPECT_TRUE(
        Near(Matrix4::Rotation({0, 1, 0}, kHalfPi).TransformDirection({0, 0, 1}), {1, 0, 0}));
    EXPECT_TRUE(
        Near(Matrix4::Rotation({0, 0, 1}, kHalfPi).TransformDirection({1, 0, 0}), {0, 1, 0}));
}

TEST(RmMatrix, RotationMatchesRodriguesFormula) {
    D3DVECTOR a{1, 2, -2};
    ASSERT_EQ(rm::D3DRMVectorNormalize(a), Result::Ok);
    const float t = 0.7F;
    const Matrix4 r = Matrix4::Rotation(a, t);
    const D3DVECTOR p{0.3F, -1.5F, 2.0F};
    const D3DVECTOR expected = p * std::cos(t) + rm::D3DRMVectorCrossProduct(a, p) * std::sin(t) +
                               a * (rm::D3DRMVectorDotProduct(a, p) * (1.0F - std::cos(t)));
    EXPECT_TRUE(Near(r.TransformPoint(p), expected, 1e-5F));
    // A rotation keeps lengths and the axis.
    EXPECT_NEAR(rm::Length(r.TransformPoint(p)), rm::Length(p), 1e-5F);
    EXPECT_TRUE(Near(r.TransformDirection(a), a, 1e-6F));
}

TEST(RmMatrix, InverseUndoesAnAffineMatrix) {
    Matrix4 m = Matrix4::Rotation({0, 0.6F, 0.8F}, 1.1F) * Matrix4::Translation({5, -3, 2});
    m.m[0][0] *= 2.0F;  // not only rigid motions
    Matrix4 inv;
    ASSERT_TRUE(m.Inverse(inv));
    EXPECT_TRUE(Near(m * inv, Matrix4::Identity(), 1e-5F));
    EXPECT_TRUE(Near(inv * m, Matrix4::Identity(), 1e-5F));
}

TEST(RmMatrix, InverseOfSingularMatrixIsIdentityAndFalse) {
    Matrix4 m;
    m.m[1][0] = m.m[1][1] = m.m[1][2] = 0.0F;
    Matrix4 inv = Matrix4::Translation({1, 1, 1});
    EXPECT_FALSE(m.Inverse(inv));
    EXPECT_EQ(inv, Matrix4::Identity());
}

TEST(RmTypes, ResultNamesAndColourHelpers) {
    EXPECT_STREQ(rm::ResultName(Result::Ok), "Ok");
    EXPECT_STREQ(rm::ResultName(Result::BadFaceData), "BadFaceData");
    EXPECT_STREQ(rm::ResultName(Result::Unsupported), "Unsupported");
    EXPECT_STREQ(rm::ResultName(static_cast<Result>(99)), "Unknown");
    EXPECT_EQ(rm::MakeColor(0x12, 0x34, 0x56), 0xFF123456U);
    EXPECT_EQ(rm::RedOf(0x80123456U), 0x12);
    EXPECT_EQ(rm::AlphaOf(0x80123456U), 0x80);
    EXPECT_TRUE(rm::IsValidQuality(rm::D3DRMRENDER_FLAT));
    EXPECT_TRUE(rm::IsValidQuality(rm::D3DRMRENDER_GOURAUD));
    EXPECT_TRUE(rm::IsValidQuality(rm::D3DRMRENDER_WIREFRAME));
    EXPECT_FALSE(rm::IsValidQuality(0x2));     // Phong: not drawn
    EXPECT_FALSE(rm::IsValidQuality(0x10));    // a light value other than off and on
    EXPECT_FALSE(rm::IsValidQuality(0xC0));    // a fill value past solid
    EXPECT_FALSE(rm::IsValidQuality(0x1000));  // bits outside the three fields
}

}  // namespace
