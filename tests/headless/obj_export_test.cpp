#include "app/headless/obj_export.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// A mesh built by hand, so that each rule of the writer can be seen on its own.
class MeshFixture {
public:
    // Adds a face with its own positions (and normals, when given).
    void Face(rm::D3DCOLOR color, std::vector<rm::D3DVECTOR> corners,
              std::vector<rm::D3DVECTOR> normals = {}) {
        rm::FaceRecord face;
        face.firstCorner = static_cast<std::uint32_t>(data.corners.size());
        face.cornerCount = static_cast<std::uint32_t>(corners.size());
        face.cornerCapacity = face.cornerCount;
        face.color = color;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            rm::Corner c;
            c.position = static_cast<std::uint32_t>(data.positions.size());
            data.positions.push_back(corners[i]);
            if (i < normals.size()) {
                c.normal = static_cast<std::uint32_t>(data.normals.size());
                data.normals.push_back(normals[i]);
            }
            data.corners.push_back(c);
        }
        data.faces.push_back(face);
    }
    rm::MeshData data;
};

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

TEST(ObjExport, NegatesZTurnsTheWindingAndSwitchesMaterialOnlyOnChange) {
    MeshFixture m;
    m.Face(0xFFFF0000U, {{0, 0, 0}, {1, 0, 0}, {0, 1, -2.5F}});
    m.Face(0xFFFF0000U, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}});
    m.Face(0xFF0000FFU, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}}, {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}});
    m.Face(0xFFFF0000U, {{0.125F, -1e7F, 1.0F / 3.0F}, {2, 2, 2}, {3, 3, 3}});

    const app::ObjText text = app::ExportObj(m.data, "model.mtl", "model.api");
    const std::vector<std::string> expected = {
        "mtllib model.mtl",  "usemtl c_FF0000", "v 0 0 0",
        "v 0 1 2.5",         "v 1 0 0",         "f 1 2 3",
        "v 1 2 -3",          "v 10 11 -12",     "v 7 8 -9",
        "v 4 5 -6",          "f 4 5 6 7",       "usemtl c_0000FF",
        "v 0 0 -1",          "vn 0 0 1",        "v 1 1 -1",
        "vn 0 0 1",          "v 1 0 -1",        "vn 0 0 1",
        "f 8//1 9//2 10//3", "usemtl c_FF0000", "v 0.125 -1e+07 -0.333333",
        "v 3 3 -3",          "v 2 2 -2",        "f 11 12 13",
    };
    EXPECT_EQ(LinesOf(text.obj), expected);
    const std::vector<std::string> materials = {"newmtl c_FF0000", "Kd 1 0 0", "newmtl c_0000FF",
                                                "Kd 0 0 1"};
    EXPECT_EQ(LinesOf(text.mtl), materials);
}

TEST(ObjExport, MaterialKdIsTheColourOverTwoFiftyFiveAndIgnoresAlpha) {
    MeshFixture m;
    m.Face(0x80CC7F33U, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    const app::ObjText text = app::ExportObj(m.data, "x.mtl", "x.api");
    EXPECT_EQ(LinesOf(text.mtl),
              (std::vector<std::string>{"newmtl c_CC7F33", "Kd 0.8 0.498039 0.2"}));
}

TEST(ObjExport, FacesThatCannotBeWrittenAreLeftOutAndNumberingStaysRight) {
    MeshFixture m;
    m.Face(0xFFFFFFFFU, {{0, 0, 0}, {1, 0, 0}});  // two corners: no OBJ face
    m.Face(0xFFFFFFFFU, {});
    m.Face(0xFFFFFFFFU, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    // A face whose normals are only partly there is written without any.
    m.Face(0xFFFFFFFFU, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}});
    const auto lines = LinesOf(app::ExportObj(m.data, "x.mtl", "x.api").obj);
    const std::vector<std::string> expected = {
        "mtllib x.mtl", "usemtl c_FFFFFF", "v 0 0 0", "v 0 1 0", "v 1 0 0",
        "f 1 2 3",      "v 0 0 0",         "v 0 1 0", "v 1 0 0", "f 4 5 6"};
    EXPECT_EQ(lines, expected);
}

// The normal that a right-handed tool takes for an OBJ face: out of the side from which
// its corners read counter-clockwise.
rm::D3DVECTOR CounterClockwiseNormal(const std::vector<rm::D3DVECTOR>& p) {
    rm::D3DVECTOR n;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const rm::D3DVECTOR& a = p[i];
        const rm::D3DVECTOR& b = p[(i + 1) % p.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

std::vector<rm::D3DVECTOR> ObjVertices(const std::string& obj) {
    std::vector<rm::D3DVECTOR> v;
    std::istringstream in(obj);
    for (std::string tag; in >> tag;) {
        if (tag == "v") {
            rm::D3DVECTOR p;
            in >> p.x >> p.y >> p.z;
            v.push_back(p);
        } else {
            in.ignore(1 << 20, '\n');
        }
    }
    return v;
}

TEST(ObjExport, AFaceSeenByTheCameraFacesTheViewerOfTheObj) {
    // Clockwise as the scene's camera (at -z, looking along +z) sees it: its front faces
    // that camera. An OBJ viewer looks from +z along -z at the unmirrored object, so there
    // the face must read counter-clockwise from +z.
    MeshFixture m;
    m.Face(0xFFFFFFFFU, {{0, 1, -5}, {1, 0, -5}, {0, -1, -5}, {-1, 0, -5}});
    const auto v = ObjVertices(app::ExportObj(m.data, "x.mtl", "x.api").obj);
    ASSERT_EQ(v.size(), 4U);
    for (const auto& p : v) EXPECT_FLOAT_EQ(p.z, 5.0F);
    const rm::D3DVECTOR n = CounterClockwiseNormal(v);
    EXPECT_GT(n.z, 0.0F);
    EXPECT_FLOAT_EQ(n.x, 0.0F);
    EXPECT_FLOAT_EQ(n.y, 0.0F);
}

TEST(ObjExport, EmptyMeshGivesOnlyTheHeader) {
    const rm::MeshData empty;
    const app::ObjText text = app::ExportObj(empty, "e.mtl", "e.api");
    EXPECT_EQ(LinesOf(text.obj), std::vector<std::string>{"mtllib e.mtl"});
    EXPECT_TRUE(LinesOf(text.mtl).empty());
}

}  // namespace
