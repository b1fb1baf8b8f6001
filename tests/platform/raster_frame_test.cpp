// Whole frames: the same pixels for any number of threads, clears, repeated frames and
// the storage a warm frame reuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "tests/platform/raster_test_support.h"

namespace rm {
namespace {

using namespace rastertest;

// Random triangles of every size and both windings, some through the front plane, some
// huge, with and without corner normals.
MeshData RandomMesh(unsigned seed, int faces) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> centre(-30.0F, 30.0F);
    std::uniform_real_distribution<float> depth(-5.0F, 80.0F);
    std::uniform_real_distribution<float> offset(-1.0F, 1.0F);
    std::uniform_int_distribution<std::uint32_t> color(0, 0xFFFFFF);
    std::exponential_distribution<float> size(0.5F);
    MeshData mesh;
    for (int f = 0; f < faces; ++f) {
        const D3DVECTOR c{centre(rng), centre(rng), depth(rng)};
        const float s = size(rng) * (f % 50 == 0 ? 40.0F : 1.0F);
        const auto corner = [&] {
            return D3DVECTOR{c.x + s * offset(rng), c.y + s * offset(rng), c.z + s * offset(rng)};
        };
        const D3DVECTOR n{offset(rng), offset(rng), offset(rng)};
        if (f % 3 == 0) {
            AddFace(mesh, {corner(), corner(), corner(), corner()}, 0xFF000000U | color(rng),
                    {n, n});
        } else {
            AddFace(mesh, {corner(), corner(), corner()}, 0xFF000000U | color(rng), {n});
        }
    }
    return mesh;
}

struct Frame {
    std::vector<D3DCOLOR> pixels;
    RenderStats stats;
};

Frame DrawScene(unsigned threads, int width, int height) {
    static const MeshData flat = RandomMesh(1, 3000);
    static const MeshData smooth = RandomMesh(2, 2000);
    static const MeshData wire = RandomMesh(3, 500);
    MeshInstance list[] = {Instance(flat, D3DRMRENDER_FLAT), Instance(smooth, D3DRMRENDER_GOURAUD),
                           Instance(wire, D3DRMRENDER_WIREFRAME)};
    list[1].modelToWorld.m[3][0] = 3.0F;
    const SceneLights lights;
    RenderJob job = MakeJob(list);
    job.rect = {0, 0, width, height};
    job.ambient = lights.ambient;
    job.lights = lights.lights;
    Renderer r(width, height, threads);
    r.SetCountFragments(true);
    Frame out;
    out.pixels = Draw(r, job);
    out.stats = r.LastStats();
    return out;
}

TEST(RasterThreads, SamePixelsWhateverTheThreadCount) {
    for (const auto& [w, h] : {std::pair{301, 203}, {640, 360}}) {
        const Frame one = DrawScene(1, w, h);
        ASSERT_GT(one.stats.trianglesDrawn, 1000U);
        ASSERT_GT(one.stats.fragmentsPassed, 10000U);
        for (const unsigned threads : {2U, 3U, 0U}) {
            const Frame many = DrawScene(threads, w, h);
            EXPECT_TRUE(many.pixels == one.pixels) << threads << " threads at " << w << "x" << h;
            EXPECT_EQ(many.stats.trianglesIn, one.stats.trianglesIn);
            EXPECT_EQ(many.stats.trianglesDrawn, one.stats.trianglesDrawn);
            EXPECT_EQ(many.stats.fragmentsPassed, one.stats.fragmentsPassed);
        }
    }
}

TEST(RasterThreads, ThreadCountZeroMeansOnePerHardwareThread) {
    Renderer r(16, 16, 0);
    EXPECT_GE(r.ThreadCount(), 1U);
    EXPECT_EQ(Renderer(16, 16, 3).ThreadCount(), 3U);
}

TEST(RasterFrames, WarmFramesRepeatThePictureAndReuseTheirStorage) {
    const MeshData mesh = RandomMesh(4, 4000);
    MeshInstance inst = Instance(mesh, D3DRMRENDER_GOURAUD);
    const SceneLights lights;
    RenderJob job = MakeJob({&inst, 1}, 320);
    job.ambient = lights.ambient;
    job.lights = lights.lights;
    Renderer r(320, 320, 2);
    const auto first = Draw(r, job);
    const std::size_t warm = r.ReservedBytes();
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(Draw(r, job) == first);
        EXPECT_EQ(r.ReservedBytes(), warm);
    }
    // Switching to wireframe and back is also served from the same storage once seen.
    inst.quality = D3DRMRENDER_WIREFRAME;
    const auto wire = Draw(r, job);
    const std::size_t warmBoth = r.ReservedBytes();
    inst.quality = D3DRMRENDER_GOURAUD;
    EXPECT_TRUE(Draw(r, job) == first);
    inst.quality = D3DRMRENDER_WIREFRAME;
    EXPECT_TRUE(Draw(r, job) == wire);
    EXPECT_EQ(r.ReservedBytes(), warmBoth);
}

