// Faces that cross the front and back planes, reach far outside the view, or carry
// values no real scene has.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tests/platform/raster_test_support.h"

namespace rm {
namespace {

using namespace rastertest;

constexpr D3DCOLOR kRed = 0xFFFF0000U;
constexpr D3DCOLOR kGreen = 0xFF00FF00U;

RenderJob UnlitJob(const MeshInstance& inst) {
    return MakeJob({&inst, 1});
}

int FirstDrawnColumn(const std::vector<D3DCOLOR>& px, int y) {
    for (int x = 0; x < kSize; ++x) {
        if (At(px, x, y) != kBackground) {
            return x;
        }
    }
    return -1;
}

// A face on the plane z = 1 + x: its left half lies between the eye and the front plane.
MeshData SlantedThroughFrontPlane() {
    MeshData mesh;
    AddFace(mesh, {{-1, 1, 0}, {1, 1, 2}, {1, -1, 2}, {-1, -1, 0}}, kRed);
    return mesh;
}

TEST(RasterClip, FaceHalfBehindTheFrontPlaneIsCutAtThePlane) {
    const MeshData mesh = SlantedThroughFrontPlane();
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    Renderer r(kSize, kSize, 1);
    // Front 1: what is left is x >= 0, which projects to screen x 50..100, every row.
    const auto px = Draw(r, UnlitJob(inst));
    for (int y = 0; y < kSize; ++y) {
        EXPECT_EQ(FirstDrawnColumn(px, y), 50) << y;
        EXPECT_EQ(At(px, 99, y), kRed);
    }
    EXPECT_EQ(CountDrawn(px), 50 * kSize);
}

TEST(RasterClip, MovingTheFrontPlaneMovesTheCut) {
    const MeshData mesh = SlantedThroughFrontPlane();
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    RenderJob job = UnlitJob(inst);
    job.front = 1.5F;  // cut at x = 0.5: screen x 50 + 100 * 0.5 / 1.5 = 83.3
    Renderer r(kSize, kSize, 1);
    const auto px = Draw(r, job);
    for (int y = 0; y < kSize; y += 9) {
        EXPECT_EQ(FirstDrawnColumn(px, y), 83) << y;
    }
}

TEST(RasterClip, NeighboursSharingAnEdgeThroughTheFrontPlaneStayCrackFree) {
    // Two triangles share the edge from (-0.3, 1, 0.2) to (0.7, -1, 3), which crosses the
    // front plane; each is clipped on its own, and the cut points must coincide.
    const D3DVECTOR a{-0.3F, 1.0F, 0.2F};
    const D3DVECTOR b{0.7F, -1.0F, 3.0F};
    MeshData left;
    AddFace(left, {a, b, {-1.0F, -1.0F, 2.0F}}, kRed);
    MeshData right;
    AddFace(right, {a, {1.0F, 1.2F, 2.5F}, b}, kGreen);
    Renderer r(kSize, kSize, 2);
    std::vector<int> counts(kSize * kSize, 0);
    for (const MeshData* mesh : {&left, &right}) {
        const MeshInstance inst = Instance(*mesh, D3DRMFILL_SOLID);
        const auto px = Draw(r, UnlitJob(inst));
        ASSERT_GT(CountDrawn(px), 100);
        for (std::size_t i = 0; i < px.size(); ++i) {
            counts[i] += px[i] != kBackground ? 1 : 0;
        }
    }
    // Along the shared edge every row has exactly one run of covered pixels, never a gap
    // between the two faces and never a pixel both took.
    for (int y = 0; y < kSize; ++y) {
        int first = -1;
        int last = -1;
        for (int x = 0; x < kSize; ++x) {
            const int c = counts[static_cast<std::size_t>(y * kSize + x)];
            ASSERT_LE(c, 1) << x << "," << y;
            if (c == 1) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        for (int x = first; first >= 0 && x <= last; ++x) {
            ASSERT_EQ(counts[static_cast<std::size_t>(y * kSize + x)], 1)
                << "gap at " << x << "," << y;
        }
    }
}

TEST(RasterClip, FaceCrossingTheBackPlaneIsCutThere) {
    // On z = 10 + 5x with the back plane at 10, only x <= 0 stays: screen x 30..50.
    MeshData mesh;
    AddFace(mesh, {{-1, 1, 5}, {1, 1, 15}, {1, -1, 15}, {-1, -1, 5}}, kGreen);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    RenderJob job = UnlitJob(inst);
    job.back = 10.0F;
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, job);
    EXPECT_EQ(FirstDrawnColumn(px, 50), 30);
    EXPECT_EQ(At(px, 49, 50), kGreen);
    for (int y = 0; y < kSize; ++y) {
        EXPECT_EQ(At(px, 50, y), kBackground);
        EXPECT_EQ(At(px, 70, y), kBackground);
    }
}

TEST(RasterClip, FaceWhollyBeyondEitherPlaneDrawsNothing) {
    MeshData mesh;
    AddSquare(mesh, 0.5F, 0.5F, kRed);       // nearer than the front plane
    AddSquare(mesh, 500.0F, 2000.0F, kRed);  // beyond the back plane
    AddSquare(mesh, 1.0F, -10.0F, kRed);     // behind the eye
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    Renderer r(kSize, kSize, 1);
    EXPECT_EQ(CountDrawn(Draw(r, UnlitJob(inst))), 0);
}

TEST(RasterClip, HugeFacesAroundTheViewCoverEveryPixel) {
    // Corners a thousand million units out project far past any integer range.
    MeshData square;
    AddSquare(square, 1e9F, 10.0F, kRed);
    // The plane z = 0.01 x + 500, reaching behind the eye on its left.
    MeshData slanted;
    const float a = 1e9F;
    AddFace(slanted,
            {{-a, a, 500.0F - 1e7F},
             {a, a, 500.0F + 1e7F},
             {a, -a, 500.0F + 1e7F},
             {-a, -a, 500.0F - 1e7F}},
            kGreen);
    Renderer r(kSize, kSize, 2);
    for (const MeshData* mesh : {&square, &slanted}) {
        const MeshInstance inst = Instance(*mesh, D3DRMFILL_SOLID);
        RenderJob job = UnlitJob(inst);
        job.back = 1e8F;
        EXPECT_EQ(CountDrawn(Draw(r, job)), kSize * kSize);
    }
}

TEST(RasterClip, LongThinFaceFarOffScreenStaysInsideTheBuffer) {
    MeshData mesh;
    AddFace(mesh, {{-1e7F, 0.01F, 1.5F}, {1e7F, 0.01F, 1.5F}, {1e7F, -0.01F, 1.5F}}, kRed);
    AddFace(mesh, {{-3e8F, 2e8F, 1.0F}, {3e8F, 2e8F, 1.0F}, {3e8F, 1.9e8F, 1.0F}}, kRed);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, UnlitJob(inst));
    EXPECT_GT(CountDrawn(px), 0);
    EXPECT_EQ(At(px, 50, 40), kBackground);
}

TEST(RasterRobustness, NonFiniteCornersDropOnlyTheirFace) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    MeshData mesh;
    AddFace(mesh, {{-1, 1, 10}, {nan, 1, 10}, {1, -1, 10}}, kGreen);
    AddFace(mesh, {{-1, 1, 10}, {1, 1, inf}, {1, -1, 10}}, kGreen);
    AddFace(mesh, {{-inf, inf, 10}, {inf, inf, 10}, {inf, -inf, 10}, {-inf, -inf, 10}}, kGreen);
    AddFace(mesh, {{-1e30F, 1e30F, 10}, {1e30F, 1e30F, 10}, {1e30F, -1e30F, 10}}, kGreen);
    AddSquare(mesh, 1.0F, 10.0F, kRed);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, UnlitJob(inst));
    EXPECT_EQ(CountDrawn(px), 400);
    EXPECT_EQ(At(px, 50, 50), kRed);
}

