// Ring prisms: faces without corners of their own. Read through the mesh they give the
// corners the prism's pattern names; a face that grows takes corners of its own; a part's
// prisms join a mesh after its own, or, where the join's map scatters their vertices, as
// faces with corners of their own.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/rm/mesh_builder.h"
#include "tests/support/mesh_checks.h"

namespace {

using rm::D3DVECTOR;
using rm::MeshBuilder;
using rm::Result;

// A prism around the x axis from x0 to x1: ring vertices on a circle of radius 1.
struct Prism {
    std::array<D3DVECTOR, 16> vertices{};
    std::array<D3DVECTOR, 8> normals{};
};

Prism MakePrism(float x0, float x1) {
    Prism p;
    for (int i = 0; i < 8; ++i) {
        const float a = static_cast<float>(i) * 0.785398F;
        const D3DVECTOR ring{0.0F, std::cos(a), std::sin(a)};
        p.vertices[static_cast<std::size_t>(i)] = {x0, ring.y, ring.z};
        p.vertices[static_cast<std::size_t>(8 + i)] = {x1, ring.y, ring.z};
        p.normals[static_cast<std::size_t>(i)] = ring;
    }
    return p;
}

// Face i's corners as (position, normal) values.
std::vector<std::pair<D3DVECTOR, D3DVECTOR>> CornerValues(const rm::MeshData& m, std::size_t i) {
    rm::CornerScratch scratch;
    std::vector<std::pair<D3DVECTOR, D3DVECTOR>> out;
    for (const rm::Corner& c : m.CornersOf(m.faces.at(i), scratch)) {
        out.emplace_back(m.positions.at(c.position),
                         c.normal == rm::kNoNormal ? D3DVECTOR{} : m.normals.at(c.normal));
    }
    return out;
}

bool Same(const D3DVECTOR& a, const D3DVECTOR& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

void ExpectSameFaces(const rm::MeshData& a, std::size_t firstA, const rm::MeshData& b,
                     std::size_t firstB, std::size_t count) {
    for (std::size_t f = 0; f < count; ++f) {
        const auto x = CornerValues(a, firstA + f);
        const auto y = CornerValues(b, firstB + f);
        ASSERT_EQ(x.size(), y.size()) << "face " << f;
        ASSERT_EQ(x.size(), a.faces[firstA + f].cornerCount) << "face " << f;
        for (std::size_t k = 0; k < x.size(); ++k) {
            EXPECT_TRUE(Same(x[k].first, y[k].first)) << "face " << f << " corner " << k;
            EXPECT_TRUE(Same(x[k].second, y[k].second)) << "face " << f << " corner " << k;
        }
    }
}

TEST(RmMeshPrism, FacesReadAsTheRingsCapsAndSidesInTurn) {
    MeshBuilder mesh;
    const Prism p = MakePrism(-2.0F, 3.0F);
    rm::FaceArray faces;
    ASSERT_EQ(mesh.AddPrism(p.vertices, p.normals, &faces), Result::Ok);
    ASSERT_EQ(faces.GetSize(), 10U);
    const rm::MeshData& d = mesh.Data();
    EXPECT_TRUE(d.corners.empty());
    EXPECT_EQ(d.CornerTotal(), 48U);
    EXPECT_EQ(tarno_test::MeshFault(d), "");

    // The first cap runs 7 down to 0, the last 8 up to 15; side i is i, i+1, 9+i, 8+i,
    // its normals those of its two edges.
    const auto first = CornerValues(d, 0);
    const auto last = CornerValues(d, 9);
    ASSERT_EQ(first.size(), 8U);
    ASSERT_EQ(last.size(), 8U);
    for (std::size_t k = 0; k < 8; ++k) {
        EXPECT_TRUE(Same(first[k].first, p.vertices[7 - k]));
        EXPECT_TRUE(Same(first[k].second, p.normals[7 - k]));
        EXPECT_TRUE(Same(last[k].first, p.vertices[8 + k]));
        EXPECT_TRUE(Same(last[k].second, p.normals[k]));
    }
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t j = (i + 1) % 8;
        const auto side = CornerValues(d, 1 + i);
        ASSERT_EQ(side.size(), 4U);
        EXPECT_TRUE(Same(side[0].first, p.vertices[i]));
        EXPECT_TRUE(Same(side[1].first, p.vertices[j]));
        EXPECT_TRUE(Same(side[2].first, p.vertices[8 + j]));
        EXPECT_TRUE(Same(side[3].first, p.vertices[8 + i]));
        EXPECT_TRUE(Same(side[2].second, p.normals[j]));
        EXPECT_TRUE(Same(side[3].second, p.normals[i]));
    }

    // Face handles read the same corners; every normal points out of the prism.
    rm::Face face;
    ASSERT_EQ(mesh.GetFace(3, face), Result::Ok);
    EXPECT_EQ(face.GetVertexCount(), 4U);
    D3DVECTOR v;
    ASSERT_EQ(face.GetVertex(2, v), Result::Ok);
    EXPECT_TRUE(Same(v, p.vertices[11]));
    EXPECT_EQ(face.GetVertex(4, v), Result::NotFound);
    D3DVECTOR n;
    ASSERT_EQ(face.GetNormal(n), Result::Ok);
    EXPECT_NEAR(n.y * p.normals[2].y + n.z * p.normals[2].z, 0.92, 0.01);  // between normals 2 and 3
    ASSERT_EQ(mesh.GetFace(0, face), Result::Ok);
    ASSERT_EQ(face.GetNormal(n), Result::Ok);
    EXPECT_NEAR(n.x, -1.0F, 1e-6F);
    ASSERT_EQ(mesh.GetFace(9, face), Result::Ok);
    ASSERT_EQ(face.GetNormal(n), Result::Ok);
    EXPECT_NEAR(n.x, 1.0F, 1e-6F);
}

TEST(RmMeshPrism, RefusesWhatIsNotFiniteAndAddsNothing) {
    MeshBuilder mesh;
    Prism p = MakePrism(0.0F, 1.0F);
    p.vertices[13].z = std::numeric_limits<float>::infinity();
    EXPECT_EQ(mesh.AddPrism(p.vertices, p.normals, nullptr), Result::BadValue);
    p = MakePrism(0.0F, 1.0F);
    p.normals[5].y = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(mesh.AddPrism(p.vertices, p.normals, nullptr), Result::BadValue);
    EXPECT_TRUE(mesh.Data().faces.empty());
    EXPECT_TRUE(mesh.Data().positions.empty());
    EXPECT_TRUE(mesh.Data().prisms.empty());
}

TEST(RmMeshPrism, AFaceThatGrowsTakesCornersOfItsOwnAndLeavesTheRest) {
    MeshBuilder mesh;
    const Prism p = MakePrism(0.0F, 4.0F);
    ASSERT_EQ(mesh.AddPrism(p.vertices, p.normals, nullptr), Result::Ok);
    ASSERT_EQ(mesh.AddPrism(p.vertices, p.normals, nullptr), Result::Ok);
    MeshBuilder before;
    ASSERT_EQ(before.AddPrism(p.vertices, p.normals, nullptr), Result::Ok);
    ASSERT_EQ(before.AddPrism(p.vertices, p.normals, nullptr), Result::Ok);

    rm::Face face;
    ASSERT_EQ(mesh.GetFace(14, face), Result::Ok);  // a side of the second prism
    ASSERT_EQ(face.AddVertex(2.0F, 5.0F, 5.0F), Result::Ok);
    ASSERT_EQ(face.AddVertex(2.0F, 6.0F, 6.0F), Result::Ok);
    const rm::MeshData& d = mesh.Data();
    EXPECT_EQ(d.faces[14].prism, 0U);
    EXPECT_EQ(face.GetVertexCount(), 6U);
    const auto grown = CornerValues(d, 14);
    const auto was = CornerValues(before.Data(), 14);
    ASSERT_EQ(grown.size(), 6U);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_TRUE(Same(grown[k].first, was[k].first)) << k;
        EXPECT_TRUE(Same(grown[k].second, was[k].second)) << k;
    }
    EXPECT_TRUE(Same(grown[5].first, {2.0F, 6.0F, 6.0F}));
    ExpectSameFaces(d, 0, before.Data(), 0, 14);
    ExpectSameFaces(d, 15, before.Data(), 15, 5);
    EXPECT_EQ(tarno_test::MeshFault(d), "");
}