TEST(RasterFrames, ClearResetsColourAndDepthInsideItsRectangleOnly) {
    MeshData mesh;
    AddSquare(mesh, 100.0F, 10.0F, 0xFFFF0000U);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    const RenderJob job = MakeJob({&inst, 1}, 200);
    Renderer r(200, 200, 2);
    r.Clear({0, 0, 200, 200}, kBackground);
    r.Render(job);
    // Clear a rectangle that cuts tiles, then one that covers whole tiles.
    r.Clear({10, 20, 50, 30}, 0xFF0000FFU);
    r.Clear({64, 64, 64, 64}, 0xFF00FF00U);
    PictureView v = r.Picture();
    const auto at = [&](int x, int y) { return v.pixels[y * 200 + x]; };
    EXPECT_EQ(at(10, 20), 0xFF0000FFU);
    EXPECT_EQ(at(59, 49), 0xFF0000FFU);
    EXPECT_EQ(at(60, 49), 0xFFFF0000U);
    EXPECT_EQ(at(9, 20), 0xFFFF0000U);
    EXPECT_EQ(at(64, 64), 0xFF00FF00U);
    EXPECT_EQ(at(127, 127), 0xFF00FF00U);
    EXPECT_EQ(at(128, 127), 0xFFFF0000U);
    // A farther face now shows only where depth was cleared.
    MeshData far;
    AddSquare(far, 200.0F, 20.0F, 0xFFFFFFFFU);
    const MeshInstance farInst = Instance(far, D3DRMFILL_SOLID);
    r.Render(MakeJob({&farInst, 1}, 200));
    v = r.Picture();
    EXPECT_EQ(at(30, 30), 0xFFFFFFFFU);
    EXPECT_EQ(at(100, 100), 0xFFFFFFFFU);
    EXPECT_EQ(at(150, 150), 0xFFFF0000U);
}

TEST(RasterFrames, ClearAloneShowsTheBackgroundAndRenderAddsToTheBuffer) {
    Renderer r(130, 70, 2);
    r.Clear({0, 0, 130, 70}, 0xFF123456U);
    PictureView v = r.Picture();
    for (int i = 0; i < 130 * 70; ++i) {
        ASSERT_EQ(v.pixels[i], 0xFF123456U);
    }
    // Two renders without a clear between them keep both pictures.
    MeshData a;
    AddFace(a, {{-1, 1, 10}, {0, 1, 10}, {0, -1, 10}, {-1, -1, 10}}, 0xFFFF0000U);
    MeshData b;
    AddFace(b, {{0, 1, 10}, {1, 1, 10}, {1, -1, 10}, {0, -1, 10}}, 0xFF00FF00U);
    const MeshInstance ia = Instance(a, D3DRMFILL_SOLID);
    const MeshInstance ib = Instance(b, D3DRMFILL_SOLID);
    RenderJob job = MakeJob({&ia, 1});
    job.rect = {0, 0, 130, 70};
    r.Render(job);
    job.meshes = {&ib, 1};
    r.Render(job);
    v = r.Picture();
    EXPECT_EQ(v.pixels[35 * 130 + 60], 0xFFFF0000U);
    EXPECT_EQ(v.pixels[35 * 130 + 70], 0xFF00FF00U);
    EXPECT_EQ(v.pixels[5 * 130 + 5], 0xFF123456U);
}

// A frame: the clears, in order, then the square drawn where `shift` moves it (none when
// `draw` is false).
struct FrameSteps {
    std::vector<std::pair<ViewportRect, D3DCOLOR>> clears;
    bool draw = false;
    float shift = 0.0F;
};

std::vector<D3DCOLOR> RunFrame(Renderer& r, const FrameSteps& f) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, 0xFFFF8000U);
    MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    inst.modelToWorld.m[3][0] = f.shift;
    RenderJob job = MakeJob({&inst, 1});
    job.rect = {0, 0, r.Width(), r.Height()};
    for (const auto& [rect, color] : f.clears) {
        r.Clear(rect, color);
    }
    if (f.draw) {
        r.Render(job);
    }
    const PictureView v = r.Picture();
    return {v.pixels,
            v.pixels + static_cast<std::size_t>(v.width) * static_cast<std::size_t>(v.height)};
}

