// The triangle fills against a pixel-by-pixel model of what they must do: every pixel centre
// inside all three edges of a triangle and strictly nearer than the depth already there
// takes the triangle's depth and colour, nothing else changes. Random triangles of every
// size over tiles at the buffer's edges, under scissors that cut them at odd columns, with
// flat and Gouraud colour, so that every walk the fills choose (short rows, long rows,
// whole blocks, a group sticking out of the buffer's last column) meets the model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/frame_buffer.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/sample_tile.h"
#include "platform/raster/tile_raster.h"
#include "tests/platform/raster_tile_buffers.h"

namespace rm::raster {
namespace {

using Buffers = TileBuffers;

// What a fill must leave, one pixel at a time, in the fills' own float operations.
std::uint64_t ModelFill(Buffers& b, const TileTarget& t, const TriangleSetup& tri,
                        const ColorPlanes* cp) {
    std::uint64_t passed = 0;
    const int x0 = std::max<int>(tri.box.x0, t.rect.x0);
    const int x1 = std::min<int>(tri.box.x1, t.rect.x1);
    const int y0 = std::max<int>(tri.box.y0, t.rect.y0);
    const int y1 = std::min<int>(tri.box.y1, t.rect.y1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            bool inside = true;
            for (int k = 0; k < 3; ++k) {
                const EdgeFunction f = tri.Edge(k);
                const std::int64_t e = std::int64_t{f.a} * (x * kSubScale + kSubScale / 2) +
                                       std::int64_t{f.b} * (y * kSubScale + kSubScale / 2) + f.c;
                inside = inside && e >= 0;
            }
            if (!inside) {
                continue;
            }
            const float dy = static_cast<float>(y - tri.box.y0);
            const float dx = static_cast<float>(x - tri.box.x0);
            const volatile float zRow = tri.z0 + tri.zdy * dy;
            const volatile float zx = tri.zdx * dx;
            const float z = zRow + zx;
            float& old = b.depth[static_cast<std::size_t>(y * b.stride + x)];
            if (!(z < old)) {
                continue;
            }
            old = z;
            ++passed;
            D3DCOLOR c = tri.color;
            if (cp != nullptr) {
                const auto channel = [&](float start, float stepY, float stepX) {
                    const volatile float row = start + stepY * dy;
                    const volatile float along = stepX * dx;
                    const float v = std::clamp(row + along, 0.0F, 255.0F);
                    return static_cast<D3DCOLOR>(std::nearbyint(v));
                };
                c = 0xFF000000U | channel(cp->r0, cp->rdy, cp->rdx) << 16 |
                    channel(cp->g0, cp->gdy, cp->gdx) << 8 | channel(cp->b0, cp->bdy, cp->bdx);
            }
            b.color[static_cast<std::size_t>(y * b.width + x)] = c;
        }
    }
    return passed;
}

struct Case {
    int width;
    int height;
    PixelRect scissor;
    float size;    // typical triangle extent in pixels
    int minDrawn;  // triangles that must reach the scissor, so the case tests something
};

void CheckCase(const Case& c, unsigned seed, int triangles) {
    std::mt19937 rng(seed);
    Buffers fill(c.width, c.height, rng);
    Buffers model = fill;
    std::uniform_real_distribution<float> unit(0.0F, 1.0F);
    std::uniform_int_distribution<std::uint32_t> colour(0, 0xFFFFFF);
    int drawn = 0;
    for (int i = 0; i < triangles; ++i) {
        const float cx = unit(rng) * static_cast<float>(c.width);
        const float cy = unit(rng) * static_cast<float>(c.height);
        const float s = c.size * (0.2F + 1.6F * unit(rng));
        ScreenVertex v[3];
        for (ScreenVertex& p : v) {
            p.fx = static_cast<std::int32_t>((cx + s * (unit(rng) - 0.5F)) * kSubScale);
            p.fy = static_cast<std::int32_t>((cy + s * (unit(rng) - 0.5F)) * kSubScale);
            p.depth = unit(rng);
            p.r = 255.0F * unit(rng);
            p.g = 300.0F * unit(rng) - 20.0F;  // past both ends: the clamp is used
            p.b = 255.0F * unit(rng);
        }
        if (SignedArea(v[0], v[1], v[2]) < 0) {
            std::swap(v[1], v[2]);
        }
        const bool gouraud = i % 4 == 3;
        TriangleSetup tri{};
        ColorPlanes planes{};
        if (!SetupTriangle(v[0], v[1], v[2], c.scissor, colour(rng), gouraud, false, tri, planes)) {
            continue;
        }
        ++drawn;
        const ColorPlanes* cp = gouraud ? &planes : nullptr;
        for (int ty = tri.box.y0 / kTileSize; ty <= tri.box.y1 / kTileSize; ++ty) {
            for (int tx = tri.box.x0 / kTileSize; tx <= tri.box.x1 / kTileSize; ++tx) {
                const PixelRect tile{tx * kTileSize, ty * kTileSize,
                                     std::min(c.width, (tx + 1) * kTileSize) - 1,
                                     std::min(c.height, (ty + 1) * kTileSize) - 1};
                const std::uint64_t got = DrawTriangle(fill.Target(tile, c.scissor), tri, cp);
                const std::uint64_t want = ModelFill(model, model.Target(tile, c.scissor), tri, cp);
                ASSERT_EQ(got, want) << "triangle " << i << " tile " << tx << "," << ty;
            }
        }
    }
    EXPECT_GE(drawn, c.minDrawn);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * c.width + x);
            ASSERT_EQ(fill.color[i], model.color[i]) << "pixel " << x << "," << y;
            ASSERT_EQ(fill.depth[static_cast<std::size_t>(y * fill.stride + x)],
                      model.depth[static_cast<std::size_t>(y * model.stride + x)])
                << "pixel " << x << "," << y;
        }
    }
}

