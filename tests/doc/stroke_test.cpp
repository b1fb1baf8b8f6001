#include <cmath>
#include <numbers>
#include <vector>

#include "doc/tarno_doc.h"
#include "platform/core/vector_math.h"
#include "platform/rm/root.h"
#include "tests/support/loader_test_support.h"

namespace {

using doc::CTarnoDoc;
using rm::D3DVECTOR;

constexpr float kW = 0.05F;

float DistanceFromAxis(const D3DVECTOR& p, const D3DVECTOR& a, const D3DVECTOR& unit) {
    const D3DVECTOR ap = p - a;
    const D3DVECTOR along = rm::D3DRMVectorDotProduct(ap, unit) * unit;
    return rm::Length(ap - along);
}

class Stroke : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rm::Succeeded(rm::Direct3DRMCreate(m_root))); }
    const rm::MeshData& Lay(D3DVECTOR a, D3DVECTOR b, rm::D3DCOLOR color = 0xFF00FF00U) {
        EXPECT_TRUE(rm::Succeeded(m_root->CreateMeshBuilder(m_mesh)));
        m_kept.push_back(m_mesh);  // earlier results stay readable
        m_laid = CTarnoDoc::AddStroke(*m_mesh, kW, a, b, color);
        return m_mesh->Data();
    }
    rm::RootPtr m_root;
    rm::MeshBuilderPtr m_mesh;
    std::vector<rm::MeshBuilderPtr> m_kept;
    bool m_laid = false;
};

TEST_F(Stroke, HasTenFacesSixteenVerticesEightNormals) {
    const rm::MeshData& m = Lay({0, 0, 0}, {10, 0, 0});
    ASSERT_TRUE(m_laid);
    EXPECT_EQ(m.faces.size(), 10U);
    EXPECT_EQ(m.positions.size(), 16U);
    EXPECT_EQ(m.normals.size(), 8U);
    EXPECT_EQ(m.faces[0].cornerCount, 8U);
    EXPECT_EQ(m.faces[9].cornerCount, 8U);
    for (std::size_t f = 1; f < 9; ++f) EXPECT_EQ(m.faces[f].cornerCount, 4U);
    for (const rm::FaceRecord& f : m.faces) EXPECT_EQ(f.color, 0xFF00FF00U);
    // Marked as a stroke for the renderer; polygon faces of the same mesh are not.
    for (const rm::FaceRecord& f : m.faces) EXPECT_EQ(f.flags, rm::kFaceStroke);
    rm::Face polygon;
    ASSERT_TRUE(rm::Succeeded(m_mesh->CreateFace(polygon)));
    EXPECT_EQ(polygon.GetFlags(), 0U);
    EXPECT_EQ(rm::Face().SetFlags(rm::kFaceStroke), rm::Result::BadObject);
}

TEST_F(Stroke, EveryFaceFacesOut) {
    for (const auto& [a, b] : {std::pair<D3DVECTOR, D3DVECTOR>{{0, 0, 0}, {10, 0, 0}},
                               {{0, 0, 0}, {0, 0, 4}},
                               {{1, 2, 3}, {1, 9, 3}},
                               {{-5, 3, 7}, {2, -4, 11}}}) {
        Lay(a, b);
        ASSERT_TRUE(m_laid);
        const D3DVECTOR centre = 0.5F * (a + b);
        for (std::uint32_t f = 0; f < 10; ++f) {
            rm::Face face;
            ASSERT_TRUE(rm::Succeeded(m_mesh->GetFace(f, face)));
            D3DVECTOR n;
            ASSERT_TRUE(rm::Succeeded(face.GetNormal(n)));
            D3DVECTOR c{};
            for (std::uint32_t k = 0; k < face.GetVertexCount(); ++k) {
                D3DVECTOR p;
                ASSERT_TRUE(rm::Succeeded(face.GetVertex(k, p)));
                c = c + p;
            }
            c = (1.0F / static_cast<float>(face.GetVertexCount())) * c;
            EXPECT_GT(rm::D3DRMVectorDotProduct(n, c - centre), 0.0F) << "face " << f;
        }
        // Vertex normals point out through their corners.
        const rm::MeshData& m = m_mesh->Data();
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_GT(rm::D3DRMVectorDotProduct(m.normals[i], m.positions[i] - a), 0.0F);
            EXPECT_NEAR(rm::Length(m.normals[i]), 1.0F, 1e-5F);
        }
    }
}

