// Small triangles that fall between the pixel centres and samples are dropped at set-up;
// the rasterizers must agree that such a triangle changes nothing, and those that are kept
// (without samples) must reach at least one pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/primitive_setup.h"
#include "platform/raster/sample_tile.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {
namespace {

constexpr int kSide = kTileSize;
constexpr D3DCOLOR kClear = 0xFF102030U;
constexpr D3DCOLOR kInk = 0xFFFFFFFFU;

struct Plain {
    std::vector<D3DCOLOR> color = std::vector<D3DCOLOR>(kSide * kSide, kClear);
    std::vector<float> depth = std::vector<float>(kSide * kSide, kFarDepth);
    TileTarget Target() {
        TileTarget t;
        t.color = color.data();
        t.depth = depth.data();
        t.width = kSide;
        t.depthStride = kSide;
        t.tile = {0, 0, kSide - 1, kSide - 1};
        t.rect = t.tile;
        return t;
    }
    [[nodiscard]] bool Untouched() const {
        for (std::size_t i = 0; i < color.size(); ++i) {
            if (color[i] != kClear || depth[i] != kFarDepth) {
                return false;
            }
        }
        return true;
    }
};

// Tiny random triangles inside one tile, from well under a pixel to a few pixels across,
// some with corners on exact pixel centres and sample offsets so edges pass through them.
bool RandomTiny(std::mt19937& rng, bool sampled, TriangleSetup& tri) {
    std::uniform_int_distribution<int> at(4 * kSubScale, (kSide - 4) * kSubScale);
    std::uniform_int_distribution<int> step(-3 * kSubScale / 2, 3 * kSubScale / 2);
    std::uniform_int_distribution<int> snap(0, 3);
    ScreenVertex v[3];
    const int cx = at(rng);
    const int cy = at(rng);
    for (ScreenVertex& p : v) {
        p.fx = cx + step(rng);
        p.fy = cy + step(rng);
        if (snap(rng) == 0) {  // onto a centre or a sample: the top-left rule decides
            p.fx = (p.fx & ~(kSubScale - 1)) + kSubScale / 2 + kSampleX[snap(rng)];
            p.fy = (p.fy & ~(kSubScale - 1)) + kSubScale / 2 + kSampleY[snap(rng)];
        }
        p.depth = 0.5F;
        p.r = p.g = p.b = 0.0F;
    }
    if (SignedArea(v[0], v[1], v[2]) < 0) {
        std::swap(v[1], v[2]);
    }
    ColorPlanes planes{};
    return SetupTriangle(v[0], v[1], v[2], {0, 0, kSide - 1, kSide - 1}, kInk, false, sampled, tri,
                         planes);
}

TEST(RasterSmallTriangle, WithoutSamplesDroppedExactlyWhenNoPixelCentreIsCovered) {
    std::mt19937 rng(21);
    int dropped = 0;
    int kept = 0;
    for (int i = 0; i < 20000; ++i) {
        TriangleSetup tri{};
        if (!RandomTiny(rng, false, tri)) {
            continue;
        }
        Plain b;
        const std::uint64_t passed = DrawTriangle(b.Target(), tri, nullptr);
        const int w = tri.box.x1 - tri.box.x0 + 1;
        const int h = tri.box.y1 - tri.box.y0 + 1;
        if (CoversNoSample(tri, false)) {
            ++dropped;
            ASSERT_EQ(passed, 0U) << "triangle " << i;
            ASSERT_TRUE(b.Untouched()) << "triangle " << i;
        } else if (w * h <= kNoSampleBoxArea) {
            ++kept;
            ASSERT_GT(passed, 0U) << "triangle " << i;
        }
    }
    // Both answers must be common, or the test would prove little.
    EXPECT_GT(dropped, 2000);
    EXPECT_GT(kept, 2000);
}

TEST(RasterSmallTriangle, WithSamplesADroppedTriangleResolvesToNothing) {
    std::mt19937 rng(22);
    SampleTile block;
    int dropped = 0;
    int reachedSamples = 0;
    for (int i = 0; i < 6000; ++i) {
        TriangleSetup tri{};
        if (!RandomTiny(rng, true, tri)) {
            continue;
        }
        Plain b;
        const TileTarget t = b.Target();
        block.Clear(t.tile, kClear);
        block.DrawTriangle(t.rect, tri, nullptr);
        block.Resolve(t);
        if (CoversNoSample(tri, true)) {
            ++dropped;
            ASSERT_TRUE(b.Untouched()) << "triangle " << i;
            // Without samples it covers no centre either, so it is dropped there too.
            EXPECT_TRUE(CoversNoSample(tri, false)) << "triangle " << i;
        } else if (!b.Untouched()) {
            ++reachedSamples;
        }
    }
    EXPECT_GT(dropped, 300);
    EXPECT_GT(reachedSamples, 1000);
}

TEST(RasterSmallTriangle, LargeBoxesAreNeverDropped) {
    // Thin slivers across many pixels: some fall between every centre, yet their boxes are
    // too big to search, so they are kept.
    int missing = 0;
    for (int shift = 0; shift < kSubScale; ++shift) {
        ScreenVertex v[3] = {{2 * kSubScale + shift, 10 * kSubScale + 1, 0.5F, 0, 0, 0},
                             {22 * kSubScale + shift, 10 * kSubScale + 15, 0.5F, 0, 0, 0},
                             {22 * kSubScale + shift, 10 * kSubScale + 16, 0.5F, 0, 0, 0}};
        if (SignedArea(v[0], v[1], v[2]) < 0) {
            std::swap(v[1], v[2]);
        }
        TriangleSetup tri{};
        ColorPlanes planes{};
        ASSERT_TRUE(SetupTriangle(v[0], v[1], v[2], {0, 0, kSide - 1, kSide - 1}, kInk, false,
                                  false, tri, planes));
        EXPECT_FALSE(CoversNoSample(tri, false)) << "shift " << shift;
        Plain b;
        missing += DrawTriangle(b.Target(), tri, nullptr) == 0 ? 1 : 0;
    }
    EXPECT_GT(missing, 0);
}

// Every pixel centre and sample of the box, each edge function evaluated afresh.
bool NoPointInside(const TriangleSetup& tri, bool sampled) {
    const EdgeFunction e[3] = {tri.Edge(0), tri.Edge(1), tri.Edge(2)};
    const auto inside = [&](std::int64_t x, std::int64_t y) {
        return e[0].At(x, y) >= 0 && e[1].At(x, y) >= 0 && e[2].At(x, y) >= 0;
    };
    for (int y = tri.box.y0; y <= tri.box.y1; ++y) {
        for (int x = tri.box.x0; x <= tri.box.x1; ++x) {
            const std::int64_t cx = std::int64_t{x} * kSubScale + kSubScale / 2;
            const std::int64_t cy = std::int64_t{y} * kSubScale + kSubScale / 2;
            if (inside(cx, cy)) {
                return false;
            }
            for (int k = 0; sampled && k < kSamples; ++k) {
                if (inside(cx + kSampleX[k], cy + kSampleY[k])) {
                    return false;
                }
            }
        }
    }
    return true;
}

TEST(RasterSmallTriangle, NoSampleTestAgreesWithEveryPointEvaluatedAfresh) {
    // Tiny triangles anywhere in a tile, and big ones whose box the scissor cuts down to a
    // few pixels (long edges, large edge-function values), with and without samples.
    std::mt19937 rng(24);
    std::uniform_int_distribution<int> at(0, kSide * kSubScale);
    std::uniform_int_distribution<int> small(-3 * kSubScale, 3 * kSubScale);
    std::uniform_int_distribution<int> far(-3000 * kSubScale, 3000 * kSubScale);
    std::uniform_int_distribution<int> cut(0, kSide - 5);
    std::uniform_int_distribution<int> size(0, 4);
    int dropped[2] = {0, 0};
    int kept[2] = {0, 0};
    for (int i = 0; i < 40000; ++i) {
        const bool sampled = i % 2 == 1;
        const bool big = i % 5 == 0;
        const int cx = at(rng);
        const int cy = at(rng);
        ScreenVertex v[3];
        for (ScreenVertex& p : v) {
            p = {cx + (big ? far(rng) : small(rng)),
                 cy + (big ? far(rng) : small(rng)),
                 0.5F,
                 0,
                 0,
                 0};
        }
        if (SignedArea(v[0], v[1], v[2]) < 0) {
            std::swap(v[1], v[2]);
        }
        PixelRect scissor{0, 0, kSide - 1, kSide - 1};
        if (big) {
            scissor.x0 = cut(rng);
            scissor.y0 = cut(rng);
            scissor.x1 = scissor.x0 + size(rng);
            scissor.y1 = scissor.y0 + size(rng);
        }
        TriangleSetup tri{};
        ColorPlanes planes{};
        if (!SetupTriangle(v[0], v[1], v[2], scissor, kInk, false, sampled, tri, planes)) {
            continue;
        }
        const int w = tri.box.x1 - tri.box.x0 + 1;
        const int h = tri.box.y1 - tri.box.y0 + 1;
        if (w * h > kNoSampleBoxArea) {
            ASSERT_FALSE(CoversNoSample(tri, sampled)) << "triangle " << i;
            continue;
        }
        const bool none = NoPointInside(tri, sampled);
        ASSERT_EQ(CoversNoSample(tri, sampled), none) << "triangle " << i;
        ++(none ? dropped : kept)[big ? 1 : 0];
    }
    EXPECT_GT(dropped[0], 1000);
    EXPECT_GT(kept[0], 1000);
    EXPECT_GT(dropped[1], 100);
    EXPECT_GT(kept[1], 100);
}

TEST(RasterTriangleRecord, CornersKeepEveryGuardBandPositionExactly) {
    // The packed corners must give back each coordinate, with its sign, from one end of
    // the guard band to the other and at the largest buffer.
    const std::int32_t lo = -static_cast<std::int32_t>(kGuardBand) * kSubScale;
    const std::int32_t hi = (kMaxDimension + static_cast<std::int32_t>(kGuardBand)) * kSubScale;
    std::mt19937 rng(23);
    std::uniform_int_distribution<std::int32_t> any(lo, hi);
    for (int i = 0; i < 2000; ++i) {
        std::int32_t x[3] = {any(rng), any(rng), any(rng)};
        std::int32_t y[3] = {any(rng), any(rng), any(rng)};
        if (i < 8) {  // the extremes and their neighbours, each corner in turn
            x[i % 3] = i % 2 == 0 ? lo : hi;
            y[(i + 1) % 3] = i % 2 == 0 ? hi : lo;
            x[(i + 2) % 3] = i % 4 < 2 ? -1 : 0;
        }
        TriangleSetup tri{};
        tri.SetCorners(x, y);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(tri.Fx(k), x[k]) << i << " corner " << k;
            ASSERT_EQ(tri.Fy(k), y[k]) << i << " corner " << k;
        }
    }
}

}  // namespace
}  // namespace rm::raster
