// Appending a part built apart: faces in order, corners through the position map,
// normals after the mesh's own, and nothing changed when the map is not one the mesh can
// follow. A detached builder announces no revision.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/rm/mesh_builder.h"
#include "platform/rm/revision.h"

namespace {

using rm::D3DVECTOR;
using rm::MeshBuilder;
using rm::Result;

TEST(RmMeshAppend, FacesCornersNormalsAndSharedPositions) {
    MeshBuilder whole;
    std::uint32_t p0 = 0;
    std::uint32_t p1 = 0;
    std::uint32_t p2 = 0;
    ASSERT_EQ(whole.AddPosition({0, 0, 0}, p0), Result::Ok);
    ASSERT_EQ(whole.AddPosition({1, 0, 0}, p1), Result::Ok);
    ASSERT_EQ(whole.AddPosition({0, 1, 0}, p2), Result::Ok);
    whole.SetNewFaceAppData(3);
    const std::array<std::uint32_t, 3> first{p0, p1, p2};
    ASSERT_EQ(whole.AddFaceAt(first, 0xFF00FF00U), Result::Ok);

    const std::uint64_t before = rm::CurrentRevision();
    MeshBuilder part{MeshBuilder::Detached{}};
    std::uint32_t q0 = 0;
    std::uint32_t q1 = 0;
    ASSERT_EQ(part.AddPosition({0, 1, 0}, q0), Result::Ok);  // stands for p2
    ASSERT_EQ(part.AddPosition({5, 5, 5}, q1), Result::Ok);
    part.SetNewFaceAppData(9);
    const std::array<std::uint32_t, 3> second{q1, q0, q1};
    ASSERT_EQ(part.AddFaceAt(second, 0xFF0000FFU), Result::Ok);
    // A face with normals of its own, as strokes have.
    const std::array<D3DVECTOR, 3> vertices{{{0, 0, 0}, {0, 0, 1}, {1, 0, 0}}};
    const std::array<D3DVECTOR, 1> normals{{{0, 1, 0}}};
    const std::array<std::uint32_t, 8> data{3, 0, 0, 1, 0, 2, 0, 0};
    ASSERT_EQ(part.AddFaces(vertices, normals, data, nullptr), Result::Ok);
    EXPECT_EQ(rm::CurrentRevision(), before);  // nothing draws the part yet

    const std::vector<std::uint32_t> map{p2, 3, 4, 5, 6};  // q0 is p2; the rest appended
    ASSERT_EQ(whole.Append(part.Data(), map), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), before);

    const rm::MeshData& d = whole.Data();
    ASSERT_EQ(d.positions.size(), 7U);
    EXPECT_EQ(d.positions[3].x, 5.0F);
    EXPECT_EQ(d.positions[6].x, 1.0F);
    ASSERT_EQ(d.faces.size(), 3U);
    EXPECT_EQ(d.faces[1].color, 0xFF0000FFU);
    // Faces made by AddFaceAt keep plain corners, the others full ones, each pool after
    // the mesh's own.
    EXPECT_EQ(d.faces[1].plain, 1U);
    EXPECT_EQ(d.faces[1].firstCorner, 3U);
    EXPECT_EQ(d.faces[2].plain, 0U);
    EXPECT_EQ(d.faces[2].firstCorner, 0U);
    ASSERT_EQ(d.plainCorners.size(), 6U);
    EXPECT_EQ(d.plainCorners[3], 3U);
    EXPECT_EQ(d.plainCorners[4], p2);
    ASSERT_EQ(d.corners.size(), 3U);
    EXPECT_EQ(d.corners[1].position, 5U);
    EXPECT_EQ(d.corners[1].normal, 0U);
    ASSERT_EQ(d.normals.size(), 1U);
    EXPECT_EQ(d.faceAppData, (std::vector<std::uint32_t>{3, 9, 9}));
}

