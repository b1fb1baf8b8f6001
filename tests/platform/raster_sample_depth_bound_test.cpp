// The sample tile skips triangles and groups of pixels that a depth bound says cannot pass.
// Whatever it skips, the resolved tile and every count must be those of a sample-by-sample
// model that tests each sample on its own: deep piles of small faces where most are hidden,
// equal depths, shared edges, faces cut by the tile's sides and the scissor, lines between
// them, and one block reused over tiles started from a clear, from a buffer and from a face
// kept whole, so a bound left over from an earlier tile would show.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/edge_walk.h"
#include "platform/raster/frame_buffer.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/sample_tile.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {
namespace {

constexpr int kPlane = kTileSize * kTileSize;

// Every sample of one tile, drawn one at a time.
struct SampleModel {
    PixelRect tile;
    std::vector<D3DCOLOR> color = std::vector<D3DCOLOR>(kSamples * kPlane);
    std::vector<float> depth = std::vector<float>(kSamples * kPlane);

    void Start(const PixelRect& t, D3DCOLOR clear) {
        tile = t;
        std::fill(color.begin(), color.end(), clear);
        std::fill(depth.begin(), depth.end(), kFarDepth);
    }
    void Load(const PixelRect& t, const std::vector<D3DCOLOR>& c, const std::vector<float>& d,
              int width) {
        tile = t;
        for (int y = t.y0; y <= t.y1; ++y) {
            for (int x = t.x0; x <= t.x1; ++x) {
                for (int k = 0; k < kSamples; ++k) {
                    const std::size_t at = Index(k, x, y);
                    color[at] = c[static_cast<std::size_t>(y * width + x)];
                    depth[at] = d[static_cast<std::size_t>(y * width + x)];
                }
            }
        }
    }
    [[nodiscard]] std::size_t Index(int k, int x, int y) const {
        return static_cast<std::size_t>(k * kPlane + (y - tile.y0) * kTileSize + (x - tile.x0));
    }
    TileTarget Plane(int k, const PixelRect& rect) {
        TileTarget t;
        t.color = color.data() + static_cast<std::size_t>(k) * kPlane;
        t.depth = depth.data() + static_cast<std::size_t>(k) * kPlane;
        t.width = kTileSize;
        t.depthStride = kTileSize;
        t.originX = tile.x0;
        t.originY = tile.y0;
        t.rect = rect;
        t.tile = tile;
        return t;
    }

    std::uint64_t Triangle(const PixelRect& rect, const TriangleSetup& tri) {
        const PixelRect r = RegionInTile(tri, rect);
        std::uint64_t passed = 0;
        for (int y = r.y0; y <= r.y1; ++y) {
            for (int x = r.x0; x <= r.x1; ++x) {
                for (int k = 0; k < kSamples; ++k) {
                    bool inside = true;
                    for (int e = 0; e < 3; ++e) {
                        const EdgeFunction f = tri.Edge(e);
                        inside = inside && f.At(x * kSubScale + kSubScale / 2 + kSampleX[k],
                                                y * kSubScale + kSubScale / 2 + kSampleY[k]) >= 0;
                    }
                    if (!inside) {
                        continue;
                    }
                    // The fill's own float steps: row start, then the column term.
                    const volatile float zRow =
                        SampleDepthStart(tri, k) + tri.zdy * static_cast<float>(y - tri.box.y0);
                    const volatile float zx = tri.zdx * static_cast<float>(x - tri.box.x0);
                    const float z = zRow + zx;
                    float& old = depth[Index(k, x, y)];
                    if (z < old) {
                        old = z;
                        color[Index(k, x, y)] = tri.color;
                        passed += k == 0 ? 1 : 0;
                    }
                }
            }
        }
        return passed;
    }

    // Each pixel the rounded mean of its samples' channels and the nearest of their depths.
    void Resolve(std::vector<D3DCOLOR>& c, std::vector<float>& d, int width) const {
        for (int y = tile.y0; y <= tile.y1; ++y) {
            for (int x = tile.x0; x <= tile.x1; ++x) {
                D3DCOLOR out = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    std::uint32_t sum = 0;
                    for (int k = 0; k < kSamples; ++k) {
                        sum += (color[Index(k, x, y)] >> shift) & 0xFFU;
                    }
                    out |= ((sum + 2) >> 2) << shift;
                }
                float nearest = kFarDepth;
                for (int k = 0; k < kSamples; ++k) {
                    nearest = std::min(nearest, depth[Index(k, x, y)]);
                }
                c[static_cast<std::size_t>(y * width + x)] = out;
                d[static_cast<std::size_t>(y * width + x)] = nearest;
            }
        }
    }
};

