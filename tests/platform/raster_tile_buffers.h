#pragma once
// A small colour and depth buffer for tests that draw into tiles directly: colours a
// pattern, depths some far and some random, rows of depth padded as the frame's are.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/frame_buffer.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {

struct TileBuffers {
    // `cleared`: every pixel black and far instead of the pattern.
    TileBuffers(int w, int h, std::mt19937& rng, bool cleared = false)
        : width(w),
          height(h),
          stride((w + 15) & ~15),
          color(static_cast<std::size_t>(w * h), 0xFF000000U),
          depth(static_cast<std::size_t>(stride * h), kFarDepth) {
        if (cleared) {
            return;
        }
        std::uniform_real_distribution<float> d(0.0F, 1.0F);
        for (std::size_t i = 0; i < color.size(); ++i) {
            color[i] = 0xFF000000U | static_cast<D3DCOLOR>(i * 2654435761U >> 8);
        }
        for (float& v : depth) {
            v = d(rng) < 0.3F ? kFarDepth : d(rng);
        }
    }
    TileTarget Target(const PixelRect& tile, const PixelRect& scissor) {
        TileTarget t;
        t.color = color.data();
        t.depth = depth.data();
        t.width = width;
        t.depthStride = stride;
        t.tile = tile;
        t.rect = {std::max(tile.x0, scissor.x0), std::max(tile.y0, scissor.y0),
                  std::min(tile.x1, scissor.x1), std::min(tile.y1, scissor.y1)};
        return t;
    }
    int width;
    int height;
    int stride;
    std::vector<D3DCOLOR> color;
    std::vector<float> depth;
};

}  // namespace rm::raster
