// Smooth edges: blended edge pixels, faces' insides untouched, no seams along shared
// edges, depth order by sample, the aliased picture unchanged, the same pixels for any
// number of threads and no storage growing in a warm frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "tests/platform/raster_test_support.h"

namespace rm {
namespace {

using namespace rastertest;

constexpr D3DCOLOR kFace = 0xFFE08040U;

std::vector<D3DCOLOR> DrawWith(const MeshData& mesh, bool antialias, unsigned threads = 0,
                               D3DRMRENDERQUALITY quality = D3DRMRENDER_FLAT, int size = kSize) {
    const MeshInstance inst = Instance(mesh, quality);
    const RenderJob job = MakeJob({&inst, 1}, size);
    Renderer r(size, size, threads);
    r.SetAntialias(antialias);
    return Draw(r, job);
}

// Every channel of c lies between those of a and b (inclusive).
bool Between(D3DCOLOR c, D3DCOLOR a, D3DCOLOR b) {
    for (const int shift : {0, 8, 16}) {
        const int v = Channel(c, shift);
        if (v < std::min(Channel(a, shift), Channel(b, shift)) ||
            v > std::max(Channel(a, shift), Channel(b, shift))) {
            return false;
        }
    }
    return true;
}

// A slanted quad, cut in two triangles along its diagonal, at distance 10.
MeshData SlantedQuad() {
    MeshData mesh;
    const D3DVECTOR a{-3.1F, 2.3F, 10.0F};
    const D3DVECTOR b{2.7F, 3.4F, 10.0F};
    const D3DVECTOR c{3.3F, -2.2F, 10.0F};
    const D3DVECTOR d{-2.4F, -3.7F, 10.0F};
    AddFace(mesh, {a, b, c}, kFace);
    AddFace(mesh, {a, c, d}, kFace);
    return mesh;
}

TEST(RasterAntialias, OneFlatFaceGivesTwoColoursSharpAndBlendedEdgesSmooth) {
    const MeshData mesh = SlantedQuad();
    const std::vector<D3DCOLOR> sharp = DrawWith(mesh, false);
    const std::set<D3DCOLOR> sharpColours(sharp.begin(), sharp.end());
    EXPECT_EQ(sharpColours, (std::set<D3DCOLOR>{kBackground, kFace}));

    const std::vector<D3DCOLOR> smooth = DrawWith(mesh, true);
    int blended = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const D3DCOLOR c = At(smooth, x, y);
            ASSERT_TRUE(Between(c, kBackground, kFace)) << x << "," << y;
            blended += c != kBackground && c != kFace ? 1 : 0;
            // A pixel whose whole neighbourhood is inside the face (or outside it) in the
            // sharp picture keeps its colour exactly: the diagonal leaves no seam.
            bool same = true;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = std::clamp(x + dx, 0, kSize - 1);
                    const int ny = std::clamp(y + dy, 0, kSize - 1);
                    same = same && At(sharp, nx, ny) == At(sharp, x, y);
                }
            }
            if (same) {
                ASSERT_EQ(c, At(sharp, x, y)) << x << "," << y;
            }
        }
    }
    // About one blended pixel per pixel of outline (four edges, 60 pixels each).
    EXPECT_GT(blended, 150);
    EXPECT_LT(blended, 600);
}

