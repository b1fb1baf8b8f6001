#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/rm/revision.h"
#include "platform/rm/root.h"
#include "tests/support/near.h"

namespace {

using rm::D3DVECTOR;
using rm::Face;
using rm::FaceArray;
using rm::MeshBuilderPtr;
using rm::Result;
using tarno_test::Near;

class RmMesh : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
        ASSERT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
    }
    Face Scratch(std::initializer_list<D3DVECTOR> corners) {
        Face f;
        EXPECT_EQ(root->CreateFace(f), Result::Ok);
        for (const D3DVECTOR& c : corners) {
            EXPECT_EQ(f.AddVertex(c.x, c.y, c.z), Result::Ok);
        }
        return f;
    }
    // Everything AddFaces may touch, to show a failed call left it all as it was.
    struct Snapshot {
        std::size_t positions, normals, corners, faces;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot Take() const {
        const rm::MeshData& d = mesh->Data();
        return {d.positions.size(), d.normals.size(), d.corners.size(), d.faces.size()};
    }

    rm::RootPtr root;
    MeshBuilderPtr mesh;
};

TEST_F(RmMesh, GetNormalOfClockwiseFaceSeenFromTheFrontPointsAtTheViewer) {
    // In the z = 0 plane seen from -z (x right, y up): (0,0) -> (0,1) -> (1,0) is clockwise.
    const Face f = Scratch({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    D3DVECTOR n;
    ASSERT_EQ(f.GetNormal(n), Result::Ok);
    EXPECT_TRUE(Near(n, {0, 0, -1}, 1e-6F));
}

TEST_F(RmMesh, GetNormalOfTheReversedFacePointsTheOtherWay) {
    const Face f = Scratch({{1, 0, 0}, {0, 1, 0}, {0, 0, 0}});
    D3DVECTOR n;
    ASSERT_EQ(f.GetNormal(n), Result::Ok);
    EXPECT_TRUE(Near(n, {0, 0, 1}, 1e-6F));
}

TEST_F(RmMesh, GetNormalOfPolygonsInOtherPlanesAndFarFromTheOrigin) {
    // A square in the plane y = 5 seen from above (+y, looking down with +z "up" on screen
    // and +x to the left... simplest checked by the dot product with the expected side).
    const Face top = Scratch({{0, 5, 0}, {0, 5, 1}, {1, 5, 1}, {1, 5, 0}});
    D3DVECTOR n;
    ASSERT_EQ(top.GetNormal(n), Result::Ok);
    EXPECT_TRUE(Near(n, {0, 1, 0}, 1e-6F));
    // A slanted concave pentagon far from the origin keeps its precision.
    const Face far = Scratch({{1e6F, 1e6F, 1e6F},
                              {1e6F, 1e6F + 4, 1e6F + 4},
                              {1e6F + 2, 1e6F + 2, 1e6F + 2},
                              {1e6F + 4, 1e6F + 4, 1e6F + 4},
                              {1e6F + 4, 1e6F, 1e6F}});
    ASSERT_EQ(far.GetNormal(n), Result::Ok);
    const float r2 = std::sqrt(2.0F);
    EXPECT_TRUE(Near(n, {0, 1 / r2, -1 / r2}, 1e-5F));
}

TEST_F(RmMesh, GetNormalOfDegenerateFacesIsZeroAndBadValue) {
    D3DVECTOR n{5, 5, 5};
    EXPECT_EQ(Scratch({}).GetNormal(n), Result::BadValue);
    EXPECT_EQ(n, (D3DVECTOR{}));
    n = {5, 5, 5};
    EXPECT_EQ(Scratch({{0, 0, 0}, {1, 1, 1}}).GetNormal(n), Result::BadValue);
    EXPECT_EQ(n, (D3DVECTOR{}));
    n = {5, 5, 5};
    EXPECT_EQ(Scratch({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}).GetNormal(n), Result::BadValue);
    EXPECT_EQ(n, (D3DVECTOR{}));
    EXPECT_EQ(Scratch({{3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {3, 3, 3}}).GetNormal(n), Result::BadValue);
    EXPECT_EQ(Scratch({{0.1F, 0.7F, 0}, {0.3F, 2.1F, 0}, {0.7F, 4.9F, 0}}).GetNormal(n),
              Result::BadValue);  // collinear up to rounding
    EXPECT_EQ(n, (D3DVECTOR{}));
}

TEST_F(RmMesh, DefaultFaceRefersToNothing) {
    Face f;
    EXPECT_FALSE(f);
    D3DVECTOR n;
    EXPECT_EQ(f.AddVertex(0, 0, 0), Result::BadObject);
    EXPECT_EQ(f.SetColor(0xFF00FF00U), Result::BadObject);
    EXPECT_EQ(f.SetColorRGB(1, 1, 1), Result::BadObject);
    EXPECT_EQ(f.GetNormal(n), Result::BadObject);
    EXPECT_EQ(f.GetVertex(0, n), Result::BadObject);
    EXPECT_EQ(f.GetVertexCount(), 0U);
    EXPECT_EQ(f.GetColor(), 0U);
    FaceArray none;
    EXPECT_EQ(none.GetSize(), 0U);
    EXPECT_EQ(none.GetElement(0, f), Result::BadObject);
}

TEST_F(RmMesh, RootFaceBelongsToNoMesh) {
    const Face f = Scratch({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    EXPECT_TRUE(f);
    EXPECT_EQ(f.GetVertexCount(), 3U);
    EXPECT_EQ(mesh->GetFaceCount(), 0U);
    EXPECT_EQ(f.GetColor(), 0xFFFFFFFFU);
}

TEST_F(RmMesh, CreateFaceKeepsFacesInOrderWithTheirColoursAndVertices) {
    std::vector<Face> faces(5);
    for (std::size_t i = 0; i < faces.size(); ++i) {
        ASSERT_EQ(mesh->CreateFace(faces[i]), Result::Ok);
        EXPECT_EQ(faces[i].GetColor(), 0xFFFFFFFFU);  // white until set
        ASSERT_EQ(faces[i].SetColor(0xFF000000U + static_cast<std::uint32_t>(i)), Result::Ok);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(faces[i].AddVertex(static_cast<float>(i), static_cast<float>(k), 0),
                      Result::Ok);
        }
    }
    ASSERT_EQ(mesh->GetFaceCount(), 5U);
    for (std::uint32_t i = 0; i < 5; ++i) {
        Face f;
        ASSERT_EQ(mesh->GetFace(i, f), Result::Ok);
        EXPECT_EQ(f.GetColor(), 0xFF000000U + i);
        D3DVECTOR v;
        ASSERT_EQ(f.GetVertex(2, v), Result::Ok);
        EXPECT_EQ(v, (D3DVECTOR{static_cast<float>(i), 2, 0}));
        EXPECT_EQ(f.GetVertex(3, v), Result::NotFound);
    }
    Face f;
    EXPECT_EQ(mesh->GetFace(5, f), Result::NotFound);
    // The in-order fill is one append per vertex: no holes.
    EXPECT_EQ(mesh->Data().corners.size(), 15U);
    EXPECT_EQ(mesh->Data().positions.size(), 15U);
}

TEST_F(RmMesh, AddVertexToAnEarlierFaceKeepsEveryFaceIntact) {
    Face a;
    Face b;
    ASSERT_EQ(mesh->CreateFace(a), Result::Ok);
    ASSERT_EQ(mesh->CreateFace(b), Result::Ok);
    // Interleave: each AddVertex on the face that is not at the end relocates it.
    for (int k = 0; k < 40; ++k) {
        ASSERT_EQ(a.AddVertex(static_cast<float>(k), 0, 0), Result::Ok);
        ASSERT_EQ(b.AddVertex(0, static_cast<float>(k), 0), Result::Ok);
    }
    ASSERT_EQ(a.GetVertexCount(), 40U);
    ASSERT_EQ(b.GetVertexCount(), 40U);
    for (std::uint32_t k = 0; k < 40; ++k) {
        D3DVECTOR v;
        ASSERT_EQ(a.GetVertex(k, v), Result::Ok);
        EXPECT_EQ(v, (D3DVECTOR{static_cast<float>(k), 0, 0}));
        ASSERT_EQ(b.GetVertex(k, v), Result::Ok);
        EXPECT_EQ(v, (D3DVECTOR{0, static_cast<float>(k), 0}));
    }
    // Amortised: relocations double the room, so the pool stays within a small multiple.
    EXPECT_LT(mesh->Data().corners.size(), 4U * 80U);
    const rm::FaceRecord& ra = mesh->Data().faces[0];
    const rm::FaceRecord& rb = mesh->Data().faces[1];
    EXPECT_GE(ra.cornerCapacity, ra.cornerCount);
    EXPECT_GE(rb.cornerCapacity, rb.cornerCount);
    const bool disjoint = ra.firstCorner + ra.cornerCapacity <= rb.firstCorner ||
                          rb.firstCorner + rb.cornerCapacity <= ra.firstCorner;
    EXPECT_TRUE(disjoint);
}

// The flags share a word of the face record with the corner room: neither may disturb the
// other, and a flag the record has no room for is refused rather than cut off.
TEST_F(RmMesh, FlagsAndCornerRoomShareTheRecordWithoutDisturbingEachOther) {
    Face a;
    Face b;
    ASSERT_EQ(mesh->CreateFace(a), Result::Ok);
    ASSERT_EQ(mesh->CreateFace(b), Result::Ok);
    ASSERT_EQ(a.SetFlags(rm::kFaceStroke), Result::Ok);
    for (int k = 0; k < 40; ++k) {  // relocations and growth in place, both
        ASSERT_EQ(a.AddVertex(static_cast<float>(k), 0, 0), Result::Ok);
        if (k % 3 == 0) {
            ASSERT_EQ(b.AddVertex(0, static_cast<float>(k), 0), Result::Ok);
        }
    }
    EXPECT_EQ(a.GetFlags(), rm::kFaceStroke);
    EXPECT_EQ(b.GetFlags(), 0U);
    EXPECT_EQ(a.GetColor(), 0xFFFFFFFFU);
    const rm::FaceRecord& ra = mesh->Data().faces[0];
    EXPECT_EQ(ra.cornerCount, 40U);
    EXPECT_GE(ra.cornerCapacity, 40U);
    ASSERT_EQ(a.SetFlags(0), Result::Ok);
    EXPECT_EQ(mesh->Data().faces[0].cornerCapacity, ra.cornerCapacity);
    EXPECT_EQ(a.SetFlags(rm::kFaceFlagMask + 1), Result::BadValue);
    EXPECT_EQ(a.SetFlags(0x80000000U | rm::kFaceStroke), Result::BadValue);
    EXPECT_EQ(a.GetFlags(), 0U);
    D3DVECTOR v;
    ASSERT_EQ(a.GetVertex(39, v), Result::Ok);
    EXPECT_EQ(v, (D3DVECTOR{39, 0, 0}));
    static_assert(sizeof(rm::FaceRecord) == 16);
}

TEST_F(RmMesh, AddVertexRejectsNonFiniteCoordinates) {
    Face f;
    ASSERT_EQ(mesh->CreateFace(f), Result::Ok);
    EXPECT_EQ(f.AddVertex(std::numeric_limits<float>::quiet_NaN(), 0, 0), Result::BadValue);
    EXPECT_EQ(f.AddVertex(0, std::numeric_limits<float>::infinity(), 0), Result::BadValue);
    EXPECT_EQ(f.GetVertexCount(), 0U);
}

TEST_F(RmMesh, SetColorRGBClampsAndRounds) {
    Face f;
    ASSERT_EQ(mesh->CreateFace(f), Result::Ok);
    ASSERT_EQ(f.SetColorRGB(1.0F, 0.5F, 0.0F), Result::Ok);
    EXPECT_EQ(f.GetColor(), 0xFFFF8000U);
    ASSERT_EQ(f.SetColorRGB(2.0F, -1.0F, 0.2F), Result::Ok);
    EXPECT_EQ(f.GetColor(), 0xFFFF0033U);
    EXPECT_EQ(f.SetColorRGB(std::numeric_limits<float>::quiet_NaN(), 0, 0), Result::BadValue);
    EXPECT_EQ(f.GetColor(), 0xFFFF0033U);
}

TEST_F(RmMesh, MeshSetColorColoursEveryFace) {
    Face a;
    Face b;
    ASSERT_EQ(mesh->CreateFace(a), Result::Ok);
    ASSERT_EQ(mesh->CreateFace(b), Result::Ok);
    ASSERT_EQ(a.SetColor(0xFF112233U), Result::Ok);
    ASSERT_EQ(mesh->SetColor(0xFF445566U), Result::Ok);
    EXPECT_EQ(a.GetColor(), 0xFF445566U);
    EXPECT_EQ(b.GetColor(), 0xFF445566U);
}

TEST_F(RmMesh, SetQuality) {
    EXPECT_EQ(mesh->GetQuality(), rm::D3DRMRENDER_GOURAUD);
    ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_FLAT), Result::Ok);
    EXPECT_EQ(mesh->GetQuality(), 0x88U);
    ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_WIREFRAME), Result::Ok);
    EXPECT_EQ(mesh->GetQuality(), 0x40U);
    EXPECT_EQ(mesh->SetQuality(0x400), Result::BadValue);
    EXPECT_EQ(mesh->GetQuality(), 0x40U);
}