TEST(RasterRobustness, NonFiniteTransformsAndLightsDrawNothingOrStayDefined) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, 0xFFFFFFFFU);
    MeshInstance inst = Instance(mesh, D3DRMRENDER_GOURAUD);
    inst.modelToWorld.m[1][1] = nan;
    Renderer r(kSize, kSize, 2);
    EXPECT_EQ(CountDrawn(Draw(r, UnlitJob(inst))), 0);

    // A NaN light makes no colour, but the face is still there and its pixels are defined.
    inst.modelToWorld = Matrix4{};
    const DirectionalLightInfo light{{nan, 0, 1}, {nan, 1, 1}};
    RenderJob job = UnlitJob(inst);
    job.ambient = {nan, 0.5F, 0.5F};
    job.lights = {&light, 1};
    const auto px = Draw(r, job);
    EXPECT_EQ(CountDrawn(px), 400);
    EXPECT_EQ(Channel(At(px, 50, 50), 16), 0);
    EXPECT_EQ(Channel(At(px, 50, 50), 8), 128);
}

TEST(RasterRobustness, BadViewSettingsDrawNothing) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kRed);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Renderer r(kSize, kSize, 1);
    const auto bad = [&](auto change) {
        RenderJob job = UnlitJob(inst);
        change(job);
        return CountDrawn(Draw(r, job));
    };
    EXPECT_EQ(bad([](RenderJob& j) { j.front = 0.0F; }), 0);
    EXPECT_EQ(bad([&](RenderJob& j) { j.front = nan; }), 0);
    EXPECT_EQ(bad([](RenderJob& j) { j.back = 0.5F; }), 0);
    EXPECT_EQ(bad([&](RenderJob& j) { j.back = std::numeric_limits<float>::infinity(); }), 0);
    EXPECT_EQ(bad([](RenderJob& j) { j.field = 0.0F; }), 0);
    EXPECT_EQ(bad([](RenderJob& j) { j.field = 1e-30F; }), 0);
    EXPECT_EQ(bad([](RenderJob& j) { j.rect = {0, 0, 0, 100}; }), 0);
    EXPECT_EQ(bad([](RenderJob& j) { j.rect = {200, 0, 50, 50}; }), 0);
    EXPECT_EQ(bad([](RenderJob& j) { j.rect = {2147483600, 2147483600, 100, 100}; }), 0);
    EXPECT_EQ(bad([](RenderJob& j) { j.rect = {-2147483647, 0, 100, 100}; }), 0);
    // And a sane one still draws, so the checks above were not vacuous.
    EXPECT_EQ(bad([](RenderJob&) {}), 400);
}

