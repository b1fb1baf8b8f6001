// Colours: the scene's lights, flat and Gouraud shading, unlit faces, wireframe, points.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/platform/raster_test_support.h"

namespace rm {
namespace {

using namespace rastertest;

constexpr D3DCOLOR kWhite = 0xFFFFFFFFU;

int Expected(int channel, double intensity) {
    const double v = channel * intensity;
    return static_cast<int>(std::lround(std::min(255.0, std::max(0.0, v))));
}

void ExpectColor(D3DCOLOR got, int r, int g, int b) {
    EXPECT_NEAR(Channel(got, 16), r, 1);
    EXPECT_NEAR(Channel(got, 8), g, 1);
    EXPECT_NEAR(Channel(got, 0), b, 1);
}

RenderJob LitJob(const MeshInstance& inst, const SceneLights& lights) {
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = lights.ambient;
    job.lights = lights.lights;
    return job;
}

TEST(RasterLighting, FaceTowardTheCameraGetsAmbientPlusItsShareOfTheLight) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, 0xFFC86432U);  // (200, 100, 50)
    const SceneLights lights;
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_FLAT);
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, LitJob(inst, lights));
    const double i = 0.3 + 1.0 / std::sqrt(3.0);
    for (const auto& [x, y] : {std::pair{40, 40}, {50, 50}, {59, 59}}) {
        ExpectColor(At(px, x, y), Expected(200, i), Expected(100, i), Expected(50, i));
    }
    EXPECT_EQ(CountDrawn(px), 400);
    EXPECT_EQ(At(px, 50, 50) >> 24, 0xFFU);
}

TEST(RasterLighting, FaceTurnedAwayFromTheLightGetsAmbientOnly) {
    // Front normal (-0.8, 0, -0.6): towards the eye, but with the light's travel
    // (-1, -1, 1) it makes N . -L = -0.2 / sqrt 3 < 0.
    const D3DVECTOR c{0, 0, 10};
    const D3DVECTOR up{0, 1, 0};
    const D3DVECTOR right{0.6F, 0, -0.8F};
    const auto at = [&](float s, float t) {
        return D3DVECTOR{c.x + s * right.x + t * up.x, c.y + s * right.y + t * up.y,
                         c.z + s * right.z + t * up.z};
    };
    MeshData mesh;
    AddFace(mesh, {at(-1, 1), at(1, 1), at(1, -1), at(-1, -1)}, kWhite);
    const SceneLights lights;
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_FLAT);
    Renderer r(kSize, kSize, 1);
    const auto px = Draw(r, LitJob(inst, lights));
    ASSERT_GT(CountDrawn(px), 0);
    ExpectColor(At(px, 50, 50), Expected(255, 0.3), Expected(255, 0.3), Expected(255, 0.3));
}

TEST(RasterLighting, ModelRotationTurnsTheNormalButCameraMotionDoesNot) {
    // A face lying in the x-z plane with its front up (+y), turned by the model matrix
    // -90 degrees about x so that it faces the camera.
    MeshData mesh;
    AddFace(mesh, {{-1, 0, 1}, {1, 0, 1}, {1, 0, -1}, {-1, 0, -1}}, kWhite);
    MeshInstance inst = Instance(mesh, D3DRMRENDER_FLAT);
    // Row vectors: y goes to -z, z goes to y; then move it 10 ahead.
    inst.modelToWorld.m[1][1] = 0;
    inst.modelToWorld.m[1][2] = -1;
    inst.modelToWorld.m[2][1] = 1;
    inst.modelToWorld.m[2][2] = 0;
    inst.modelToWorld.m[3][2] = 10;
    const SceneLights lights;
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, LitJob(inst, lights));
    const int lit = Expected(255, 0.3 + 1.0 / std::sqrt(3.0));
    EXPECT_EQ(CountDrawn(px), 400);
    ExpectColor(At(px, 50, 50), lit, lit, lit);

    // Moving the camera sideways changes where the face is, not how it is lit.
    RenderJob job = LitJob(inst, lights);
    job.worldToCamera.m[3][0] = -0.5F;  // camera at x = 0.5
    const auto moved = Draw(r, job);
    EXPECT_EQ(At(moved, 36, 50), At(px, 41, 50));
    ExpectColor(At(moved, 36, 50), lit, lit, lit);
}