TEST(RmMeshAppend, MapsTheMeshCannotFollowChangeNothing) {
    MeshBuilder whole;
    std::uint32_t p = 0;
    ASSERT_EQ(whole.AddPosition({0, 0, 0}, p), Result::Ok);
    MeshBuilder part{MeshBuilder::Detached{}};
    std::uint32_t q = 0;
    ASSERT_EQ(part.AddPosition({1, 1, 1}, q), Result::Ok);
    ASSERT_EQ(part.AddPosition({2, 2, 2}, q), Result::Ok);
    const std::array<std::uint32_t, 3> corners{0, 1, 0};
    ASSERT_EQ(part.AddFaceAt(corners, 0xFFFFFFFFU), Result::Ok);

    for (const std::vector<std::uint32_t>& bad : {std::vector<std::uint32_t>{1},        // too short
                                                  std::vector<std::uint32_t>{2, 1},     // a gap
                                                  std::vector<std::uint32_t>{1, 1}}) {  // twice
        EXPECT_EQ(whole.Append(part.Data(), bad), Result::BadValue);
        EXPECT_EQ(whole.Data().positions.size(), 1U);
        EXPECT_TRUE(whole.Data().faces.empty());
        EXPECT_TRUE(whole.Data().corners.empty());
        EXPECT_TRUE(whole.Data().plainCorners.empty());
    }
}

}  // namespace

