// Strokes on screen: a stroke thinner than a pixel still shows as an unbroken line, while a
// wide one, wireframe and ordinary faces draw exactly as their faces do.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "doc/tarno_doc.h"
#include "platform/raster/renderer.h"
#include "platform/rm/root.h"
#include "tests/support/xorshift.h"

namespace {

using rm::D3DCOLOR;
using rm::D3DVECTOR;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kScale = kHeight / 2.0F / 0.5F;  // pixels per unit at distance 1
constexpr D3DCOLOR kBlack = 0xFF000000U;
constexpr D3DCOLOR kInk = 0xFFC8B4A0U;

struct Segment {
    D3DVECTOR a, b;
};

class StrokePicture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rm::Succeeded(rm::Direct3DRMCreate(m_root)));
        const float k = 1.0F / std::sqrt(3.0F);
        m_light = {{-k, -k, k}, {1.0F, 1.0F, 1.0F}};
    }

    const rm::MeshData& Lay(std::initializer_list<Segment> segments) {
        return Lay(std::span<const Segment>(segments.begin(), segments.size()));
    }
    const rm::MeshData& Lay(std::span<const Segment> segments) {
        EXPECT_TRUE(rm::Succeeded(m_root->CreateMeshBuilder(m_mesh)));
        m_kept.push_back(m_mesh);  // earlier meshes stay readable
        for (const Segment& s : segments) {
            EXPECT_TRUE(doc::CTarnoDoc::AddStroke(*m_mesh, 0.05F, s.a, s.b, kInk));
        }
        return m_mesh->Data();
    }

    // The view's set-up: camera on the z axis `distance` before the origin, field 0.5,
    // planes 1 and 5000, grey ambient 0.3 and one white directional light.
    std::vector<D3DCOLOR> Draw(const rm::MeshData& mesh, float distance, bool antialias = false,
                               rm::D3DRMRENDERQUALITY quality = rm::D3DRMRENDER_FLAT,
                               unsigned threads = 0, rm::RenderStats* stats = nullptr) {
        rm::MeshInstance instance;
        instance.mesh = &mesh;
        instance.quality = quality;
        rm::RenderJob job;
        job.worldToCamera = rm::Matrix4::Translation({0.0F, 0.0F, distance});
        job.front = 1.0F;
        job.back = 5000.0F;
        job.field = 0.5F;
        job.rect = {0, 0, kWidth, kHeight};
        job.ambient = {0.3F, 0.3F, 0.3F};
        job.lights = {&m_light, 1};
        job.meshes = {&instance, 1};
        rm::Renderer renderer(kWidth, kHeight, threads);
        renderer.SetAntialias(antialias);
        renderer.Clear(job.rect, kBlack);
        renderer.Render(job);
        if (stats != nullptr) {
            *stats = renderer.LastStats();
        }
        const rm::PictureView v = renderer.Picture();
        return {v.pixels, v.pixels + static_cast<std::size_t>(kWidth) * kHeight};
    }

    static D3DCOLOR At(const std::vector<D3DCOLOR>& p, int x, int y) {
        return p[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
    }
    static int Green(D3DCOLOR c) { return static_cast<int>((c >> 8) & 0xFFU); }

    // Screen position of a point of the z = 0 plane.
    static float ScreenX(float x, float distance) { return kWidth / 2.0F + x * kScale / distance; }
    static float ScreenY(float y, float distance) { return kHeight / 2.0F - y * kScale / distance; }

    // Every column (x-major) or row strictly between the ends, one pixel in from each,
    // with the ink it holds: the most green of a pixel, or summed over the column.
    struct Ink {
        int broken = 0;  // columns with no pixel lit
        int faint = 0;   // columns whose ink falls short of `least`
        int columns = 0;
    };
    static Ink Measure(const std::vector<D3DCOLOR>& p, const Segment& s, float distance, int least,
                       bool summed) {
        const float x0 = ScreenX(s.a.x, distance);
        const float y0 = ScreenY(s.a.y, distance);
        const float x1 = ScreenX(s.b.x, distance);
        const float y1 = ScreenY(s.b.y, distance);
        const bool xMajor = std::fabs(x1 - x0) >= std::fabs(y1 - y0);
        const int lo = static_cast<int>(std::floor(std::min(xMajor ? x0 : y0, xMajor ? x1 : y1)));
        const int hi = static_cast<int>(std::floor(std::max(xMajor ? x0 : y0, xMajor ? x1 : y1)));
        Ink ink;
        for (int m = lo + 1; m < hi; ++m) {
            int best = 0;
            int sum = 0;
            for (int n = 0; n < (xMajor ? kHeight : kWidth); ++n) {
                const int g = Green(xMajor ? At(p, m, n) : At(p, n, m));
                best = std::max(best, g);
                sum += g;
            }
            ++ink.columns;
            ink.broken += best == 0 ? 1 : 0;
            ink.faint += (summed ? sum : best) < least ? 1 : 0;
        }
        return ink;
    }

    void ClearFlags() {
        rm::Face face;
        for (std::uint32_t i = 0; rm::Succeeded(m_mesh->GetFace(i, face)); ++i) {
            ASSERT_TRUE(rm::Succeeded(face.SetFlags(0)));
        }
    }

    rm::RootPtr m_root;
    rm::MeshBuilderPtr m_mesh;
    std::vector<rm::MeshBuilderPtr> m_kept;
    rm::DirectionalLightInfo m_light{};
};