// Two triangles and a quad over five vertices, with normals.
const std::array<D3DVECTOR, 5> kVertices{{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}}};
const std::array<D3DVECTOR, 2> kNormals{{{0, 0, -1}, {0, 0, 1}}};

TEST_F(RmMesh, AddFacesWithNormalsAppendsFacesInOrder) {
    Face first;
    ASSERT_EQ(mesh->CreateFace(first), Result::Ok);                   // already there: stays first
    const std::vector<std::uint32_t> data{3, 0, 0, 1, 0, 2, 0,        // triangle
                                          4, 0, 1, 1, 1, 3, 1, 2, 1,  // quad
                                          3, 2, 0, 3, 0, 4, 0,        // triangle
                                          0};
    FaceArray array;
    ASSERT_EQ(mesh->AddFaces(kVertices, kNormals, data, &array), Result::Ok);
    ASSERT_EQ(array.GetSize(), 3U);
    ASSERT_EQ(mesh->GetFaceCount(), 4U);
    const std::array<std::uint32_t, 3> counts{3, 4, 3};
    for (std::uint32_t i = 0; i < 3; ++i) {
        Face f;
        ASSERT_EQ(array.GetElement(i, f), Result::Ok);
        EXPECT_EQ(f.GetVertexCount(), counts[i]);
        ASSERT_EQ(f.SetColor(0xFF000010U + i), Result::Ok);
        Face same;
        ASSERT_EQ(mesh->GetFace(i + 1, same), Result::Ok);
        EXPECT_EQ(same.GetColor(), 0xFF000010U + i);  // array element i is mesh face 1 + i
    }
    Face f;
    EXPECT_EQ(array.GetElement(3, f), Result::NotFound);
    // The quad's corners and normals, in winding order.
    ASSERT_EQ(array.GetElement(1, f), Result::Ok);
    D3DVECTOR v;
    ASSERT_EQ(f.GetVertex(3, v), Result::Ok);
    EXPECT_EQ(v, (D3DVECTOR{1, 0, 0}));
    const rm::MeshData& d = mesh->Data();
    const rm::FaceRecord& quad = d.faces[2];
    EXPECT_EQ(d.normals[d.corners[quad.firstCorner].normal], (D3DVECTOR{0, 0, 1}));
    EXPECT_EQ(d.positions.size(), 5U);
    EXPECT_EQ(d.normals.size(), 2U);
    // The first face's GetNormal is the clockwise one.
    ASSERT_EQ(array.GetElement(0, f), Result::Ok);
    ASSERT_EQ(f.GetNormal(v), Result::Ok);
    EXPECT_TRUE(Near(v, {0, 0, -1}));
}