// A part with enough corners to be copied on a second thread: every corner, in order,
// through the map (shared and new positions alike), normals after the mesh's own.
TEST(RmMeshAppend, ABigPartArrivesWhole) {
    MeshBuilder whole;
    std::uint32_t shared = 0;
    ASSERT_EQ(whole.AddPosition({7, 7, 7}, shared), Result::Ok);
    const std::array<D3DVECTOR, 3> ownVertices{{{0, 0, 0}, {0, 0, 1}, {1, 0, 0}}};
    const std::array<D3DVECTOR, 1> ownNormals{{{1, 0, 0}}};
    const std::array<std::uint32_t, 8> ownData{3, 0, 0, 1, 0, 2, 0, 0};
    ASSERT_EQ(whole.AddFaces(ownVertices, ownNormals, ownData, nullptr), Result::Ok);

    // 100,000 triangles: most on a shared set of 1,000 positions, every tenth with
    // positions and normals of its own.
    MeshBuilder part{MeshBuilder::Detached{}};
    constexpr std::uint32_t kPositions = 1000;
    for (std::uint32_t i = 0; i < kPositions; ++i) {
        std::uint32_t p = 0;
        ASSERT_EQ(part.AddPosition({static_cast<float>(i), 0, 0}, p), Result::Ok);
    }
    const std::array<D3DVECTOR, 2> normals{{{0, 1, 0}, {0, 0, 1}}};
    const std::array<std::uint32_t, 8> withNormals{3, 0, 0, 1, 1, 2, 0, 0};
    for (std::uint32_t f = 0; f < 100'000; ++f) {
        const std::array<std::uint32_t, 3> corners{f % kPositions, (f * 7 + 1) % kPositions,
                                                   (f * 13 + 2) % kPositions};
        if (f % 10 == 0) {
            const float z = static_cast<float>(f);
            const std::array<D3DVECTOR, 3> v{{{0, 0, z}, {0, 1, z}, {1, 0, z}}};
            ASSERT_EQ(part.AddFaces(v, normals, withNormals, nullptr), Result::Ok);
        } else {
            ASSERT_EQ(part.AddFaceAt(corners, 0xFF000000U | f), Result::Ok);
        }
    }
    // Every seventh of the first positions stands for the mesh's own; the others follow
    // the mesh's four positions in order.
    const rm::MeshData& p = part.Data();
    std::vector<std::uint32_t> map(p.positions.size());
    std::uint32_t next = 4;
    for (std::uint32_t i = 0; i < map.size(); ++i) {
        map[i] = i < kPositions && i % 7 == 0 ? shared : next++;
    }
    ASSERT_GE(p.corners.size() + p.plainCorners.size(), std::size_t{1} << 18);
    ASSERT_EQ(whole.Append(p, map), Result::Ok);

    const rm::MeshData& d = whole.Data();
    ASSERT_EQ(d.faces.size(), 100'001U);
    ASSERT_EQ(d.corners.size(), 3 + p.corners.size());
    ASSERT_EQ(d.plainCorners.size(), p.plainCorners.size());
    ASSERT_EQ(d.normals.size(), 1 + p.normals.size());
    rm::CornerScratch partScratch;
    rm::CornerScratch wholeScratch;
    for (std::size_t f = 0; f < p.faces.size(); ++f) {
        const std::span<const rm::Corner> was = p.CornersOf(p.faces[f], partScratch);
        const std::span<const rm::Corner> now = d.CornersOf(d.faces[1 + f], wholeScratch);
        ASSERT_EQ(now.size(), 3U) << "face " << f;
        ASSERT_EQ(was.size(), 3U) << "face " << f;
        for (std::size_t k = 0; k < 3; ++k) {
            ASSERT_EQ(now[k].position, map[was[k].position]) << "face " << f;
            ASSERT_EQ(now[k].normal, was[k].normal == rm::kNoNormal ? rm::kNoNormal
                                                                    : 1 + was[k].normal)
                << "face " << f;
        }
    }
    ASSERT_EQ(d.positions.size(), next);
    for (std::uint32_t i = 0; i < map.size(); ++i) {
        ASSERT_EQ(d.positions[map[i]],
                  i < kPositions && i % 7 == 0 ? (D3DVECTOR{7, 7, 7}) : p.positions[i])
            << "position " << i;
    }
    for (std::uint32_t f = 1; f < d.faces.size(); ++f) {
        ASSERT_EQ(d.faces[f].color, p.faces[f - 1].color) << "face " << f;
    }
    EXPECT_EQ(d.faces[2].color, 0xFF000001U);
}

namespace {

// A mesh of its own and a part of 400,000 triangles (some with their own positions and
// normals, the rest on shared positions): several megabytes, so that taking the part
// gives pages back in the middle of each pool.
void BuildWholeAndPart(MeshBuilder& whole, MeshBuilder& part, std::vector<std::uint32_t>& map) {
    std::uint32_t shared = 0;
    ASSERT_EQ(whole.AddPosition({7, 7, 7}, shared), Result::Ok);
    constexpr std::uint32_t kPositions = 5000;
    for (std::uint32_t i = 0; i < kPositions; ++i) {
        std::uint32_t p = 0;
        ASSERT_EQ(part.AddPosition({static_cast<float>(i), 1, 2}, p), Result::Ok);
    }
    const std::array<D3DVECTOR, 2> normals{{{0, 1, 0}, {0, 0, 1}}};
    const std::array<std::uint32_t, 8> withNormals{3, 0, 0, 1, 1, 2, 0, 0};
    for (std::uint32_t f = 0; f < 400'000; ++f) {
        if (f % 9 == 0) {
            const float z = static_cast<float>(f);
            const std::array<D3DVECTOR, 3> v{{{0, 0, z}, {0, 1, z}, {1, 0, z}}};
            ASSERT_EQ(part.AddFaces(v, normals, withNormals, nullptr), Result::Ok);
        } else {
            const std::array<std::uint32_t, 3> corners{f % kPositions, (f * 7 + 1) % kPositions,
                                                       (f * 13 + 2) % kPositions};
            ASSERT_EQ(part.AddFaceAt(corners, 0xFF000000U | f), Result::Ok);
        }
    }
    map.resize(part.Data().positions.size());
    std::uint32_t next = 1;
    for (std::uint32_t i = 0; i < map.size(); ++i) {
        map[i] = i % 11 == 0 ? shared : next++;
    }
}

template <typename T>
bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

void ExpectSamePools(const rm::MeshData& a, const rm::MeshData& b) {
    EXPECT_TRUE(SameBytes(a.positions, b.positions));
    EXPECT_TRUE(SameBytes(a.normals, b.normals));
    EXPECT_TRUE(SameBytes(a.corners, b.corners));
    EXPECT_TRUE(SameBytes(a.plainCorners, b.plainCorners));
    EXPECT_TRUE(SameBytes(a.faces, b.faces));
    EXPECT_TRUE(SameBytes(a.prisms, b.prisms));
    EXPECT_TRUE(SameBytes(a.faceAppData, b.faceAppData));
}

}  // namespace

TEST(RmMeshAppend, TakingThePartGivesTheSameMeshAndEmptiesThePart) {
    MeshBuilder copied;
    MeshBuilder taken;
    MeshBuilder partToCopy{MeshBuilder::Detached{}};
    MeshBuilder partToTake{MeshBuilder::Detached{}};
    std::vector<std::uint32_t> map;
    std::vector<std::uint32_t> sameMap;
    BuildWholeAndPart(copied, partToCopy, map);
    BuildWholeAndPart(taken, partToTake, sameMap);
    ASSERT_EQ(map, sameMap);
    ASSERT_GT(partToTake.Data().plainCorners.size() * sizeof(std::uint32_t), std::size_t{4} << 20);

    // A map the mesh cannot follow is refused before anything is taken.
    std::vector<std::uint32_t> bad = map;
    bad.back() += 5;
    EXPECT_EQ(taken.AppendTaking(partToTake, bad), Result::BadValue);
    EXPECT_TRUE(SameBytes(partToTake.Data().corners, partToCopy.Data().corners));
    EXPECT_TRUE(SameBytes(partToTake.Data().plainCorners, partToCopy.Data().plainCorners));
    EXPECT_EQ(taken.Data().faces.size(), copied.Data().faces.size());
    // Nor can a mesh take itself.
    EXPECT_EQ(taken.AppendTaking(taken, {}), Result::BadValue);

    ASSERT_EQ(copied.Append(partToCopy.Data(), map), Result::Ok);
    ASSERT_EQ(taken.AppendTaking(partToTake, map), Result::Ok);
    ExpectSamePools(copied.Data(), taken.Data());
    EXPECT_EQ(taken.Data().faces.size(), 400'000U);

    const rm::MeshData& emptied = partToTake.Data();
    EXPECT_TRUE(emptied.positions.empty() && emptied.corners.empty() &&
                emptied.plainCorners.empty() && emptied.faces.empty() &&
                emptied.normals.empty() && emptied.faceAppData.empty());
    // The part can be built on again.
    std::uint32_t p = 0;
    EXPECT_EQ(partToTake.AddPosition({1, 1, 1}, p), Result::Ok);
    EXPECT_EQ(p, 0U);
}

namespace {

// A whole mesh of one face tagged 7, and a part of three faces tagged `tags`.
void BuildTagged(MeshBuilder& whole, MeshBuilder& part, const std::array<std::uint32_t, 3>& tags,
                 std::vector<std::uint32_t>& map) {
    std::uint32_t p = 0;
    ASSERT_EQ(whole.AddPosition({0, 0, 0}, p), Result::Ok);
    whole.SetNewFaceAppData(7);
    const std::array<std::uint32_t, 3> corners{p, p, p};
    ASSERT_EQ(whole.AddFaceAt(corners, 0xFF000000U), Result::Ok);
    std::uint32_t q = 0;
    ASSERT_EQ(part.AddPosition({1, 1, 1}, q), Result::Ok);
    const std::array<std::uint32_t, 3> own{q, q, q};
    for (const std::uint32_t tag : tags) {
        part.SetNewFaceAppData(tag);
        ASSERT_EQ(part.AddFaceAt(own, 0xFF000000U), Result::Ok);
    }
    map = {1};
}

}  // namespace

TEST(RmMeshAppend, TakenFacesDataIsCountedOnFromTheBaseAndStopsAtTheTop) {
    MeshBuilder whole;
    MeshBuilder part{MeshBuilder::Detached{}};
    std::vector<std::uint32_t> map;
    BuildTagged(whole, part, {1, 0xFFFFFF00U, 0xFFFFFFFFU}, map);
    ASSERT_EQ(whole.AppendTaking(part, map, 0x100U), Result::Ok);
    // The mesh's own face keeps its data; the taken ones are moved on by the base, and
    // what would pass the top stays at the top instead of wrapping round to small numbers.
    EXPECT_EQ(whole.Data().faceAppData,
              (std::vector<std::uint32_t>{7, 0x101U, 0xFFFFFFFFU, 0xFFFFFFFFU}));

    MeshBuilder plain;
    MeshBuilder plainPart{MeshBuilder::Detached{}};
    BuildTagged(plain, plainPart, {1, 2, 3}, map);
    ASSERT_EQ(plain.AppendTaking(plainPart, map), Result::Ok);
    EXPECT_EQ(plain.Data().faceAppData, (std::vector<std::uint32_t>{7, 1, 2, 3}));
}

namespace {

// A small part of every kind of face but prisms: plain, with corners and normals of its
// own, and one grown after it was made.
void BuildSmallPart(MeshBuilder& part) {
    std::uint32_t p[4] = {};
    for (std::uint32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(part.AddPosition({static_cast<float>(i), 1, 2}, p[i]), Result::Ok);
    }
    part.SetNewFaceAppData(7);
    const std::array<std::uint32_t, 3> plain{p[0], p[1], p[2]};
    ASSERT_EQ(part.AddFaceAt(plain, 0xFF112233U), Result::Ok);
    const std::array<D3DVECTOR, 3> vertices{{{0, 0, 0}, {0, 0, 1}, {1, 0, 0}}};
    const std::array<D3DVECTOR, 1> normals{{{0, 1, 0}}};
    const std::array<std::uint32_t, 8> data{3, 0, 0, 1, 0, 2, 0, 0};
    ASSERT_EQ(part.AddFaces(vertices, normals, data, nullptr), Result::Ok);
    rm::Face grown;
    ASSERT_EQ(part.GetFace(0, grown), Result::Ok);
    ASSERT_EQ(grown.AddVertex(9, 9, 9), Result::Ok);
}

}  // namespace

TEST(RmMeshAppend, AnEmptyMeshTakesAWholePartAsItIs) {
    MeshBuilder copied;
    MeshBuilder taken;
    MeshBuilder partToCopy{MeshBuilder::Detached{}};
    MeshBuilder partToTake{MeshBuilder::Detached{}};
    BuildSmallPart(partToCopy);
    BuildSmallPart(partToTake);
    std::vector<std::uint32_t> identity(partToCopy.Data().positions.size());
    for (std::uint32_t i = 0; i < identity.size(); ++i) {
        identity[i] = i;
    }
    ASSERT_EQ(copied.Append(partToCopy.Data(), identity), Result::Ok);

    // Neither itself nor into a mesh that holds anything: nothing moves.
    EXPECT_EQ(taken.TakeAll(taken), Result::BadValue);
    EXPECT_EQ(copied.TakeAll(partToTake), Result::BadValue);
    EXPECT_EQ(partToTake.Data().faces.size(), 2U);

    const std::uint64_t before = rm::CurrentRevision();
    ASSERT_EQ(taken.TakeAll(partToTake), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), before);  // something may draw the mesh that took it
    ExpectSamePools(copied.Data(), taken.Data());
    EXPECT_EQ(taken.Data().faces.size(), 2U);

    const rm::MeshData& emptied = partToTake.Data();
    EXPECT_TRUE(emptied.positions.empty() && emptied.corners.empty() &&
                emptied.plainCorners.empty() && emptied.faces.empty() &&
                emptied.normals.empty() && emptied.faceAppData.empty());
    std::uint32_t p = 0;
    EXPECT_EQ(partToTake.AddPosition({1, 1, 1}, p), Result::Ok);
    EXPECT_EQ(p, 0U);
}