const Segment kHorizontal{{-100.0F, 10.0F, 0.0F}, {100.0F, 10.0F, 0.0F}};
const Segment kVertical{{20.0F, -90.0F, 0.0F}, {20.0F, 90.0F, 0.0F}};
const Segment kDiagonal{{-80.0F, -60.0F, 0.0F}, {80.0F, 55.0F, 0.0F}};
const Segment kSteep{{-30.0F, -90.0F, 0.0F}, {25.0F, 85.0F, 0.0F}};

TEST_F(StrokePicture, ThinStrokesAreUnbrokenLinesAtTheStartCameraAndFarAway) {
    // The least a lit side can show: the ink under the ambient light alone.
    const int least = static_cast<int>(0.3F * Green(kInk));
    for (const Segment& s : {kHorizontal, kVertical, kDiagonal, kSteep}) {
        const rm::MeshData& mesh = Lay({s});
        for (const float distance : {200.0F, 3000.0F}) {
            const std::vector<D3DCOLOR> sharp = Draw(mesh, distance, false);
            const Ink a = Measure(sharp, s, distance, least, false);
            EXPECT_GT(a.columns, 20);
            EXPECT_EQ(a.broken, 0) << "at " << distance << " from " << s.a.x << "," << s.a.y;
            EXPECT_EQ(a.faint, 0) << "at " << distance << " from " << s.a.x << "," << s.a.y;
            // Smoothed, a column's pixels share the line's ink: one lit pixel's worth.
            const std::vector<D3DCOLOR> smooth = Draw(mesh, distance, true);
            const Ink b = Measure(smooth, s, distance, least, true);
            EXPECT_EQ(b.broken, 0) << "at " << distance << " from " << s.a.x << "," << s.a.y;
            EXPECT_EQ(b.faint, 0) << "at " << distance << " from " << s.a.x << "," << s.a.y;
        }
    }
}

TEST_F(StrokePicture, OnlyStrokesGetTheLineAndItKeepsTheDepthTest) {
    const rm::MeshData& mesh = Lay({kHorizontal});
    const int least = static_cast<int>(0.3F * Green(kInk));
    // The same faces, not marked as a stroke, fall apart far away: faces seen almost
    // edge-on are left as they are.
    ClearFlags();
    const Ink plain = Measure(Draw(mesh, 3000.0F), kHorizontal, 3000.0F, least, false);
    EXPECT_GT(plain.broken, plain.columns / 2);

    // A wall in front of the stroke's middle hides the line there.
    rm::MeshData both = Lay({kHorizontal});
    const auto wallCorner = [&](float x, float y) {
        both.corners.push_back({static_cast<std::uint32_t>(both.positions.size()), rm::kNoNormal});
        both.positions.push_back({x, y, -10.0F});
    };
    rm::FaceRecord wall;
    wall.firstCorner = static_cast<std::uint32_t>(both.corners.size());
    wall.cornerCount = wall.cornerCapacity = 4;
    wall.color = 0xFF0000FFU;  // no green
    wallCorner(-20.0F, 40.0F);
    wallCorner(20.0F, 40.0F);
    wallCorner(20.0F, -40.0F);
    wallCorner(-20.0F, -40.0F);
    both.faces.push_back(wall);
    const std::vector<D3DCOLOR> p = Draw(both, 200.0F);
    const int y = static_cast<int>(ScreenY(10.0F, 200.0F));
    for (int x = static_cast<int>(ScreenX(-18.0F, 200.0F)); x < ScreenX(18.0F, 200.0F); ++x) {
        for (int dy = -2; dy <= 2; ++dy) ASSERT_EQ(Green(At(p, x, y + dy)), 0) << x;
    }
    EXPECT_GT(Green(At(p, static_cast<int>(ScreenX(-60.0F, 200.0F)), y)) +
                  Green(At(p, static_cast<int>(ScreenX(-60.0F, 200.0F)), y + 1)) +
                  Green(At(p, static_cast<int>(ScreenX(-60.0F, 200.0F)), y - 1)),
              0);
}