// Colour and flags set on a whole array reach exactly its faces: not the face made before
// it nor the one made after; a bad flag changes nothing.
TEST_F(RmMesh, AFaceArraysColourAndFlagsReachOnlyItsFaces) {
    Face before;
    ASSERT_EQ(mesh->CreateFace(before), Result::Ok);
    const std::vector<std::uint32_t> data{3, 0, 1, 2, 3, 1, 3, 4, 3, 2, 3, 4, 0};
    FaceArray array;
    ASSERT_EQ(mesh->AddFaces(kVertices, {}, data, &array), Result::Ok);
    Face after;
    ASSERT_EQ(mesh->CreateFace(after), Result::Ok);

    EXPECT_EQ(array.SetColor(0xFF102030U), Result::Ok);
    EXPECT_EQ(array.SetFlags(rm::kFaceStroke), Result::Ok);
    EXPECT_EQ(array.SetFlags(rm::kFaceFlagMask + 1), Result::BadValue);
    const rm::MeshData& d = mesh->Data();
    ASSERT_EQ(d.faces.size(), 5U);
    for (std::size_t i = 1; i <= 3; ++i) {
        EXPECT_EQ(d.faces[i].color, 0xFF102030U) << i;
        EXPECT_EQ(d.faces[i].flags, rm::kFaceStroke) << i;
    }
    for (const std::size_t i : {std::size_t{0}, std::size_t{4}}) {
        EXPECT_EQ(d.faces[i].color, 0xFFFFFFFFU) << i;
        EXPECT_EQ(d.faces[i].flags, 0U) << i;
    }
    FaceArray none;
    EXPECT_EQ(none.SetColor(0xFF000000U), Result::BadObject);
    EXPECT_EQ(none.SetFlags(0), Result::BadObject);
}