TEST(RasterAntialias, NearerFacesWinSampleBySample) {
    // A red square in front of a larger green one, and a blue one crossing both in depth.
    MeshData mesh;
    AddSquare(mesh, 6.0F, 20.0F, 0xFF00FF00U);
    AddSquare(mesh, 1.5F, 10.0F, 0xFFFF0000U);
    AddFace(mesh,
            {{-4.0F, 0.5F, 5.0F}, {4.0F, 0.5F, 35.0F}, {4.0F, -0.5F, 35.0F}, {-4.0F, -0.5F, 5.0F}},
            0xFF0000FFU);
    const std::vector<D3DCOLOR> smooth = DrawWith(mesh, true);
    const std::vector<D3DCOLOR> sharp = DrawWith(mesh, false);
    int differ = 0;
    for (std::size_t i = 0; i < smooth.size(); ++i) {
        differ += smooth[i] != sharp[i] ? 1 : 0;
    }
    // Only edges and the line where blue passes through the others change.
    EXPECT_GT(differ, 20);
    EXPECT_LT(differ, 800);
    // Inside the red square, away from every edge, red alone; likewise green.
    EXPECT_EQ(At(smooth, 40, 40), 0xFFFF0000U);
    EXPECT_EQ(At(smooth, 58, 42), 0xFFFF0000U);
    EXPECT_EQ(At(smooth, 50, 75), 0xFF00FF00U);
    EXPECT_EQ(At(smooth, 25, 30), 0xFF00FF00U);
}

TEST(RasterAntialias, OffIsTheAliasedPictureAndOnIsTheSameForAnyThreadCount) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(-6.0F, 6.0F);
    std::uniform_real_distribution<float> depth(8.0F, 40.0F);
    std::uniform_int_distribution<std::uint32_t> colour(0, 0xFFFFFF);
    MeshData mesh;
    for (int f = 0; f < 600; ++f) {
        const float z = depth(rng);
        const D3DVECTOR c{pos(rng), pos(rng), z};
        const auto corner = [&] {
            return D3DVECTOR{c.x + pos(rng) * 0.3F, c.y + pos(rng) * 0.3F, z + pos(rng)};
        };
        AddFace(mesh, {corner(), corner(), corner()}, 0xFF000000U | colour(rng));
    }
    for (const D3DRMRENDERQUALITY quality :
         {D3DRMRENDER_FLAT, D3DRMRENDER_GOURAUD, D3DRMRENDER_WIREFRAME}) {
        const int size = 203;
        const std::vector<D3DCOLOR> one = DrawWith(mesh, true, 1, quality, size);
        EXPECT_EQ(DrawWith(mesh, true, 2, quality, size), one);
        EXPECT_EQ(DrawWith(mesh, true, 3, quality, size), one);
        // Switched on and off again, a renderer draws exactly what it drew before.
        const MeshInstance inst = Instance(mesh, quality);
        const RenderJob job = MakeJob({&inst, 1}, size);
        Renderer r(size, size, 2);
        const std::vector<D3DCOLOR> before = Draw(r, job);
        r.SetAntialias(true);
        EXPECT_EQ(Draw(r, job), one);
        r.SetAntialias(false);
        EXPECT_EQ(Draw(r, job), before);
        if (quality != D3DRMRENDER_WIREFRAME) {
            EXPECT_NE(before, one);
        } else {
            EXPECT_EQ(before, one);  // lines keep their own look
        }
    }
}

TEST(RasterAntialias, WarmFramesReuseTheirStorageAndPartialClearsKeepTheRest) {
    const MeshData mesh = SlantedQuad();
    const MeshInstance inst = Instance(mesh, D3DRMRENDER_GOURAUD);
    const SceneLights lights;
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = lights.ambient;
    job.lights = lights.lights;
    Renderer r(kSize, kSize, 2);
    r.SetAntialias(true);
    const std::vector<D3DCOLOR> first = Draw(r, job);
    const std::size_t warm = r.ReservedBytes();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Draw(r, job), first);
        EXPECT_EQ(r.ReservedBytes(), warm);
    }
    // A second viewport over the right half, cleared to another colour: the left half
    // keeps the first picture, pixel for pixel.
    RenderJob right = job;
    right.rect = {50, 0, 50, kSize};
    r.Clear(right.rect, 0xFF000000U);
    r.Render(right);
    const PictureView v = r.Picture();
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(v.pixels[y * kSize + x], At(first, x, y)) << x << "," << y;
        }
        ASSERT_NE(v.pixels[y * kSize + 99], kBackground);
    }
}

}  // namespace
}  // namespace rm