// A picture two tiles wide whose second tile is narrow (no multiple of four columns).
constexpr int kWidth = kTileSize + 23;
constexpr int kHeight = kTileSize;

struct Picture {
    std::vector<D3DCOLOR> color = std::vector<D3DCOLOR>(kWidth * kHeight, 0xFF000000U);
    std::vector<float> depth = std::vector<float>(kWidth * kHeight, kFarDepth);
    TileTarget Target(const PixelRect& tile, const PixelRect& rect) {
        TileTarget t;
        t.color = color.data();
        t.depth = depth.data();
        t.width = kWidth;
        t.depthStride = kWidth;
        t.tile = tile;
        t.rect = rect;
        return t;
    }
};

bool SmallTriangle(std::mt19937& rng, const PixelRect& tile, const PixelRect& scissor, float depth,
                   float tilt, D3DCOLOR color, TriangleSetup& tri) {
    std::uniform_real_distribution<float> unit(0.0F, 1.0F);
    // Centres also a little outside the tile, so that its sides cut some faces.
    const float cx = static_cast<float>(tile.x0 - 4) + unit(rng) * (tile.x1 - tile.x0 + 9);
    const float cy = static_cast<float>(tile.y0 - 4) + unit(rng) * (tile.y1 - tile.y0 + 9);
    const float s = 0.5F + 10.0F * unit(rng) * unit(rng);
    ScreenVertex v[3];
    for (ScreenVertex& p : v) {
        p.fx = static_cast<std::int32_t>((cx + s * (unit(rng) - 0.5F)) * kSubScale);
        p.fy = static_cast<std::int32_t>((cy + s * (unit(rng) - 0.5F)) * kSubScale);
        p.depth = depth + tilt * (unit(rng) - 0.5F);
        p.r = p.g = p.b = 0.0F;
    }
    if (SignedArea(v[0], v[1], v[2]) < 0) {
        std::swap(v[1], v[2]);
    }
    ColorPlanes planes{};
    return SetupTriangle(v[0], v[1], v[2], scissor, color, false, true, tri, planes);
}

// Two triangles of one quad, sharing its diagonal, at one depth.
bool QuadHalf(int half, int x, int y, int side, float depth, D3DCOLOR color,
              const PixelRect& scissor, TriangleSetup& tri) {
    const std::int32_t x0 = x * kSubScale + 3;
    const std::int32_t y0 = y * kSubScale + 5;
    const std::int32_t x1 = x0 + side * kSubScale + 7;
    const std::int32_t y1 = y0 + side * kSubScale + 2;
    ScreenVertex v[3] = {
        {x0, y0, depth, 0, 0, 0}, {x1, y0, depth, 0, 0, 0}, {x1, y1, depth, 0, 0, 0}};
    if (half == 1) {
        v[1] = {x0, y1, depth, 0, 0, 0};
    }
    if (SignedArea(v[0], v[1], v[2]) < 0) {
        std::swap(v[1], v[2]);
    }
    ColorPlanes planes{};
    return SetupTriangle(v[0], v[1], v[2], scissor, color, false, true, tri, planes);
}

// A flat face over the whole picture, its depth gently tilted.
TriangleSetup WholeFace(float depth, float tilt, D3DCOLOR color) {
    ScreenVertex v[3] = {{-500 * kSubScale, -400 * kSubScale, depth, 0, 0, 0},
                         {900 * kSubScale, -300 * kSubScale, depth + tilt, 0, 0, 0},
                         {200 * kSubScale, 900 * kSubScale, depth - tilt, 0, 0, 0}};
    if (SignedArea(v[0], v[1], v[2]) < 0) {
        std::swap(v[1], v[2]);
    }
    TriangleSetup tri{};
    ColorPlanes planes{};
    EXPECT_TRUE(SetupTriangle(v[0], v[1], v[2], {0, 0, kWidth - 1, kHeight - 1}, color, false, true,
                              tri, planes));
    return tri;
}