TEST_F(RmMesh, AddFacesWithoutNormalsTakesSingleVertexIndices) {
    const std::vector<std::uint32_t> data{3, 0, 1, 2, 4, 1, 3, 4, 2, 0};
    FaceArray array;
    ASSERT_EQ(mesh->AddFaces(kVertices, {}, data, &array), Result::Ok);
    ASSERT_EQ(array.GetSize(), 2U);
    Face f;
    ASSERT_EQ(array.GetElement(1, f), Result::Ok);
    D3DVECTOR v;
    ASSERT_EQ(f.GetVertex(2, v), Result::Ok);
    EXPECT_EQ(v, (D3DVECTOR{2, 0, 0}));
    const rm::MeshData& d = mesh->Data();
    EXPECT_EQ(d.corners[d.faces[1].firstCorner].normal, rm::kNoNormal);
}

TEST_F(RmMesh, AddFacesEndsAtZeroOrAtTheEndOfTheData) {
    // Entries after the 0 are never read, even if they would be bad.
    const std::vector<std::uint32_t> data{3, 0, 1, 2, 0, 1, 99};
    ASSERT_EQ(mesh->AddFaces(kVertices, {}, data, nullptr), Result::Ok);
    EXPECT_EQ(mesh->GetFaceCount(), 1U);
    // A list that ends with the span, on a face boundary, is complete.
    const std::vector<std::uint32_t> unterminated{3, 0, 1, 2};
    ASSERT_EQ(mesh->AddFaces(kVertices, {}, unterminated, nullptr), Result::Ok);
    EXPECT_EQ(mesh->GetFaceCount(), 2U);
    // Empty lists add no face.
    FaceArray array;
    ASSERT_EQ(mesh->AddFaces(kVertices, {}, std::vector<std::uint32_t>{0}, &array), Result::Ok);
    EXPECT_EQ(array.GetSize(), 0U);
    ASSERT_EQ(mesh->AddFaces({}, {}, {}, &array), Result::Ok);
    EXPECT_EQ(array.GetSize(), 0U);
    EXPECT_EQ(mesh->GetFaceCount(), 2U);
}