TEST(RmMeshPrism, APartsPrismsJoinAfterTheMeshsOwn) {
    const Prism a = MakePrism(0.0F, 1.0F);
    const Prism b = MakePrism(5.0F, 9.0F);
    MeshBuilder whole;
    ASSERT_EQ(whole.AddPrism(a.vertices, a.normals, nullptr), Result::Ok);
    MeshBuilder part{MeshBuilder::Detached{}};
    std::uint32_t q = 0;
    ASSERT_EQ(part.AddPosition({7, 7, 7}, q), Result::Ok);  // shifts the prism's vertices
    const std::array<std::uint32_t, 3> tri{q, q, q};
    ASSERT_EQ(part.AddFaceAt(tri, 0xFF123456U), Result::Ok);
    ASSERT_EQ(part.AddPrism(b.vertices, b.normals, nullptr), Result::Ok);
    MeshBuilder alone;
    ASSERT_EQ(alone.AddPrism(b.vertices, b.normals, nullptr), Result::Ok);

    std::vector<std::uint32_t> map(17);
    for (std::uint32_t i = 0; i < 17; ++i) map[i] = 16 + i;
    ASSERT_EQ(whole.AppendTaking(part, map), Result::Ok);
    const rm::MeshData& d = whole.Data();
    ASSERT_EQ(d.prisms.size(), 2U);
    EXPECT_EQ(d.prisms[1].firstPosition, 17U);
    EXPECT_EQ(d.prisms[1].firstNormal, 8U);
    ASSERT_EQ(d.faces.size(), 21U);
    EXPECT_EQ(d.faces[11].PrismIndex(), 1U);
    ExpectSameFaces(d, 11, alone.Data(), 0, 10);
    EXPECT_EQ(d.plainCorners.size(), 3U);
    EXPECT_TRUE(part.Data().prisms.empty());
    EXPECT_EQ(tarno_test::MeshFault(d), "");
}