TEST(RasterFill, SmallTrianglesMatchThePixelModel) {
    // Widths that are no multiple of 4 put the buffer's last group partly outside a row.
    CheckCase({150, 90, {0, 0, 149, 89}, 6.0F, 3000}, 1, 4000);
    CheckCase({131, 77, {0, 0, 130, 76}, 14.0F, 2000}, 2, 3000);
}

TEST(RasterFill, LargeTrianglesAndWholeTilesMatchThePixelModel) {
    CheckCase({203, 150, {0, 0, 202, 149}, 60.0F, 300}, 3, 600);
    CheckCase({256, 192, {0, 0, 255, 191}, 400.0F, 100}, 4, 150);
}

TEST(RasterFill, ScissorsAtOddColumnsCutTrianglesExactly) {
    CheckCase({150, 90, {3, 5, 141, 86}, 10.0F, 1500}, 5, 3000);
    CheckCase({203, 150, {37, 21, 130, 99}, 80.0F, 200}, 6, 500);
    CheckCase({131, 140, {66, 63, 66, 63}, 30.0F, 3}, 7, 300);  // one pixel
}

// A sample tile started from a clear fills its samples in only where drawing reaches; it
// must resolve exactly as one loaded from a buffer that holds the clear everywhere.
TEST(RasterSampleTile, StartingFromAClearResolvesAsLoadingTheClearedBuffer) {
    constexpr D3DCOLOR kClear = 0xFF204060U;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0.0F, 1.0F);
    // A whole tile and a narrow last tile whose width is no multiple of 4.
    for (const int width : {128, 64 + 23}) {
        Buffers lazy(width, 64, rng);
        std::fill(lazy.color.begin(), lazy.color.end(), kClear);
        std::fill(lazy.depth.begin(), lazy.depth.end(), kFarDepth);
        Buffers loaded = lazy;
        const PixelRect tile{64, 0, width - 1, 63};
        const PixelRect scissor{64 + 3, 2, width - 2, 60};
        SampleTile a;
        SampleTile b;
        a.Clear(tile, kClear);
        b.Load(tile, loaded.Target(tile, scissor));
        const TileTarget ta = lazy.Target(tile, scissor);
        const TileTarget tb = loaded.Target(tile, scissor);
        std::uint64_t passed = 0;
        for (int i = 0; i < 60; ++i) {
            // Small faces scattered over the tile, so that rows are reached piece by piece
            // from both sides, and some strokes' lines, plain and as bands.
            const float cx = 64.0F + unit(rng) * static_cast<float>(width - 64);
            const float cy = unit(rng) * 64.0F;
            const float s = 1.0F + 12.0F * unit(rng);
            if (i % 5 == 4) {
                LineSetup line{};
                if (SetupLine(cx, cy, unit(rng), cx + s * (unit(rng) - 0.5F) * 4.0F,
                              cy + s * (unit(rng) - 0.5F), unit(rng), scissor, 0xFF00FF00U, line)) {
                    line.band = i % 10 == 9;
                    const std::uint64_t got = a.DrawLine(ta.rect, line);
                    EXPECT_EQ(got, b.DrawLine(tb.rect, line));
                    passed += got;
                }
                continue;
            }
            ScreenVertex v[3];
            for (ScreenVertex& p : v) {
                p.fx = static_cast<std::int32_t>((cx + s * (unit(rng) - 0.5F)) * kSubScale);
                p.fy = static_cast<std::int32_t>((cy + s * (unit(rng) - 0.5F)) * kSubScale);
                p.depth = unit(rng);
                p.r = p.g = p.b = 0.0F;
            }
            if (SignedArea(v[0], v[1], v[2]) < 0) {
                std::swap(v[1], v[2]);
            }
            TriangleSetup tri{};
            ColorPlanes planes{};
            if (SetupTriangle(v[0], v[1], v[2], scissor, 0xFF000000U | (i * 0x10305U), false, true,
                              tri, planes)) {
                const std::uint64_t got = a.DrawTriangle(ta.rect, tri, nullptr);
                EXPECT_EQ(got, b.DrawTriangle(tb.rect, tri, nullptr));
                passed += got;
            }
        }
        EXPECT_GT(passed, 50U);
        a.Resolve(ta);
        b.Resolve(tb);
        EXPECT_EQ(lazy.color, loaded.color) << "width " << width;
        EXPECT_EQ(lazy.depth, loaded.depth) << "width " << width;
    }
}