TEST_F(RmMesh, AddFacesRejectsBadDataAndLeavesTheMeshUnchanged) {
    ASSERT_EQ(mesh->AddFaces(kVertices, {}, std::vector<std::uint32_t>{3, 0, 1, 2, 0}, nullptr),
              Result::Ok);
    const Snapshot before = Take();
    const std::vector<std::vector<std::uint32_t>> bad{
        {1, 0, 0},                           // count 1
        {2, 0, 0, 1, 0, 0},                  // count 2
        {3, 0, 0, 1, 0, 2, 0, 2, 0, 0, 0},   // a good face, then count 2
        {3, 0, 0, 1, 0, 5, 0, 0},            // vertex index past the vertices
        {3, 0, 0, 1, 0, 2, 2, 0},            // normal index past the normals
        {3, 0, 0, 1, 0, 0xFFFFFFFFU, 0, 0},  // huge vertex index
        {3, 0, 0, 1, 0, 2},                  // runs past the end (half an entry missing)
        {3, 0, 0, 1, 0},                     // runs past the end
        {3, 0, 0, 1, 0, 2, 0, 4, 0, 0},      // second face runs past the end
        {0xFFFFFFFFU, 0, 0, 0},              // a count far past the end
    };
    for (const auto& data : bad) {
        FaceArray array(nullptr, 0, 0);
        EXPECT_EQ(mesh->AddFaces(kVertices, kNormals, data, &array), Result::BadFaceData)
            << ::testing::PrintToString(data);
        EXPECT_EQ(Take(), before) << ::testing::PrintToString(data);
        EXPECT_EQ(array.GetSize(), 0U);
    }
    // Without normals every entry is one index, so the same lists mean other things.
    EXPECT_EQ(mesh->AddFaces(kVertices, {}, std::vector<std::uint32_t>{3, 0, 1, 9, 0}, nullptr),
              Result::BadFaceData);
    EXPECT_EQ(mesh->AddFaces(kVertices, {}, std::vector<std::uint32_t>{4, 0, 1, 2}, nullptr),
              Result::BadFaceData);
    EXPECT_EQ(Take(), before);
}