TEST_F(StrokePicture, WideStrokesAndWireframeDrawExactlyTheirFaces) {
    // 16 and 2.4 pixels across, straight and slanting away from the eye; and wireframe.
    for (const bool antialias : {false, true}) {
        const rm::MeshData& mesh = Lay({{{-1.0F, 0.2F, 0.0F}, {1.0F, 0.2F, 0.0F}},
                                        {{-0.5F, -1.0F, -1.0F}, {0.6F, 0.4F, 2.0F}},
                                        {{-3.0F, -2.0F, 17.0F}, {3.0F, 1.0F, 17.0F}}});
        const std::vector<D3DCOLOR> wide = Draw(mesh, 3.0F, antialias);
        const std::vector<D3DCOLOR> wire = Draw(mesh, 200.0F, antialias, rm::D3DRMRENDER_WIREFRAME);
        ClearFlags();
        EXPECT_EQ(wide, Draw(mesh, 3.0F, antialias));
        EXPECT_EQ(wire, Draw(mesh, 200.0F, antialias, rm::D3DRMRENDER_WIREFRAME));
    }
}

// A stroke keeps its faces as a ring prism, without corners of their own. The same faces
// with corners of their own, laid out by hand here, must draw the same pixels, thin and
// wide, flat and shaded, smoothed or not.
// The faces of a ring prism laid out by hand, with corners of their own.
rm::MeshData OwnCorners(rm::Root& root, const rm::MeshData& prisms) {
    // Per face: a corner count, then (vertex, normal) pairs; 0 ends the list.
    constexpr std::array<std::uint32_t, 107> kFaces = {
        8, 7, 7, 6, 6, 5,  5, 4,  4, 3,  3, 2,  2, 1,  1, 0,  0,  //
        4, 0, 0, 1, 1, 9,  1, 8,  0,                              //
        4, 1, 1, 2, 2, 10, 2, 9,  1,                              //
        4, 2, 2, 3, 3, 11, 3, 10, 2,                              //
        4, 3, 3, 4, 4, 12, 4, 11, 3,                              //
        4, 4, 4, 5, 5, 13, 5, 12, 4,                              //
        4, 5, 5, 6, 6, 14, 6, 13, 5,                              //
        4, 6, 6, 7, 7, 15, 7, 14, 6,                              //
        4, 7, 7, 0, 0, 8,  0, 15, 7,                              //
        8, 8, 0, 9, 1, 10, 2, 11, 3, 12, 4, 13, 5, 14, 6, 15, 7,  //
        0,
    };
    rm::MeshBuilderPtr own;
    EXPECT_TRUE(rm::Succeeded(root.CreateMeshBuilder(own)));
    for (const rm::PrismRecord& p : prisms.prisms) {
        const std::span<const D3DVECTOR> v(prisms.positions.data() + p.firstPosition, 16);
        const std::span<const D3DVECTOR> n(prisms.normals.data() + p.firstNormal, 8);
        rm::FaceArray faces;
        EXPECT_EQ(own->AddFaces(v, n, kFaces, &faces), rm::Result::Ok);
        EXPECT_EQ(faces.SetColor(kInk), rm::Result::Ok);
        EXPECT_EQ(faces.SetFlags(rm::kFaceStroke), rm::Result::Ok);
    }
    return own->Data();
}

