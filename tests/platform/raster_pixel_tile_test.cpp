// A tile drawn in a worker's pixel block and written back must leave the frame exactly as
// drawing straight into the frame does: every pixel of the tile (colour and depth, under
// the scissor or not) and nothing outside it, at buffer widths whose rows are not 16-byte
// aligned, for tiles started from a clear and from what the frame holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/frame_buffer.h"
#include "platform/raster/pixel_tile.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/tile_raster.h"
#include "tests/platform/raster_tile_buffers.h"

namespace rm::raster {
namespace {

constexpr D3DCOLOR kClear = 0xFF405060U;

// The tile's pixels black and far, as a clear leaves them.
void ClearTile(TileBuffers& f, const PixelRect& tile) {
    for (int y = tile.y0; y <= tile.y1; ++y) {
        for (int x = tile.x0; x <= tile.x1; ++x) {
            f.color[static_cast<std::size_t>(y * f.width + x)] = kClear;
            f.depth[static_cast<std::size_t>(y * f.stride + x)] = kFarDepth;
        }
    }
}

// Random triangles over the tile, some reaching past it; each drawn into both targets.
std::uint64_t DrawScene(const TileTarget& direct, const TileTarget& block, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0F, 1.0F);
    const PixelRect& tile = direct.tile;
    std::uint64_t passed = 0;
    for (int i = 0; i < 200; ++i) {
        const float cx = static_cast<float>(tile.x0) - 8.0F +
                         unit(rng) * static_cast<float>(tile.x1 - tile.x0 + 17);
        const float cy = static_cast<float>(tile.y0) - 8.0F +
                         unit(rng) * static_cast<float>(tile.y1 - tile.y0 + 17);
        const float s = 3.0F + 40.0F * unit(rng);
        ScreenVertex v[3];
        for (ScreenVertex& p : v) {
            p.fx = static_cast<std::int32_t>((cx + s * (unit(rng) - 0.5F)) * kSubScale);
            p.fy = static_cast<std::int32_t>((cy + s * (unit(rng) - 0.5F)) * kSubScale);
            p.depth = unit(rng);
            p.r = 255.0F * unit(rng);
            p.g = 255.0F * unit(rng);
            p.b = 255.0F * unit(rng);
        }
        if (SignedArea(v[0], v[1], v[2]) < 0) {
            std::swap(v[1], v[2]);
        }
        const bool gouraud = i % 3 == 2;
        TriangleSetup tri{};
        ColorPlanes planes{};
        if (!SetupTriangle(v[0], v[1], v[2], direct.rect, 0xFF000000U | (i * 0x1F3D5BU), gouraud,
                           false, tri, planes)) {
            continue;
        }
        const ColorPlanes* cp = gouraud ? &planes : nullptr;
        const std::uint64_t want = DrawTriangle(direct, tri, cp);
        EXPECT_EQ(DrawTriangle(block, tri, cp), want) << "triangle " << i;
        passed += want;
    }
    return passed;
}

TEST(RasterPixelTile, ClearedTileDrawnInTheBlockMatchesTheFrame) {
    // 151 pixels a row: colour rows start off 16-byte boundaries; the last tile is 23 wide.
    for (const int width : {128, 151}) {
        std::mt19937 rng(static_cast<unsigned>(width));
        TileBuffers direct(width, 100, rng);
        TileBuffers viaBlock = direct;
        PixelTile block;
        const PixelRect tiles[] = {{64, 0, 127, 63}, {128, 64, width - 1, 99}};
        for (const PixelRect& tile : tiles) {
            if (tile.x1 < tile.x0) {
                continue;
            }
            const PixelRect scissor{tile.x0 + 5, tile.y0 + 2, tile.x1 - 3, tile.y1};
            ClearTile(direct, tile);
            block.Clear(tile, kClear);
            const std::uint64_t passed =
                DrawScene(direct.Target(tile, scissor), block.Target(scissor), 1);
            EXPECT_GT(passed, 200U);
            block.Store(viaBlock.Target(tile, scissor));
        }
        EXPECT_EQ(direct.color, viaBlock.color) << "width " << width;
        for (int y = 0; y < direct.height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * direct.stride + x);
                ASSERT_EQ(direct.depth[i], viaBlock.depth[i]) << x << "," << y;
            }
        }
    }
}

TEST(RasterPixelTile, LoadedTileKeepsWhatTheFrameHeldAndChangesNothingElse) {
    for (const int width : {192, 64 + 37}) {
        std::mt19937 rng(static_cast<unsigned>(width) + 7U);
        TileBuffers direct(width, 64 + 41, rng);
        TileBuffers viaBlock = direct;
        PixelTile block;
        const PixelRect tile{64, 64, width - 1 < 127 ? width - 1 : 127, 64 + 40};
        const PixelRect scissor{0, 0, width - 1, 64 + 40};
        block.Load(tile, viaBlock.Target(tile, scissor));
        const std::uint64_t passed =
            DrawScene(direct.Target(tile, scissor), block.Target(scissor), 2);
        EXPECT_GT(passed, 100U);
        block.Store(viaBlock.Target(tile, scissor));
        EXPECT_EQ(direct.color, viaBlock.color) << "width " << width;
        EXPECT_EQ(direct.depth, viaBlock.depth) << "width " << width;
    }
}

}  // namespace
}  // namespace rm::raster