TEST_F(RmMesh, AddFacesRejectsNonFiniteVertices) {
    const std::array<D3DVECTOR, 3> v{
        {{0, 0, 0}, {0, 1, 0}, {std::numeric_limits<float>::quiet_NaN(), 0, 0}}};
    const Snapshot before = Take();
    EXPECT_EQ(mesh->AddFaces(v, {}, std::vector<std::uint32_t>{3, 0, 1, 2, 0}, nullptr),
              Result::BadValue);
    EXPECT_EQ(Take(), before);
}

TEST_F(RmMesh, MixingCreateFaceAndAddFacesKeepsTheOrder) {
    Face a;
    ASSERT_EQ(mesh->CreateFace(a), Result::Ok);
    ASSERT_EQ(a.SetColor(0xFF0000A0U), Result::Ok);
    FaceArray array;
    ASSERT_EQ(mesh->AddFaces(kVertices, {}, std::vector<std::uint32_t>{3, 0, 1, 2, 0}, &array),
              Result::Ok);
    Face b;
    ASSERT_EQ(array.GetElement(0, b), Result::Ok);
    ASSERT_EQ(b.SetColor(0xFF0000B0U), Result::Ok);
    Face c;
    ASSERT_EQ(mesh->CreateFace(c), Result::Ok);
    ASSERT_EQ(c.SetColor(0xFF0000C0U), Result::Ok);
    // a is filled only now: its corners move, the order of faces does not.
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(a.AddVertex(static_cast<float>(k), 1, 1), Result::Ok);
    }
    const std::array<std::uint32_t, 3> colours{0xFF0000A0U, 0xFF0000B0U, 0xFF0000C0U};
    for (std::uint32_t i = 0; i < 3; ++i) {
        Face f;
        ASSERT_EQ(mesh->GetFace(i, f), Result::Ok);
        EXPECT_EQ(f.GetColor(), colours[i]);
    }
    D3DVECTOR v;
    ASSERT_EQ(b.GetVertex(1, v), Result::Ok);
    EXPECT_EQ(v, (D3DVECTOR{0, 1, 0}));
}