enum class Start : std::uint8_t { kClear, kLoad, kWhole };

struct Round {
    Start start;
    float near;  // depths of the round's faces, from near to near + span
    float span;
    PixelRect scissor;
};

TEST(RasterSampleDepthBound, SkippedFacesAndGroupsResolveAsTheSampleModel) {
    constexpr D3DCOLOR kClear = 0xFF203040U;
    // Rounds alternate near and far faces on one block, so a bound kept from the round
    // before would hide faces that must show.
    const Round rounds[] = {
        {Start::kClear, 0.05F, 0.1F, {0, 0, kWidth - 1, kHeight - 1}},
        {Start::kClear, 0.7F, 0.2F, {3, 2, kWidth - 3, kHeight - 5}},
        {Start::kLoad, 0.1F, 0.3F, {0, 0, kWidth - 1, kHeight - 1}},
        {Start::kLoad, 0.8F, 0.1F, {5, 0, kWidth - 2, kHeight - 1}},
        {Start::kWhole, 0.2F, 0.4F, {0, 0, kWidth - 1, kHeight - 1}},
        {Start::kClear, 0.0F, 0.05F, {0, 0, kWidth - 1, kHeight - 1}},
        {Start::kWhole, 0.6F, 0.4F, {0, 0, kWidth - 1, kHeight - 1}},
    };
    std::mt19937 rng(31);
    std::uniform_real_distribution<float> unit(0.0F, 1.0F);
    SampleTile block;
    SampleModel model;
    std::uint64_t drawn = 0;
    std::uint64_t hidden = 0;
    int n = 0;
    for (const Round& round : rounds) {
        for (const PixelRect tile : {PixelRect{0, 0, kTileSize - 1, kHeight - 1},
                                     PixelRect{kTileSize, 0, kWidth - 1, kHeight - 1}}) {
            Picture got;
            Picture want;
            const PixelRect rect{
                std::max(tile.x0, round.scissor.x0), std::max(tile.y0, round.scissor.y0),
                std::min(tile.x1, round.scissor.x1), std::min(tile.y1, round.scissor.y1)};
            if (round.start == Start::kLoad) {
                // A buffer already drawn: depths the round's faces cross.
                for (std::size_t i = 0; i < got.depth.size(); ++i) {
                    got.depth[i] = round.near + round.span * unit(rng);
                    got.color[i] = 0xFF000000U | static_cast<D3DCOLOR>(i * 2654435761U >> 8);
                }
                want = got;
                block.Load(tile, got.Target(tile, rect));
                model.Load(tile, want.color, want.depth, kWidth);
            } else {
                block.Clear(tile, kClear);
                model.Start(tile, kClear);
            }
            if (round.start == Start::kWhole) {
                const TriangleSetup face =
                    WholeFace(round.near + 0.5F * round.span, 0.01F, 0xFF0000FFU);
                ASSERT_EQ(block.DrawTriangle(tile, face, nullptr), model.Triangle(tile, face));
            }
            const std::uint64_t zeroBefore = hidden;
            for (int i = 0; i < 1500; ++i, ++n) {
                const auto color = static_cast<D3DCOLOR>(0xFF000000U | (n * 0x0103070BU));
                if (i % 25 == 24) {
                    LineSetup line{};
                    const float x = static_cast<float>(tile.x0) + 64.0F * unit(rng);
                    const float y = static_cast<float>(tile.y0) + 64.0F * unit(rng);
                    if (SetupLine(x, y, round.near + round.span * unit(rng), x + 20 * unit(rng),
                                  y + 8 * unit(rng), round.near + round.span * unit(rng), rect,
                                  color, line)) {
                        std::uint64_t want0 = 0;
                        for (int k = 0; k < kSamples; ++k) {
                            const std::uint64_t p = DrawLine(model.Plane(k, rect), line);
                            want0 = k == 0 ? p : want0;
                        }
                        ASSERT_EQ(block.DrawLine(rect, line), want0) << "line " << n;
                    }
                    continue;
                }
                TriangleSetup tri{};
                bool made = false;
                if (i % 7 == 3) {
                    // Quads at one depth, each drawn twice: the second time it is equal
                    // everywhere and must fail everywhere.
                    const int x = tile.x0 - 2 + static_cast<int>(60.0F * unit(rng));
                    const int y = tile.y0 - 2 + static_cast<int>(60.0F * unit(rng));
                    const int side = 1 + static_cast<int>(6.0F * unit(rng));
                    const float depth = round.near + round.span * unit(rng);
                    for (int repeat = 0; repeat < 2; ++repeat) {
                        for (int half = 0; half < 2; ++half) {
                            if (QuadHalf(half, x, y, side, depth, color + repeat, rect, tri)) {
                                const std::uint64_t want = model.Triangle(rect, tri);
                                ASSERT_EQ(block.DrawTriangle(rect, tri, nullptr), want)
                                    << "quad " << n;
                                ++drawn;
                                hidden += want == 0 ? 1 : 0;
                            }
                        }
                    }
                    continue;
                }
                // Depths in a few levels, so equal depths and shared planes are common.
                const float level = std::floor(unit(rng) * 6.0F) / 6.0F;
                made = SmallTriangle(rng, tile, rect, round.near + round.span * level,
                                     i % 3 == 0 ? 0.0F : 0.02F, color, tri);
                if (made) {
                    const std::uint64_t want = model.Triangle(rect, tri);
                    ASSERT_EQ(block.DrawTriangle(rect, tri, nullptr), want) << "triangle " << n;
                    ++drawn;
                    hidden += want == 0 ? 1 : 0;
                }
            }
            // Most faces of a deep pile must be hidden, or the skips were hardly tried.
            EXPECT_GT(hidden - zeroBefore, 400U) << "round from face " << n;
            block.Resolve(got.Target(tile, rect));
            model.Resolve(want.color, want.depth, kWidth);
            for (int y = tile.y0; y <= tile.y1; ++y) {
                for (int x = tile.x0; x <= tile.x1; ++x) {
                    const auto at = static_cast<std::size_t>(y * kWidth + x);
                    ASSERT_EQ(got.color[at], want.color[at]) << "pixel " << x << "," << y;
                    ASSERT_EQ(got.depth[at], want.depth[at]) << "pixel " << x << "," << y;
                }
            }
        }
    }
    EXPECT_GT(drawn, 15000U);
}