TEST(RasterLighting, StrongLightClampsAndUnlitQualityKeepsTheFaceColour) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, 0xFF804020U);
    const DirectionalLightInfo light{{0, 0, 1}, {3.0F, 0.5F, 0.0F}};
    MeshInstance inst = Instance(mesh, D3DRMRENDER_FLAT);
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = {0, 0, 0};
    job.lights = {&light, 1};
    Renderer r(kSize, kSize, 1);
    ExpectColor(At(Draw(r, job), 50, 50), 255, 0x20, 0);
    inst.quality = D3DRMSHADE_FLAT | D3DRMFILL_SOLID;  // lighting off
    ExpectColor(At(Draw(r, job), 50, 50), 0x80, 0x40, 0x20);
}

TEST(RasterLighting, SeveralLightsAddUp) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kWhite);
    const DirectionalLightInfo lights[] = {{{0, 0, 1}, {0.25F, 0.25F, 0.25F}},
                                           {{0, 0.6F, 0.8F}, {0.5F, 0.5F, 0.5F}},
                                           {{0, 0, -1}, {1, 1, 1}}};  // from behind: nothing
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_FLAT);
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = {0.1F, 0.1F, 0.1F};
    job.lights = lights;
    Renderer r(kSize, kSize, 1);
    const int v = Expected(255, 0.1 + 0.25 + 0.5 * 0.8);
    ExpectColor(At(Draw(r, job), 50, 50), v, v, v);
}

// A square whose left corners face the light head-on and whose right corners are
// edge-on to it.
MeshData GouraudSquare() {
    MeshData mesh;
    const D3DVECTOR facing{0, 0, -1};
    const D3DVECTOR edgeOn{1, 0, 0};
    AddFace(mesh, {{-1, 1, 10}, {1, 1, 10}, {1, -1, 10}, {-1, -1, 10}}, kWhite,
            {facing, edgeOn, edgeOn, facing});
    return mesh;
}

TEST(RasterGouraud, ColourRunsBetweenDifferentlyLitCorners) {
    const MeshData mesh = GouraudSquare();
    const DirectionalLightInfo light{{0, 0, 1}, {1, 1, 1}};
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_GOURAUD);
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = {0, 0, 0};
    job.lights = {&light, 1};
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, job);
    // Screen x 40..60 runs from 255 to 0; pixel centres sit at 0.5 steps.
    for (int x = 40; x < 60; ++x) {
        const double t = (x + 0.5 - 40.0) / 20.0;
        EXPECT_NEAR(Channel(At(px, x, 45), 8), 255.0 * (1.0 - t), 1.5) << x;
        EXPECT_EQ(At(px, x, 45), At(px, x, 55));
        if (x > 40) {
            EXPECT_LT(Channel(At(px, x, 50), 16), Channel(At(px, x - 1, 50), 16));
        }
    }
}

TEST(RasterGouraud, FlatQualityUsesTheFaceNormalEverywhere) {
    const MeshData mesh = GouraudSquare();
    const DirectionalLightInfo light{{0, 0, 1}, {1, 1, 1}};
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_FLAT);
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = {0, 0, 0};
    job.lights = {&light, 1};
    Renderer r(kSize, kSize, 1);
    const auto px = Draw(r, job);
    EXPECT_EQ(At(px, 40, 40), kWhite);
    EXPECT_EQ(At(px, 59, 59), kWhite);
}

TEST(RasterGouraud, CornersWithoutNormalsFallBackToTheFaceNormal) {
    MeshData mesh;
    AddFace(mesh, {{-1, 1, 10}, {1, 1, 10}, {1, -1, 10}, {-1, -1, 10}}, kWhite,
            {{1, 0, 0}, {1, 0, 0}});  // the last two corners have none
    const DirectionalLightInfo light{{0, 0, 1}, {1, 1, 1}};
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_GOURAUD);
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = {0, 0, 0};
    job.lights = {&light, 1};
    Renderer r(kSize, kSize, 1);
    const auto px = Draw(r, job);
    // Top corners edge-on (dark), bottom corners on the face normal (full light).
    EXPECT_LT(Channel(At(px, 50, 40), 8), 20);
    EXPECT_GT(Channel(At(px, 50, 59), 8), 235);
}