TEST_F(RmMesh, MemoryBytesCountsThePoolsCapacity) {
    EXPECT_EQ(mesh->Data().MemoryBytes(), 0U);
    mesh->Reserve(100, 400);
    const rm::MeshData& d = mesh->Data();
    EXPECT_GE(d.faces.capacity(), 100U);
    EXPECT_GE(d.corners.capacity(), 400U);
    const std::size_t expected =
        d.positions.capacity() * sizeof(D3DVECTOR) + d.normals.capacity() * sizeof(D3DVECTOR) +
        d.corners.capacity() * sizeof(rm::Corner) + d.faces.capacity() * sizeof(rm::FaceRecord) +
        d.faceAppData.capacity() * sizeof(std::uint32_t);
    EXPECT_GE(d.faceAppData.capacity(), 100U);
    EXPECT_EQ(d.MemoryBytes(), expected);
    EXPECT_GE(d.MemoryBytes(), 100 * sizeof(rm::FaceRecord) + 400 * sizeof(rm::Corner));
}

TEST_F(RmMesh, FaceChangesAdvanceTheRevision) {
    Face f;
    std::uint64_t r = rm::CurrentRevision();
    ASSERT_EQ(mesh->CreateFace(f), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), r);
    r = rm::CurrentRevision();
    ASSERT_EQ(f.AddVertex(1, 2, 3), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), r);
    r = rm::CurrentRevision();
    ASSERT_EQ(f.SetColor(0xFF123456U), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), r);
    r = rm::CurrentRevision();
    ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_WIREFRAME), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), r);
    r = rm::CurrentRevision();
    D3DVECTOR n;
    (void)f.GetNormal(n);
    (void)mesh->GetFaceCount();
    EXPECT_EQ(rm::CurrentRevision(), r);
}

TEST_F(RmMesh, ADetachedMeshAnnouncesItsChangesOnceWhenAttached) {
    mesh->Detach();
    std::uint64_t r = rm::CurrentRevision();
    std::uint32_t p = 0;
    ASSERT_EQ(mesh->AddPosition({1, 2, 3}, p), Result::Ok);
    const std::array<std::uint32_t, 3> corners{p, p, p};
    ASSERT_EQ(mesh->AddFaceAt(corners, 0xFF00FF00U), Result::Ok);
    ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_WIREFRAME), Result::Ok);
    EXPECT_EQ(rm::CurrentRevision(), r);
    mesh->Attach();
    EXPECT_GT(rm::CurrentRevision(), r);
    r = rm::CurrentRevision();
    mesh->Attach();  // already attached: nothing new to announce
    EXPECT_EQ(rm::CurrentRevision(), r);
    ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_FLAT), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), r);
    EXPECT_EQ(mesh->GetFaceCount(), 1U);
}