// A tile's colour is not filled again when it holds the clear colour already; whatever a
// renderer drew or cleared before, each picture must equal a new renderer's.
TEST(RasterFrames, BackgroundKeptFromEarlierFramesOnlyWhereStillRight) {
    constexpr int kW = 200;
    constexpr int kH = 150;  // tiles cut at the right and bottom
    constexpr D3DCOLOR kOther = 0xFF405060U;
    const ViewportRect all{0, 0, kW, kH};
    const std::vector<FrameSteps> frames = {
        {{{all, kBackground}}, true, -6.0F},
        {{{all, kBackground}}, true, 6.0F},  // moved: the tiles it left are background again
        {{{all, kBackground}}, false, 0.0F},
        {{{all, kBackground}}, false, 0.0F},
        {{{all, kOther}}, false, 0.0F},
        {{{all, kBackground}, {{70, 10, 60, 100}, kOther}}, false, 0.0F},  // cuts tiles
        {{{all, kBackground}}, false, 0.0F},
        {{{all, kBackground}, {{64, 0, 64, 64}, kOther}}, true, 0.0F},  // whole tile only
        {{{all, kOther}}, false, 0.0F},
        {{{all, 0xFF000000U}}, false, 0.0F},  // a new renderer's own colour
        {{{all, kBackground}}, true, -6.0F},
        {{{all, kBackground}, {{0, 0, 100, 100}, kBackground}}, true, 3.0F},
    };
    for (const bool aa : {false, true}) {
        for (const unsigned threads : {1U, 2U}) {
            Renderer kept(kW, kH, threads);
            kept.SetAntialias(aa);
            for (std::size_t i = 0; i < frames.size(); ++i) {
                Renderer fresh(kW, kH, threads);
                fresh.SetAntialias(aa);
                const std::vector<D3DCOLOR> want = RunFrame(fresh, frames[i]);
                const std::vector<D3DCOLOR> got = RunFrame(kept, frames[i]);
                EXPECT_TRUE(got == want) << "frame " << i << " aa " << aa << " threads " << threads;
                // The pictures do change from frame to frame: a corner shows the last clear.
                EXPECT_EQ(got[static_cast<std::size_t>(kW) * kH - 1], frames[i].clears[0].second);
                if (frames[i].draw) {
                    const auto shown = std::count_if(got.begin(), got.end(), [](D3DCOLOR c) {
                        return c != kBackground && c != kOther;
                    });
                    EXPECT_GT(shown, 300) << "frame " << i;
                }
            }
        }
    }
}

// A tile's faces must be taken in face order across all the frame's chunks, none left out,
// whatever chunks hold none for it. Each 8x8 cell of the view has a square of its own,
// drawn twice at the same depth: once among the first half of the faces and once, in
// another colour, in the second half. Equal depth keeps the first.
TEST(RasterFrames, FacesOfEveryChunkDrawnInFaceOrder) {
    constexpr int kSide = 256;
    constexpr int kCells = kSide / 8;  // per side
    constexpr int kCount = kCells * kCells;
    constexpr float kScale = kSide / 1.0F;  // pixels per unit at distance 1 (field 0.5)
    const auto colorOf = [](int face) {
        return 0xFF000000U | static_cast<D3DCOLOR>(face * 2654435761U >> 8 & 0xFFFFFFU);
    };
    MeshData mesh;
    for (int face = 0; face < 2 * kCount; ++face) {
        const int cell = face % kCount;
        const float z = 20.0F + static_cast<float>(cell % 7);
        const auto wx = [&](float px) { return (px - kSide / 2.0F) * z / kScale; };
        const auto wy = [&](float py) { return (kSide / 2.0F - py) * z / kScale; };
        const float x0 = wx(8.0F * (cell % kCells) + 2.0F);
        const float x1 = wx(8.0F * (cell % kCells) + 6.0F);
        const float y0 = wy(8.0F * (cell / kCells) + 6.0F);
        const float y1 = wy(8.0F * (cell / kCells) + 2.0F);
        AddFace(mesh, {{x0, y1, z}, {x1, y1, z}, {x1, y0, z}, {x0, y0, z}}, colorOf(face));
    }
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    for (const bool aa : {false, true}) {
        for (const unsigned threads : {1U, 2U}) {
            Renderer r(kSide, kSide, threads);
            r.SetAntialias(aa);
            const std::vector<D3DCOLOR> got = Draw(r, MakeJob({&inst, 1}, kSide));
            int wrong = 0;
            for (int cell = 0; cell < kCount; ++cell) {
                const int x = 8 * (cell % kCells);
                const int y = 8 * (cell / kCells);
                wrong += At(got, x + 4, y + 4, kSide) != colorOf(cell) ? 1 : 0;
                wrong += At(got, x + 3, y + 3, kSide) != colorOf(cell) ? 1 : 0;
                wrong += At(got, x, y, kSide) != kBackground ? 1 : 0;
            }
            EXPECT_EQ(wrong, 0) << "aa " << aa << " threads " << threads;
        }
    }
}

TEST(RasterFrames, StatsCountTrianglesAndOnlyCountFragmentsWhenAsked) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, 0xFFFFFFFFU);                            // 2 drawn
    AddFace(mesh, {{-1, -1, 10}, {1, -1, 10}, {1, 1, 10}}, 0xFFFFFFFFU);  // back face
    AddFace(mesh, {{50, 1, 10}, {51, 1, 10}, {51, 0, 10}, {50, 0, 10}, {50, 0.5F, 10}},
            0xFFFFFFFFU);  // off screen
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    Renderer r(kSize, kSize, 2);
    (void)Draw(r, MakeJob({&inst, 1}));
    EXPECT_EQ(r.LastStats().trianglesIn, 2U + 1U + 3U);
    EXPECT_EQ(r.LastStats().trianglesDrawn, 2U);
    EXPECT_EQ(r.LastStats().fragmentsPassed, 0U);
    r.SetCountFragments(true);
    (void)Draw(r, MakeJob({&inst, 1}));
    EXPECT_EQ(r.LastStats().fragmentsPassed, 400U);
}

}  // namespace
}  // namespace rm
