// Drawing through a tile's coarse block depths must leave exactly what the plain fill
// leaves: the same pixels, depths and passed counts, for faces at equal depths, faces
// that cover blocks partly, scissors at odd columns and buffers whose last blocks are cut.
// The block bounds themselves must never lie in front of a pixel of their block, and must
// get tight enough to skip what is hidden.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "platform/raster/block_bounds.h"
#include "platform/raster/frame_buffer.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/tile_raster.h"
#include "tests/platform/raster_tile_buffers.h"

namespace rm::raster {
namespace {

constexpr int kB = BlockBounds::kBlockSize;

// The same faces into two copies of a buffer, one plainly and one through block bounds
// (kept per tile for the whole scene, as a worker keeps them while it draws a tile).
class Pair {
public:
    Pair(int w, int h, const PixelRect& scissor, unsigned seed, bool cleared)
        : m_rng(seed),
          m_plain(w, h, m_rng, cleared),
          m_culled(m_plain),
          m_scissor(scissor),
          m_tilesX((w + kTileSize - 1) / kTileSize),
          m_bounds(static_cast<std::size_t>(m_tilesX * ((h + kTileSize - 1) / kTileSize))) {
        for (BlockBounds& b : m_bounds) {
            b.Start();
        }
    }

    // Returns the pixels the face passed (checked equal for both).
    std::uint64_t Draw(const TriangleSetup& tri, const ColorPlanes* cp) {
        std::uint64_t passed = 0;
        for (int ty = tri.box.y0 / kTileSize; ty <= tri.box.y1 / kTileSize; ++ty) {
            for (int tx = tri.box.x0 / kTileSize; tx <= tri.box.x1 / kTileSize; ++tx) {
                const PixelRect tile = Tile(tx, ty);
                const std::uint64_t want = DrawTriangle(m_plain.Target(tile, m_scissor), tri, cp);
                const std::uint64_t got =
                    Bounds(tx, ty).DrawTriangle(m_culled.Target(tile, m_scissor), tri, cp);
                EXPECT_EQ(got, want) << "tile " << tx << "," << ty;
                passed += want;
                CheckBounds(tx, ty);
            }
        }
        return passed;
    }

    void ExpectSameBuffers() const {
        EXPECT_EQ(m_plain.color, m_culled.color);
        EXPECT_EQ(m_plain.depth, m_culled.depth);
    }
    // The same, bit for bit, for depths that are not numbers.
    void ExpectSameBits() const {
        EXPECT_EQ(m_plain.color, m_culled.color);
        ASSERT_EQ(m_plain.depth.size(), m_culled.depth.size());
        EXPECT_EQ(std::memcmp(m_plain.depth.data(), m_culled.depth.data(),
                              m_plain.depth.size() * sizeof(float)),
                  0);
    }

    BlockBounds& Bounds(int tx, int ty) {
        return m_bounds[static_cast<std::size_t>(ty * m_tilesX + tx)];
    }
    const TileBuffers& Culled() const { return m_culled; }
    // Sets one pixel's depth in both buffers.
    void SetDepth(int x, int y, float depth) {
        m_plain.depth[static_cast<std::size_t>(y * m_plain.stride + x)] = depth;
        m_culled.depth[static_cast<std::size_t>(y * m_culled.stride + x)] = depth;
    }
    std::mt19937& Rng() { return m_rng; }

private:
    PixelRect Tile(int tx, int ty) const {
        return {tx * kTileSize, ty * kTileSize, std::min(m_plain.width, (tx + 1) * kTileSize) - 1,
                std::min(m_plain.height, (ty + 1) * kTileSize) - 1};
    }

    // No block's bound may lie in front of a pixel that could still change.
    void CheckBounds(int tx, int ty) {
        const PixelRect tile = Tile(tx, ty);
        for (int by = 0; by < BlockBounds::kBlocks; ++by) {
            for (int bx = 0; bx < BlockBounds::kBlocks; ++bx) {
                const float bound = Bounds(tx, ty).Bound(bx, by);
                for (int y = tile.y0 + by * kB; y < tile.y0 + (by + 1) * kB && y <= tile.y1; ++y) {
                    for (int x = tile.x0 + bx * kB; x < tile.x0 + (bx + 1) * kB && x <= tile.x1;
                         ++x) {
                        const float d =
                            m_culled.depth[static_cast<std::size_t>(y * m_culled.stride + x)];
                        // A pixel holding no number never passes; such a bound hides nothing.
                        if (!std::isnan(d) && !std::isnan(bound)) {
                            ASSERT_LE(d, bound) << "pixel " << x << "," << y;
                        }
                    }
                }
            }
        }
    }