TEST_F(RmMesh, AddFaceAtSharesPositionsAndKeepsOrderWithOtherFaces) {
    std::array<std::uint32_t, 4> at{};
    const std::array<D3DVECTOR, 4> square = {D3DVECTOR{0, 0, 5}, D3DVECTOR{0, 1, 5},
                                             D3DVECTOR{1, 1, 5}, D3DVECTOR{1, 0, 5}};
    Face first;
    ASSERT_EQ(mesh->CreateFace(first), Result::Ok);  // an ordinary face before
    ASSERT_EQ(first.AddVertex(9, 9, 9), Result::Ok);
    for (std::size_t i = 0; i < square.size(); ++i) {
        ASSERT_EQ(mesh->AddPosition(square[i], at[i]), Result::Ok);
    }
    const std::uint64_t before = rm::CurrentRevision();
    ASSERT_EQ(mesh->AddFaceAt(at, 0xFF102030U), Result::Ok);
    EXPECT_GT(rm::CurrentRevision(), before);
    // The same corners the other way round: the back face, on the same positions.
    const std::array<std::uint32_t, 4> back = {at[3], at[2], at[1], at[0]};
    ASSERT_EQ(mesh->AddFaceAt(back, 0xFF405060U), Result::Ok);
    ASSERT_EQ(mesh->GetFaceCount(), 3U);
    EXPECT_EQ(mesh->Data().positions.size(), 5U);
    EXPECT_EQ(mesh->Data().corners.size(), 1U);
    EXPECT_EQ(mesh->Data().plainCorners.size(), 8U);  // positions alone, no normals

    Face f;
    ASSERT_EQ(mesh->GetFace(1, f), Result::Ok);
    EXPECT_EQ(f.GetColor(), 0xFF102030U);
    ASSERT_EQ(f.GetVertexCount(), 4U);
    D3DVECTOR v;
    for (std::uint32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(f.GetVertex(i, v), Result::Ok);
        EXPECT_EQ(v, square[i]);
    }
    D3DVECTOR n;
    ASSERT_EQ(f.GetNormal(n), Result::Ok);
    EXPECT_TRUE(Near(n, {0, 0, -1}));  // clockwise seen from the origin: faces it
    ASSERT_EQ(mesh->GetFace(2, f), Result::Ok);
    EXPECT_EQ(f.GetColor(), 0xFF405060U);
    ASSERT_EQ(f.GetNormal(n), Result::Ok);
    EXPECT_TRUE(Near(n, {0, 0, 1}));
    ASSERT_EQ(f.GetVertex(0, v), Result::Ok);
    EXPECT_EQ(v, square[3]);

    // A face made this way still takes more corners, without disturbing its neighbours.
    ASSERT_EQ(mesh->GetFace(1, f), Result::Ok);
    ASSERT_EQ(f.AddVertex(0.5F, -1, 5), Result::Ok);
    ASSERT_EQ(f.GetVertexCount(), 5U);
    ASSERT_EQ(f.GetVertex(3, v), Result::Ok);
    EXPECT_EQ(v, square[3]);
    ASSERT_EQ(f.GetVertex(4, v), Result::Ok);
    EXPECT_EQ(v, (D3DVECTOR{0.5F, -1, 5}));
    ASSERT_EQ(mesh->GetFace(2, f), Result::Ok);
    ASSERT_EQ(f.GetVertexCount(), 4U);
    ASSERT_EQ(f.GetVertex(0, v), Result::Ok);
    EXPECT_EQ(v, square[3]);
    ASSERT_EQ(first.GetVertex(0, v), Result::Ok);
    EXPECT_EQ(v, (D3DVECTOR{9, 9, 9}));
}

TEST_F(RmMesh, AddFaceAtAndAddPositionRejectBadInputAndChangeNothing) {
    std::uint32_t at = 0;
    ASSERT_EQ(mesh->AddPosition({1, 2, 3}, at), Result::Ok);
    const Snapshot before = Take();
    const std::array<std::uint32_t, 3> outside = {at, at, at + 1};
    EXPECT_EQ(mesh->AddFaceAt(outside, 0xFFFFFFFFU), Result::BadValue);
    EXPECT_EQ(Take(), before);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::uint32_t unchanged = 77;
    EXPECT_EQ(mesh->AddPosition({inf, 0, 0}, unchanged), Result::BadValue);
    EXPECT_EQ(mesh->AddPosition({0, nan, 0}, unchanged), Result::BadValue);
    EXPECT_EQ(unchanged, 77U);
    EXPECT_EQ(Take(), before);
    // No corners at all is an empty face, as CreateFace makes.
    ASSERT_EQ(mesh->AddFaceAt({}, 0xFF000000U), Result::Ok);
    EXPECT_EQ(mesh->GetFaceCount(), 1U);
    Face f;
    ASSERT_EQ(mesh->GetFace(0, f), Result::Ok);
    EXPECT_EQ(f.GetVertexCount(), 0U);
}

}  // namespace