TEST(RasterRobustness, ViewportPartlyOutsideTheBufferIsCut) {
    MeshData mesh;
    AddSquare(mesh, 100.0F, 10.0F, kRed);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    RenderJob job = UnlitJob(inst);
    job.rect = {-50, 70, 500, 500};
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, job);
    EXPECT_EQ(CountDrawn(px), kSize * 30);
    EXPECT_EQ(At(px, 0, 69), kBackground);
    EXPECT_EQ(At(px, 99, 70), kRed);
}

TEST(RasterRobustness, CornerAndNormalIndicesOutsideTheirPoolsAreIgnored) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kRed);
    // A face whose corner names a position that does not exist.
    FaceRecord bad;
    bad.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
    bad.cornerCount = bad.cornerCapacity = 3;
    mesh.corners.push_back({0, kNoNormal});
    mesh.corners.push_back({1, 12345});  // normal index past the pool: face normal is used
    mesh.corners.push_back({99999, kNoNormal});
    mesh.faces.push_back(bad);
    // Faces whose corner range runs past the corner list.
    FaceRecord past;
    past.firstCorner = static_cast<std::uint32_t>(mesh.corners.size()) - 1;
    past.cornerCount = 4;
    mesh.faces.push_back(past);
    past.firstCorner = 0xFFFFFFF0U;
    past.cornerCount = 0x20;
    mesh.faces.push_back(past);
    // A corner with a bad normal index on an otherwise fine face, drawn Gouraud.
    AddFace(mesh, {{2, 1, 10}, {3, 1, 10}, {3, 0, 10}}, kGreen);
    mesh.corners.back().normal = 777;
    const MeshInstance inst = Instance(mesh, D3DRMSHADE_GOURAUD | D3DRMFILL_SOLID);
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, UnlitJob(inst));
    EXPECT_EQ(At(px, 50, 50), kRed);
    EXPECT_EQ(At(px, 78, 41), kGreen);
}

TEST(RasterRobustness, NullMeshAndEmptyMeshAreSkipped) {
    MeshData empty;
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kRed);
    const MeshInstance list[] = {MeshInstance{}, Instance(empty), Instance(mesh, D3DRMFILL_SOLID)};
    Renderer r(kSize, kSize, 2);
    EXPECT_EQ(CountDrawn(Draw(r, MakeJob(list))), 400);
}