TEST_F(Stroke, RegularOctagonAroundTheAxis) {
    const D3DVECTOR a{1, 2, 3};
    const D3DVECTOR b{4, -2, 15};
    const rm::MeshData& m = Lay(a, b);
    ASSERT_TRUE(m_laid);
    D3DVECTOR d = b - a;
    ASSERT_TRUE(rm::Succeeded(rm::D3DRMVectorNormalize(d)));
    const float corner = kW / std::cos(std::numbers::pi_v<float> / 8.0F);
    EXPECT_NEAR(corner / kW, 1.0824F, 1e-4F);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_NEAR(DistanceFromAxis(m.positions[i], a, d), corner, 1e-5F) << "vertex " << i;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        // Side midpoints lie at the half-width; the two rings sit at a and at b.
        const D3DVECTOR mid = 0.5F * (m.positions[i] + m.positions[(i + 1) % 8]);
        EXPECT_NEAR(DistanceFromAxis(mid, a, d), kW, 1e-5F) << "side " << i;
        EXPECT_NEAR(rm::D3DRMVectorDotProduct(m.positions[i] - a, d), 0.0F, 1e-5F);
        EXPECT_NEAR(rm::D3DRMVectorDotProduct(m.positions[8 + i] - b, d), 0.0F, 1e-4F);
    }
}

TEST_F(Stroke, CrossVectorLiesInThePlaneXZero) {
    const float k = std::sqrt(2.0F) - 1.0F;
    // Along x: u = (0, 0, 1), v = d x u = (0, -1, 0), so corner 0 = a + (0, -kw, w).
    const rm::MeshData& alongX = Lay({0, 0, 0}, {10, 0, 0});
    EXPECT_NEAR(alongX.positions[0].x, 0.0F, 1e-6F);
    EXPECT_NEAR(alongX.positions[0].y, -k * kW, 1e-6F);
    EXPECT_NEAR(alongX.positions[0].z, kW, 1e-6F);
    EXPECT_NEAR(std::hypot(alongX.positions[0].y, alongX.positions[0].z), 0.0541F, 1e-4F);
    // Along z: u = (0, 1, 0), v = (-1, 0, 0).
    const rm::MeshData& alongZ = Lay({0, 0, 0}, {0, 0, 3});
    EXPECT_NEAR(alongZ.positions[0].x, -k * kW, 1e-6F);
    EXPECT_NEAR(alongZ.positions[0].y, kW, 1e-6F);
    // Along y: u = (0, 0, 1), v = (1, 0, 0).
    const rm::MeshData& alongY = Lay({0, 0, 0}, {0, 7, 0});
    EXPECT_NEAR(alongY.positions[0].x, k * kW, 1e-6F);
    EXPECT_NEAR(alongY.positions[0].z, kW, 1e-6F);
    // Any d with d.y != 0 gives u.z > 0: O0 - k V = U has a positive z.
    const rm::MeshData& slanted = Lay({0, 0, 0}, {3, 4, -5});
    const D3DVECTOR u = (1.0F / kW) * (0.5F * (slanted.positions[0] + slanted.positions[7]));
    EXPECT_NEAR(u.x, 0.0F, 1e-6F);
    EXPECT_GT(u.z, 0.0F);
}

TEST_F(Stroke, CoincidentEndsLayNothing) {
    const rm::MeshData& m = Lay({3, 3, 3}, {3, 3, 3});
    EXPECT_FALSE(m_laid);
    EXPECT_TRUE(m.faces.empty());
    EXPECT_TRUE(m.positions.empty());
}

TEST_F(Stroke, FarFromTheOriginStaysFinite) {
    const rm::MeshData& m =
        Lay({2147483647.0F, -2147483648.0F, 0}, {-2147483648.0F, 2147483647.0F, 1});
    ASSERT_TRUE(m_laid);
    for (const D3DVECTOR& p : m.positions) {
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    }
    for (const D3DVECTOR& n : m.normals) {
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
}

}  // namespace