// Faces nearly level with what lies there: the bounds may only skip what the fill's float
// steps would fail, so depths a rounding apart must still come out as sample by sample.
TEST(RasterSampleDepthBound, FacesARoundingApartResolveAsTheSampleModel) {
    constexpr D3DCOLOR kClear = 0xFF000000U;
    const PixelRect tile{0, 0, kTileSize - 1, kHeight - 1};
    std::mt19937 rng(32);
    std::uniform_int_distribution<int> ulps(-3, 3);
    SampleTile block;
    SampleModel model;
    Picture got;
    Picture want;
    block.Clear(tile, kClear);
    model.Start(tile, kClear);
    const float base = 0.37F;
    // The tile first level everywhere, so every bound is the base depth or a step from it.
    const TriangleSetup level = WholeFace(base, 0.0F, 0xFF0000FFU);
    ASSERT_EQ(block.DrawTriangle(tile, level, nullptr), model.Triangle(tile, level));
    std::uint64_t passed = 0;
    for (int i = 0; i < 3000; ++i) {
        float depth = base;
        for (int u = ulps(rng); u != 0; u += u > 0 ? -1 : 1) {
            depth = std::nextafter(depth, u > 0 ? 1.0F : 0.0F);
        }
        TriangleSetup tri{};
        if (SmallTriangle(rng, tile, tile, depth, i % 2 == 0 ? 0.0F : 1.0e-6F,
                          0xFF000000U | static_cast<D3DCOLOR>(i * 977), tri)) {
            const std::uint64_t want0 = model.Triangle(tile, tri);
            ASSERT_EQ(block.DrawTriangle(tile, tri, nullptr), want0) << "triangle " << i;
            passed += want0;
        }
    }
    EXPECT_GT(passed, 500U);
    block.Resolve(got.Target(tile, tile));
    model.Resolve(want.color, want.depth, kWidth);
    for (int y = tile.y0; y <= tile.y1; ++y) {
        for (int x = tile.x0; x <= tile.x1; ++x) {
            const auto at = static_cast<std::size_t>(y * kWidth + x);
            ASSERT_EQ(got.color[at], want.color[at]) << "pixel " << x << "," << y;
            ASSERT_EQ(got.depth[at], want.depth[at]) << "pixel " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace rm::raster