// A stroke keeps its faces as a ring prism, without corners of their own. The same faces
// with corners of their own, laid out by hand here, must draw the same pixels, thin and
// wide, flat and shaded, smoothed or not.
TEST_F(StrokePicture, APrismDrawsAsTheSameFacesWithCornersOfTheirOwn) {
    const rm::MeshData& prisms = Lay({{{-1.0F, 0.2F, 0.0F}, {1.0F, 0.2F, 0.0F}},
                                      {{-0.5F, -1.0F, -1.0F}, {0.6F, 0.4F, 2.0F}},
                                      {{-3.0F, -2.0F, 17.0F}, {3.0F, 1.0F, 17.0F}}});
    ASSERT_EQ(prisms.prisms.size(), 3U);
    ASSERT_TRUE(prisms.corners.empty());
    const rm::MeshData explicitFaces = OwnCorners(*m_root, prisms);
    ASSERT_EQ(explicitFaces.faces.size(), prisms.faces.size());
    for (const bool antialias : {false, true}) {
        for (const auto quality : {rm::D3DRMRENDER_FLAT, rm::D3DRMRENDER_GOURAUD,
                                   rm::D3DRMRENDER_WIREFRAME}) {
            for (const float distance : {3.0F, 40.0F, 3000.0F}) {
                EXPECT_EQ(Draw(prisms, distance, antialias, quality),
                          Draw(explicitFaces, distance, antialias, quality))
                    << "aa " << antialias << ", quality " << quality << ", at " << distance;
            }
        }
    }
}

// Which side of a thin prism draws its line is decided for all eight sides at once; faces
// with corners of their own decide side by side. Strokes in every direction, near and far,
// must come out the same either way.
TEST_F(StrokePicture, ThinPrismsInEveryDirectionDrawTheirLinesAsTheirFacesWould) {
    tarno_test::XorShift next(0x2545F4914F6CDD1DULL);
    const auto coordinate = [&](float range) {
        return (static_cast<float>(next() % 20001) / 10000.0F - 1.0F) * range;
    };
    std::vector<Segment> segments;
    for (int i = 0; i < 400; ++i) {
        const D3DVECTOR a{coordinate(1.5F), coordinate(1.2F), coordinate(1.0F)};
        const float length = 0.05F + static_cast<float>(next() % 100) / 50.0F;
        D3DVECTOR d{coordinate(1.0F), coordinate(1.0F), coordinate(1.0F)};
        const float norm = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) + 1e-6F;
        segments.push_back({a, {a.x + d.x / norm * length, a.y + d.y / norm * length,
                                a.z + d.z / norm * length}});
    }
    const rm::MeshData& prisms = Lay(segments);
    ASSERT_GT(prisms.prisms.size(), 350U);
    const rm::MeshData explicitFaces = OwnCorners(*m_root, prisms);
    for (const bool antialias : {false, true}) {
        for (const float distance : {6.0F, 60.0F, 900.0F}) {
            EXPECT_EQ(Draw(prisms, distance, antialias), Draw(explicitFaces, distance, antialias))
                << "aa " << antialias << ", at " << distance;
        }
    }
}

// A prism's faces that surely draw nothing are told apart from its sixteen screen
// vertices, kept from one face to the next. Strokes across the view's edges, some through
// the near plane, in more faces than one block of a frame holds, on one thread and on
// several, must draw and count as the same faces with corners of their own.
TEST_F(StrokePicture, PrismsAcrossTheViewsEdgesAndBlocksDrawAsTheirFacesWould) {
    tarno_test::XorShift next(0x9E3779B97F4A7C15ULL);
    const auto coordinate = [&](float range) {
        return (static_cast<float>(next() % 20001) / 10000.0F - 1.0F) * range;
    };
    std::vector<Segment> segments;
    for (int i = 0; i < 1500; ++i) {
        const D3DVECTOR a{coordinate(6.0F), coordinate(5.0F), coordinate(1.0F)};
        const D3DVECTOR b{a.x + coordinate(1.5F), a.y + coordinate(1.5F), a.z + coordinate(0.5F)};
        segments.push_back({a, b});
    }
    const rm::MeshData& prisms = Lay(segments);
    ASSERT_GT(prisms.faces.size(), 3U * 4096U);
    const rm::MeshData explicitFaces = OwnCorners(*m_root, prisms);
    for (const unsigned threads : {1U, 3U}) {
        for (const float distance : {1.6F, 6.0F, 40.0F}) {
            rm::RenderStats fromPrisms;
            rm::RenderStats fromCorners;
            EXPECT_EQ(Draw(prisms, distance, true, rm::D3DRMRENDER_FLAT, threads, &fromPrisms),
                      Draw(explicitFaces, distance, true, rm::D3DRMRENDER_FLAT, threads,
                           &fromCorners))
                << threads << " threads, at " << distance;
            EXPECT_EQ(fromPrisms.trianglesIn, fromCorners.trianglesIn);
            EXPECT_EQ(fromPrisms.trianglesDrawn, fromCorners.trianglesDrawn);
            EXPECT_GT(fromPrisms.trianglesDrawn, 0U);
        }
    }
}

}  // namespace