// A triangle reaching far past the tile on every side, its depth a tilted plane.
TriangleSetup WholeTileTriangle(float depth, float tilt, D3DCOLOR color, bool gouraud,
                                ColorPlanes& planes) {
    ScreenVertex v[3] = {{-400 * kSubScale, -300 * kSubScale, depth, 10, 20, 30},
                         {900 * kSubScale, -200 * kSubScale, depth + tilt, 200, 20, 30},
                         {300 * kSubScale, 800 * kSubScale, depth - tilt, 10, 250, 90}};
    if (SignedArea(v[0], v[1], v[2]) < 0) {
        std::swap(v[1], v[2]);
    }
    TriangleSetup tri{};
    EXPECT_TRUE(
        SetupTriangle(v[0], v[1], v[2], {0, 0, 255, 255}, color, gouraud, true, tri, planes));
    return tri;
}

// Faces that cover a whole tile are kept as one face until something else arrives; the
// resolved tile, and every count, must be what drawing them sample by sample gives.
TEST(RasterSampleTile, FacesCoveringTheWholeTileResolveAsDrawnSampleBySample) {
    constexpr D3DCOLOR kClear = 0xFF000000U;
    struct Step {
        float depth;
        float tilt;
        bool gouraud;
        bool small;           // a small face inside the tile instead of a whole one
        bool misses = false;  // a face whose bounds hold the tile but none of its samples
    };
    const std::vector<std::vector<Step>> sequences = {
        {{0.9F, 0.01F, false, false}, {0.5F, 0.02F, false, false}, {0.2F, 0, false, true}},
        {{0.5F, 0.0F, false, false}, {0.9F, 0.01F, false, false}},   // farther: fails
        {{0.5F, 0.0F, false, false}, {0.5F, 0.0F, false, false}},    // equal: fails
        {{0.5F, 0.3F, false, false}, {0.45F, -0.3F, false, false}},  // planes cross
        {{0.9F, 0.0F, false, false}, {0.1F, 0.05F, true, false}},    // Gouraud
        {{0.9F, 0.0F, false, false}, {0.1F, 0, false, true}, {0.05F, 0.0F, false, false}},
        {{0.9F, 0.0F, false, false}, {0.1F, 0, false, false, true}, {0.5F, 0.0F, false, false}},
    };
    for (const int width : {128, 64 + 23}) {
        int n = 0;
        for (const std::vector<Step>& steps : sequences) {
            std::mt19937 rng(static_cast<unsigned>(n));
            Buffers lazy(width, 64, rng);
            std::fill(lazy.color.begin(), lazy.color.end(), kClear);
            std::fill(lazy.depth.begin(), lazy.depth.end(), kFarDepth);
            Buffers loaded = lazy;
            const PixelRect tile{64, 0, width - 1, 63};
            SampleTile a;
            SampleTile b;
            a.Clear(tile, kClear);
            b.Load(tile, loaded.Target(tile, tile));
            D3DCOLOR color = 0xFF102030U;
            for (const Step& step : steps) {
                color += 0x00203010U;
                ColorPlanes planes{};
                TriangleSetup tri{};
                if (step.misses) {
                    ScreenVertex v[3] = {{400 * kSubScale, -100 * kSubScale, step.depth, 0, 0, 0},
                                         {400 * kSubScale, 400 * kSubScale, step.depth, 0, 0, 0},
                                         {0, 400 * kSubScale, step.depth, 0, 0, 0}};
                    if (SignedArea(v[0], v[1], v[2]) < 0) {
                        std::swap(v[1], v[2]);
                    }
                    ASSERT_TRUE(
                        SetupTriangle(v[0], v[1], v[2], tile, color, false, true, tri, planes));
                } else if (step.small) {
                    ScreenVertex v[3] = {{80 * kSubScale, 10 * kSubScale, step.depth, 0, 0, 0},
                                         {84 * kSubScale + 7, 30 * kSubScale, step.depth, 0, 0, 0},
                                         {70 * kSubScale + 3, 20 * kSubScale, step.depth, 0, 0, 0}};
                    if (SignedArea(v[0], v[1], v[2]) < 0) {
                        std::swap(v[1], v[2]);
                    }
                    ASSERT_TRUE(
                        SetupTriangle(v[0], v[1], v[2], tile, color, false, true, tri, planes));
                } else {
                    tri = WholeTileTriangle(step.depth, step.tilt, color, step.gouraud, planes);
                }
                const ColorPlanes* cp = step.gouraud ? &planes : nullptr;
                EXPECT_EQ(a.DrawTriangle(tile, tri, cp), b.DrawTriangle(tile, tri, cp))
                    << "sequence " << n << " width " << width;
            }
            a.Resolve(lazy.Target(tile, tile));
            b.Resolve(loaded.Target(tile, tile));
            EXPECT_EQ(lazy.color, loaded.color) << "sequence " << n << " width " << width;
            EXPECT_EQ(lazy.depth, loaded.depth) << "sequence " << n << " width " << width;
            EXPECT_NE(lazy.color[64], kClear) << "sequence " << n;
            ++n;
        }
    }
}

}  // namespace
}  // namespace rm::raster