TEST(RasterGouraud, ClippedCornersCarryInterpolatedColour) {
    // The slanted face through the front plane, lit by corner normals that run from dark
    // at x = -1 to bright at x = 1: the cut at x = 0 starts half bright.
    MeshData mesh;
    const D3DVECTOR dark{1, 0, 0};
    const D3DVECTOR bright{0, 0, -1};
    AddFace(mesh, {{-1, 1, 0}, {1, 1, 2}, {1, -1, 2}, {-1, -1, 0}}, kWhite,
            {dark, bright, bright, dark});
    const DirectionalLightInfo light{{0, 0, 1}, {1, 1, 1}};
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_GOURAUD);
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = {0, 0, 0};
    job.lights = {&light, 1};
    Renderer r(kSize, kSize, 1);
    const auto px = Draw(r, job);
    EXPECT_NEAR(Channel(At(px, 50, 50), 8), 128, 8);
    EXPECT_GT(Channel(At(px, 99, 50), 8), 240);
}

TEST(RasterWireframe, DrawsTheEdgesOnlyInTheFaceColour) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, 0xFF336699U);
    const SceneLights lights;
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_WIREFRAME);
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, LitJob(inst, lights));
    // Unlit: exactly the face colour, on the square's outline (screen 40..60).
    EXPECT_EQ(At(px, 50, 40), 0xFF336699U);
    EXPECT_EQ(At(px, 40, 50), 0xFF336699U);
    EXPECT_EQ(At(px, 50, 60 - 1) == 0xFF336699U || At(px, 50, 60) == 0xFF336699U, true);
    EXPECT_EQ(At(px, 50, 50), kBackground);
    EXPECT_EQ(At(px, 45, 45), kBackground);
    const int drawn = CountDrawn(px);
    EXPECT_GE(drawn, 4 * 20 - 4);
    EXPECT_LE(drawn, 4 * 22);
    // The fan's inner diagonal is not an edge of the face.
    EXPECT_EQ(At(px, 48, 48), kBackground);
}

TEST(RasterWireframe, BackFacesAreNotDrawn) {
    MeshData mesh;
    AddFace(mesh, {{-1, -1, 10}, {1, -1, 10}, {1, 1, 10}, {-1, 1, 10}}, kWhite);
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_WIREFRAME);
    Renderer r(kSize, kSize, 1);
    EXPECT_EQ(CountDrawn(Draw(r, MakeJob({&inst, 1}))), 0);
}

TEST(RasterWireframe, EdgesAreHiddenBehindNearerSolidFaces) {
    MeshData wire;
    AddSquare(wire, 2.0F, 20.0F, 0xFF00FF00U);  // outline at 40..60 again, farther away
    MeshData solid;
    AddFace(solid, {{-1, 1, 10}, {0, 1, 10}, {0, -1, 10}, {-1, -1, 10}}, 0xFFFF0000U);
    const MeshInstance list[] = {Instance(solid, D3DRMFILL_SOLID),
                                 Instance(wire, D3DRMRENDER_WIREFRAME)};
    Renderer r(kSize, kSize, 2);
    const auto px = Draw(r, MakeJob(list));
    EXPECT_EQ(At(px, 45, 40), 0xFFFF0000U);  // the left half of the top edge is covered
    EXPECT_EQ(At(px, 55, 40), 0xFF00FF00U);
}

TEST(RasterWireframe, ClippedFaceShowsNoEdgeAlongTheFrontPlane) {
    MeshData mesh;
    AddFace(mesh, {{-1, 0.4F, 0}, {1, 0.4F, 2}, {1, -0.4F, 2}, {-1, -0.4F, 0}}, kWhite);
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_WIREFRAME);
    Renderer r(kSize, kSize, 1);
    const auto px = Draw(r, MakeJob({&inst, 1}));
    // The cut at x = 0 is screen column 50, from y 10 to 90; the right edge is at 100.
    int column50 = 0;
    for (int y = 0; y < kSize; ++y) {
        column50 += At(px, 50, y) != kBackground ? 1 : 0;
    }
    EXPECT_LE(column50, 2);
    EXPECT_GT(CountDrawn(px), 80);  // the two slanted edges are there
}

TEST(RasterPoints, PointQualityDrawsTheCornersOnly) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kWhite);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_POINTS);
    Renderer r(kSize, kSize, 1);
    const auto px = Draw(r, MakeJob({&inst, 1}));
    EXPECT_EQ(CountDrawn(px), 4);
    EXPECT_EQ(At(px, 40, 40), kWhite);
}

}  // namespace
}  // namespace rm