TEST(RmMeshPrism, AMapThatScattersAPrismGivesItsFacesCornersOfTheirOwn) {
    const Prism a = MakePrism(0.0F, 1.0F);
    MeshBuilder whole;
    ASSERT_EQ(whole.AddPrism(a.vertices, a.normals, nullptr), Result::Ok);
    // The part's prism has the same vertices; the map names the whole's own for all but
    // vertex 5, which is appended.
    MeshBuilder part{MeshBuilder::Detached{}};
    ASSERT_EQ(part.AddPrism(a.vertices, a.normals, nullptr), Result::Ok);
    std::vector<std::uint32_t> map(16);
    for (std::uint32_t i = 0; i < 16; ++i) map[i] = i;
    map[5] = 16;
    ASSERT_EQ(whole.Append(part.Data(), map), Result::Ok);
    const rm::MeshData& d = whole.Data();
    EXPECT_EQ(d.prisms.size(), 1U);
    ASSERT_EQ(d.faces.size(), 20U);
    for (std::size_t f = 10; f < 20; ++f) EXPECT_EQ(d.faces[f].prism, 0U) << f;
    EXPECT_EQ(d.corners.size(), 48U);
    ExpectSameFaces(d, 10, d, 0, 10);  // the same values through other indices
    EXPECT_EQ(d.corners[d.faces[10].firstCorner + 2].position, 16U);  // vertex 5 of the cap
    EXPECT_EQ(d.corners[d.faces[10].firstCorner].normal, 8U + 7U);     // normals after the whole's
    EXPECT_EQ(tarno_test::MeshFault(d), "");
}

TEST(RmMeshPrism, AFaceNamingAPrismTheMeshLacksHasNoCorners) {
    MeshBuilder mesh;
    const Prism p = MakePrism(0.0F, 1.0F);
    ASSERT_EQ(mesh.AddPrism(p.vertices, p.normals, nullptr), Result::Ok);
    rm::MeshData d = mesh.Data();
    rm::CornerScratch scratch;
    d.faces[4].firstCorner = rm::FaceRecord::PrismFaceIndex(1, 4);  // past the prisms
    EXPECT_TRUE(d.CornersOf(d.faces[4], scratch).empty());
    d.faces[5].firstCorner = rm::FaceRecord::PrismFaceIndex(0, 12);  // past the pattern
    EXPECT_TRUE(d.CornersOf(d.faces[5], scratch).empty());
    d.faces[6].cornerCount = 8;  // a side has four
    EXPECT_TRUE(d.CornersOf(d.faces[6], scratch).empty());
    EXPECT_NE(tarno_test::MeshFault(d), "");
}

}  // namespace