TEST(RasterRobustness, BufferSizesAreKeptInRange) {
    EXPECT_EQ(Renderer(0, -5, 1).Width(), 1);
    EXPECT_EQ(Renderer(0, -5, 1).Height(), 1);
    Renderer wide(20000, 3, 1);
    EXPECT_EQ(wide.Width(), 8192);
    EXPECT_EQ(wide.Height(), 3);
    // Odd sizes exercise the partial last group of a row.
    for (const int w : {1, 3, 5, 67, 130}) {
        MeshData mesh;
        AddSquare(mesh, 100.0F, 10.0F, kRed);
        const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
        Renderer r(w, 7, 2);
        RenderJob job = MakeJob({&inst, 1});
        job.rect = {0, 0, w, 7};
        r.Clear(job.rect, kBackground);
        r.Render(job);
        const PictureView v = r.Picture();
        int drawn = 0;
        for (int i = 0; i < w * 7; ++i) {
            drawn += v.pixels[i] == kRed ? 1 : 0;
        }
        EXPECT_EQ(drawn, w * 7) << w;
    }
}

}  // namespace
}  // namespace rm

namespace rm {
namespace {

using namespace rastertest;

TEST(RasterRobustness, RandomGarbageNeverWritesOutsideTheViewport) {
    std::mt19937 rng(99);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float specials[] = {nan,    inf,  -inf,   1e30F,  -1e30F, 1e12F,
                              -1e12F, 0.0F, 1e-30F, 0.999F, 1.0F,   5000.0F};
    std::uniform_int_distribution<int> pick(0, 15);
    std::uniform_real_distribution<float> plain(-50.0F, 50.0F);
    const auto value = [&] {
        const int k = pick(rng);
        return k < 12 ? specials[k] : plain(rng);
    };
    const D3DRMRENDERQUALITY qualities[] = {D3DRMRENDER_FLAT,
                                            D3DRMRENDER_GOURAUD,
                                            D3DRMRENDER_WIREFRAME,
                                            D3DRMFILL_POINTS,
                                            D3DRMSHADE_GOURAUD | D3DRMFILL_SOLID,
                                            0xFFFFFFFFU};
    Renderer r(120, 90, 2);
    int roundsThatDrew = 0;
    for (int round = 0; round < 150; ++round) {
        MeshData mesh;
        for (int f = 0; f < 40; ++f) {
            FaceRecord face;
            face.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
            face.cornerCount = static_cast<std::uint32_t>(pick(rng) % 7);
            face.color = static_cast<D3DCOLOR>(rng());
            for (std::uint32_t c = 0; c < face.cornerCount; ++c) {
                mesh.corners.push_back(
                    {static_cast<std::uint32_t>(mesh.positions.size()),
                     pick(rng) < 8 ? static_cast<std::uint32_t>(mesh.normals.size()) : kNoNormal});
                mesh.positions.push_back({pick(rng) < 12 ? plain(rng) : value(),
                                          pick(rng) < 12 ? plain(rng) : value(),
                                          pick(rng) < 12 ? std::fabs(plain(rng)) : value()});
                mesh.normals.push_back({value(), value(), value()});
            }
            mesh.faces.push_back(face);
        }
        MeshInstance inst = Instance(mesh, qualities[round % 6]);
        for (auto& row : inst.modelToWorld.m) {
            for (float& v : row) {
                v += pick(rng) == 0 ? value() : 0.0F;
            }
        }
        const DirectionalLightInfo light{{value(), value(), value()}, {value(), 1, 1}};
        RenderJob job = MakeJob({&inst, 1});
        job.rect = {13, 7, 61, 50};
        job.lights = {&light, 1};
        job.front = pick(rng) < 3 ? value() : 1.0F;
        job.back = pick(rng) < 3 ? value() : 1000.0F;
        r.Clear({0, 0, 120, 90}, kBackground);
        r.Render(job);
        const PictureView v = r.Picture();
        bool drew = false;
        for (int y = 0; y < 90; ++y) {
            for (int x = 0; x < 120; ++x) {
                if (x < 13 || x >= 74 || y < 7 || y >= 57) {
                    ASSERT_EQ(v.pixels[y * 120 + x], kBackground)
                        << "round " << round << " at " << x << "," << y;
                } else {
                    drew = drew || v.pixels[y * 120 + x] != kBackground;
                }
            }
        }
        roundsThatDrew += drew ? 1 : 0;
    }
    // The garbage still holds enough sane faces to reach the pixels.
    EXPECT_GT(roundsThatDrew, 30);
}

}  // namespace
}  // namespace rm