    std::mt19937 m_rng;
    TileBuffers m_plain;
    TileBuffers m_culled;
    PixelRect m_scissor;
    int m_tilesX;
    std::vector<BlockBounds> m_bounds;
};

ScreenVertex Corner(float x, float y, float depth) {
    return {static_cast<std::int32_t>(std::lround(x * kSubScale)),
            static_cast<std::int32_t>(std::lround(y * kSubScale)),
            depth,
            40.0F,
            200.0F,
            90.0F};
}

bool Setup(ScreenVertex v0, ScreenVertex v1, ScreenVertex v2, const PixelRect& scissor,
           D3DCOLOR color, bool gouraud, TriangleSetup& tri, ColorPlanes& planes) {
    if (SignedArea(v0, v1, v2) < 0) {
        std::swap(v1, v2);
    }
    return SetupTriangle(v0, v1, v2, scissor, color, gouraud, false, tri, planes);
}

// A rectangle as two triangles at one depth plane: z + tiltX * x + tiltY * y.
std::uint64_t DrawQuad(Pair& pair, float x0, float y0, float x1, float y1, float z, float tiltX,
                       float tiltY, const PixelRect& scissor, D3DCOLOR color) {
    const auto at = [&](float x, float y) { return Corner(x, y, z + tiltX * x + tiltY * y); };
    std::uint64_t passed = 0;
    TriangleSetup tri{};
    ColorPlanes planes{};
    if (Setup(at(x0, y0), at(x1, y0), at(x1, y1), scissor, color, false, tri, planes)) {
        passed += pair.Draw(tri, nullptr);
    }
    if (Setup(at(x0, y0), at(x1, y1), at(x0, y1), scissor, color, false, tri, planes)) {
        passed += pair.Draw(tri, nullptr);
    }
    return passed;
}

// Boxes' faces at random, many behind others, some sharing one depth exactly.
void RandomScene(int w, int h, const PixelRect& scissor, unsigned seed, bool cleared) {
    Pair pair(w, h, scissor, seed, cleared);
    std::uniform_real_distribution<float> unit(0.0F, 1.0F);
    std::uint64_t passed = 0;
    int hidden = 0;
    for (int i = 0; i < 1500; ++i) {
        std::mt19937& rng = pair.Rng();
        const float cx = unit(rng) * static_cast<float>(w);
        const float cy = unit(rng) * static_cast<float>(h);
        const float s = 4.0F + 60.0F * unit(rng) * unit(rng);
        // A few fixed levels, flat or tilted, so that equal depths are common.
        const float level = 0.2F + 0.2F * static_cast<float>(i % 4);
        const float tilt = i % 3 == 0 ? 0.0F : 0.002F * (unit(rng) - 0.5F);
        ScreenVertex v[3];
        for (ScreenVertex& p : v) {
            const float x = cx + s * (unit(rng) - 0.5F);
            const float y = cy + s * (unit(rng) - 0.5F);
            p = Corner(x, y, level + tilt * (x - cx));
            p.r = 255.0F * unit(rng);
        }
        const bool gouraud = i % 5 == 4;
        TriangleSetup tri{};
        ColorPlanes planes{};
        if (!Setup(v[0], v[1], v[2], scissor, 0xFF000000U | (static_cast<D3DCOLOR>(i) * 40503U),
                   gouraud, tri, planes)) {
            continue;
        }
        const std::uint64_t got = pair.Draw(tri, gouraud ? &planes : nullptr);
        passed += got;
        hidden += got == 0 ? 1 : 0;
    }
    pair.ExpectSameBuffers();
    EXPECT_GT(passed, 1000U);
    EXPECT_GT(hidden, 50);  // the scene does hide faces
}

TEST(RasterBlockBounds, RandomLayeredFacesDrawAsThePlainFill) {
    RandomScene(256, 192, {0, 0, 255, 191}, 1, true);
    // Blocks cut by the buffer's edges (150 = 2 * 64 + 22, 90 = 64 + 26) and a scissor at
    // odd columns; the buffer starts with depths of an earlier frame.
    RandomScene(150, 90, {3, 5, 141, 86}, 2, false);
    RandomScene(203, 150, {37, 21, 130, 99}, 3, true);
}

TEST(RasterBlockBounds, EqualDepthFailsAndTheNextNearerValuePasses) {
    const PixelRect all{0, 0, 127, 127};
    Pair pair(128, 128, all, 4, true);
    const float z = 0.5F;
    // Past the tiles on every side, so every block of both tiles is covered.
    EXPECT_GT(DrawQuad(pair, -10, -10, 140, 140, z, 0, 0, all, 0xFF0000FFU), 0U);
    for (int by = 0; by < BlockBounds::kBlocks; ++by) {
        for (int bx = 0; bx < BlockBounds::kBlocks; ++bx) {
            EXPECT_EQ(pair.Bounds(1, 1).Bound(bx, by), z) << bx << "," << by;
        }
    }
    // The same plane again: ties fail, so nothing changes.
    EXPECT_EQ(DrawQuad(pair, -10, -10, 140, 140, z, 0, 0, all, 0xFF00FF00U), 0U);
    // A small face at the same depth inside one block, and one across block edges.
    EXPECT_EQ(DrawQuad(pair, 9, 9, 14, 14, z, 0, 0, all, 0xFF00FF00U), 0U);
    EXPECT_EQ(DrawQuad(pair, 5, 60, 70, 67, z, 0, 0, all, 0xFF00FF00U), 0U);
    // The nearest float before it passes everywhere it covers.
    const float nearer = std::nextafter(z, 0.0F);
    EXPECT_EQ(DrawQuad(pair, 5, 60, 70, 67, nearer, 0, 0, all, 0xFFFF0000U), 65U * 7U);
    // A plane tilted through the bound passes only on its near side.
    const std::uint64_t tilted =
        DrawQuad(pair, 0, 0, 128, 20, z + 64.0F * 1e-4F, -1e-4F, 0, all, 0xFFFFFF00U);
    EXPECT_GT(tilted, 0U);
    EXPECT_LT(tilted, 128U * 20U);
    pair.ExpectSameBuffers();
    EXPECT_EQ(pair.Culled().color[static_cast<std::size_t>(63 * 128 + 10)], 0xFFFF0000U);
}

TEST(RasterBlockBounds, PartlyCoveredBlocksKeepTheirFarPixels) {
    const PixelRect all{0, 0, 99, 99};
    Pair pair(100, 100, all, 5, true);
    // Near faces covering every block but one pixel column and one row of it, then a far
    // face over all: it must still reach the uncovered pixels.
    for (int b = 0; b < 100; b += kB) {
        DrawQuad(pair, static_cast<float>(b) + 1.0F, 0, static_cast<float>(b + kB), 100, 0.1F, 0, 0,
                 all, 0xFF0000FFU);
    }
    const std::uint64_t far = DrawQuad(pair, -5, -5, 105, 105, 0.9F, 0, 0, all, 0xFF00FF00U);
    EXPECT_EQ(far, 13U * 100U);  // the columns 0, 8, ..., 96 are all that show
    pair.ExpectSameBuffers();
    // The bounds refreshed after the far face hold the blocks' far pixels.
    EXPECT_EQ(pair.Bounds(0, 0).Bound(0, 0), 0.9F);
    // A face between the two depths shows only in the far columns too.
    EXPECT_EQ(DrawQuad(pair, -5, -5, 105, 105, 0.5F, 0, 0, all, 0xFFFF0000U), 13U * 100U);
    pair.ExpectSameBuffers();
}

TEST(RasterBlockBounds, BoundsUnderAScissorAndAtCutBlocks) {
    // The scissor leaves part of each block out: pixels outside it keep their far depth,
    // so the blocks there must not hide faces that reach into the scissor elsewhere.
    const PixelRect scissor{10, 3, 77, 70};
    Pair pair(83, 75, scissor, 6, true);
    EXPECT_GT(DrawQuad(pair, 0, 0, 83, 75, 0.3F, 0, 0, scissor, 0xFF0000FFU), 0U);
    EXPECT_EQ(pair.Bounds(0, 0).Bound(1, 0), kFarDepth);  // block (8..15, 0..7): rows 0-2 far
    EXPECT_EQ(pair.Bounds(0, 0).Bound(2, 1), 0.3F);       // wholly inside
    // The blocks cut by the buffer's edge (x 80..82, y 72..74) never get a bound.
    EXPECT_TRUE(std::isinf(pair.Bounds(1, 1).Bound(0, 1)));
    EXPECT_EQ(DrawQuad(pair, 0, 0, 83, 75, 0.6F, 0, 0, scissor, 0xFF00FF00U), 0U);
    pair.ExpectSameBuffers();
}

TEST(RasterBlockBounds, FacesBehindEveryBlockTheyTouchDrawNothingWhateverTheirSize) {
    const PixelRect all{0, 0, 127, 127};
    Pair pair(128, 128, all, 7, true);
    EXPECT_EQ(DrawQuad(pair, -1, -1, 129, 129, 0.5F, 0, 0, all, 0xFF0000FFU), 128U * 128U);
    // Small and large, at the bounds' depth and behind, across block and tile edges.
    EXPECT_EQ(DrawQuad(pair, 3, 3, 9, 9, 0.5F, 0, 0, all, 0xFF00FF00U), 0U);
    EXPECT_EQ(DrawQuad(pair, 60, 60, 70, 66, 0.7F, 0, 0, all, 0xFF00FF00U), 0U);
    EXPECT_EQ(DrawQuad(pair, 10, 20, 110, 100, 0.5F, 0, 0, all, 0xFF00FF00U), 0U);
    // Tilted so that only its nearest corner (0.499 at 40, 40; 0.503 at 60, 60) lies in
    // front: that corner's pixels pass.
    const std::uint64_t corner =
        DrawQuad(pair, 40, 40, 60, 60, 0.491F, 1e-4F, 1e-4F, all, 0xFFFF0000U);
    EXPECT_GT(corner, 0U);
    EXPECT_LT(corner, 20U * 20U);
    // The nearest float before the bound passes, small or not.
    EXPECT_EQ(DrawQuad(pair, 3, 3, 9, 9, std::nextafter(0.5F, 0.0F), 0, 0, all, 0xFFFF00FFU), 36U);
    pair.ExpectSameBuffers();
}

TEST(RasterBlockBounds, APixelHoldingNoNumberHidesNothingElseOfItsBlock) {
    const PixelRect all{0, 0, 127, 127};
    Pair pair(128, 128, all, 8, true);
    EXPECT_GT(DrawQuad(pair, -1, -1, 129, 129, 0.5F, 0, 0, all, 0xFF0000FFU), 0U);
    // A pixel in the last row of block (1, 1) and one in its first row hold no number; a
    // nearer face over part of the block then refreshes the bound from them, which leaves
    // no number there either.
    pair.SetDepth(15, 15, std::numeric_limits<float>::quiet_NaN());
    pair.SetDepth(13, 8, std::numeric_limits<float>::quiet_NaN());
    // (Large enough to be drawn through the block tests, which refresh the bounds.)
    EXPECT_EQ(DrawQuad(pair, 0, 8, 12, 128, 0.2F, 0, 0, all, 0xFF00FF00U), 12U * 120U);
    EXPECT_TRUE(std::isnan(pair.Bounds(0, 0).Bound(1, 1)));
    // Between the two depths over the whole block: the pixels still at 0.5 must change.
    EXPECT_EQ(DrawQuad(pair, 8, 8, 16, 16, 0.3F, 0, 0, all, 0xFFFF0000U), 8U * 8U - 4U * 8U - 2U);
    EXPECT_EQ(DrawQuad(pair, 0, 0, 64, 64, 0.35F, 0, 0, all, 0xFFFFFF00U),
              64U * 64U - 12U * 56U - 30U - 2U);
    pair.ExpectSameBits();
}

}  // namespace
}  // namespace rm::raster
