// The sample tile's 256-bit walks (two samples a vector in the fill, eight pixels a step in
// the resolve) against its 128-bit ones: the same faces and strokes drawn both ways must
// leave the same bits in every resolved pixel and return the same counts. Gouraud faces,
// faces wider than the tile, faces cut by the tile's sides, narrow tiles, odd scissors and
// equal depths reach every variant of the fill; tiles start from a clear and from a buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "platform/raster/edge_walk.h"
#include "platform/raster/frame_buffer.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/sample_tile.h"
#include "platform/raster/tile_raster.h"
#include "tests/platform/raster_tile_buffers.h"

namespace rm::raster {
namespace {

// The 128-bit walks only, for as long as it lives.
class NarrowOnly {
public:
    NarrowOnly() { AllowWideSamples(false); }
    ~NarrowOnly() { AllowWideSamples(true); }
    NarrowOnly(const NarrowOnly&) = delete;
    NarrowOnly& operator=(const NarrowOnly&) = delete;
};

struct Primitive {
    bool isLine = false;
    bool gouraud = false;
    TriangleSetup tri{};
    ColorPlanes planes{};
    LineSetup line{};
};

std::vector<Primitive> MakeScene(std::mt19937& rng, const PixelRect& tile, const PixelRect& scissor,
                                 int count) {
    std::uniform_real_distribution<float> unit(0.0F, 1.0F);
    std::vector<Primitive> scene;
    for (int i = 0; i < count; ++i) {
        Primitive p;
        const float cx = static_cast<float>(tile.x0 - 6) + unit(rng) * (tile.x1 - tile.x0 + 13);
        const float cy = static_cast<float>(tile.y0 - 6) + unit(rng) * (tile.y1 - tile.y0 + 13);
        // Few depth levels, so that equal depths and shared planes are common.
        const float level = std::floor(unit(rng) * 5.0F) / 5.0F;
        const auto color = static_cast<D3DCOLOR>(0xFF000000U | (i * 0x00A3C5E7U >> 4));
        if (i % 9 == 8) {
            p.isLine = true;
            if (SetupLine(cx, cy, level, cx + 30.0F * (unit(rng) - 0.5F),
                          cy + 30.0F * (unit(rng) - 0.5F), level + 0.1F * unit(rng), scissor, color,
                          p.line)) {
                p.line.band = i % 2 == 0;
                scene.push_back(p);
            }
            continue;
        }
        // Mostly small faces, some a few groups wide (their rows find spans), a few far
        // larger than the tile.
        const float pick = unit(rng);
        const float s = pick < 0.6F   ? 0.5F + 10.0F * unit(rng)
                        : pick < 0.9F ? 10.0F + 50.0F * unit(rng)
                                      : 150.0F + 200.0F * unit(rng);
        const float tilt = i % 3 == 0 ? 0.0F : 0.05F;
        ScreenVertex v[3];
        for (ScreenVertex& q : v) {
            q.fx = static_cast<std::int32_t>((cx + s * (unit(rng) - 0.5F)) * kSubScale);
            q.fy = static_cast<std::int32_t>((cy + s * (unit(rng) - 0.5F)) * kSubScale);
            q.depth = level + tilt * unit(rng);
            q.r = 255.0F * unit(rng);
            q.g = 300.0F * unit(rng) - 20.0F;  // past both ends: the clamp is used
            q.b = 255.0F * unit(rng);
        }
        if (SignedArea(v[0], v[1], v[2]) < 0) {
            std::swap(v[1], v[2]);
        }
        p.gouraud = i % 3 == 1;
        if (SetupTriangle(v[0], v[1], v[2], scissor, color, p.gouraud, false, p.tri, p.planes)) {
            scene.push_back(p);
        }
    }
    return scene;
}

struct Outcome {
    std::vector<std::uint64_t> counts;
    std::vector<D3DCOLOR> color;
    std::vector<float> depth;
};

// The scene through one sample tile, resolved into a copy of `start`.
Outcome DrawTile(const std::vector<Primitive>& scene, const TileBuffers& start, bool fromClear,
                 const PixelRect& tile, const PixelRect& scissor) {
    TileBuffers buffer = start;
    const TileTarget target = buffer.Target(tile, scissor);
    SampleTile block;
    if (fromClear) {
        block.Clear(tile, 0xFF102030U);
    } else {
        block.Load(tile, target);
    }
    Outcome out;
    for (const Primitive& p : scene) {
        out.counts.push_back(
            p.isLine ? block.DrawLine(target.rect, p.line)
                     : block.DrawTriangle(target.rect, p.tri, p.gouraud ? &p.planes : nullptr));
    }
    block.Resolve(target);
    out.color = buffer.color;
    out.depth = buffer.depth;
    return out;
}

// The faces straight into bare sample planes, with no depth bounds.
Outcome DrawPlanes(const std::vector<Primitive>& scene, const PixelRect& tile,
                   const PixelRect& scissor) {
    constexpr int kPlane = kTileSize * kTileSize;
    Outcome out;
    out.color.assign(static_cast<std::size_t>(kSamples) * kPlane, 0xFF000000U);
    out.depth.assign(static_cast<std::size_t>(kSamples) * kPlane, kFarDepth);
    TileTarget t;
    t.color = out.color.data();
    t.depth = out.depth.data();
    t.width = kTileSize;
    t.depthStride = kTileSize;
    t.originX = tile.x0;
    t.originY = tile.y0;
    t.tile = tile;
    t.rect = {std::max(tile.x0, scissor.x0), std::max(tile.y0, scissor.y0),
              std::min(tile.x1, scissor.x1), std::min(tile.y1, scissor.y1)};
    for (const Primitive& p : scene) {
        if (!p.isLine) {
            out.counts.push_back(
                DrawTriangleSamples(t, kPlane, p.tri, p.gouraud ? &p.planes : nullptr));
        }
    }
    return out;
}

void ExpectSameBits(const Outcome& wide, const Outcome& narrow, const char* what) {
    EXPECT_EQ(wide.counts, narrow.counts) << what;
    EXPECT_EQ(wide.color, narrow.color) << what;
    ASSERT_EQ(wide.depth.size(), narrow.depth.size());
    EXPECT_EQ(
        0, std::memcmp(wide.depth.data(), narrow.depth.data(), wide.depth.size() * sizeof(float)))
        << what;
}

TEST(RasterSampleWide, WideWalksLeaveTheBitsOfTheNarrowOnes) {
    if (!WideSamplesAllowed()) {
        GTEST_SKIP() << "this processor has no 256-bit integer vectors";
    }
    std::mt19937 rng(41);
    // A whole tile and a narrow last tile whose width is no multiple of 4.
    for (const int width : {2 * kTileSize, kTileSize + 23}) {
        const PixelRect tile{kTileSize, 0, width - 1, kTileSize - 1};
        for (const PixelRect scissor : {PixelRect{0, 0, width - 1, kTileSize - 1},
                                        PixelRect{kTileSize + 5, 3, width - 3, 58}}) {
            const std::vector<Primitive> scene = MakeScene(rng, tile, scissor, 700);
            const TileBuffers start(width, kTileSize, rng);
            std::uint64_t passed = 0;
            for (const bool fromClear : {true, false}) {
                const Outcome wide = DrawTile(scene, start, fromClear, tile, scissor);
                Outcome narrow;
                {
                    const NarrowOnly narrowOnly;
                    narrow = DrawTile(scene, start, fromClear, tile, scissor);
                }
                ExpectSameBits(wide, narrow, fromClear ? "from a clear" : "from a buffer");
                for (const std::uint64_t n : wide.counts) {
                    passed += n;
                }
            }
            const Outcome wide = DrawPlanes(scene, tile, scissor);
            Outcome narrow;
            {
                const NarrowOnly narrowOnly;
                narrow = DrawPlanes(scene, tile, scissor);
            }
            ExpectSameBits(wide, narrow, "bare planes");
            // Enough passes that both walks had real work.
            EXPECT_GT(passed, 2000U) << "width " << width;
        }
    }
}

}  // namespace
}  // namespace rm::raster
