#pragma once
// Coarse depth of one tile, for the one-sample fill: for each 8x8 block, a depth that no
// pixel of the block lies behind. A triangle is drawn only over the blocks its edges reach
// and where it is not wholly behind that bound, so faces hidden by nearer ones cost a few
// tests per block instead of a walk over their pixels. Depth only ever gets nearer while
// a tile is drawn, so a bound stays true until it is refreshed; it is refreshed from the
// buffer after a tested triangle changed pixels of the block. Small regions, where the
// tests would cost more than the walk, are drawn plainly. The pixels are exactly those of
// the plain fill: a skipped block is one where every pixel would fail the edge or depth
// test, with a margin far above the fill's rounding.

#include <cstdint>

#include "platform/raster/raster_types.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {

class BlockBounds {
public:
    static constexpr int kBlockShift = 3;
    static constexpr int kBlockSize = 1 << kBlockShift;
    static constexpr int kBlocks = kTileSize / kBlockSize;  // per side of a tile

    // Starts a tile: no bound known yet.
    void Start();
    // DrawTriangle into `target`, skipping the blocks the triangle cannot change; returns
    // the pixels that passed the depth test.
    std::uint64_t DrawTriangle(const TileTarget& target, const TriangleSetup& tri,
                               const ColorPlanes* planes);

    // The bound of block (bx, by) of the tile; +infinity when unknown.
    [[nodiscard]] float Bound(int bx, int by) const { return m_far[by * kBlocks + bx]; }

private:
    // Recomputes the bounds of blocks [bx0, bx1] x [by0, by1] that lie wholly in the buffer.
    void Refresh(const TileTarget& target, int bx0, int by0, int bx1, int by1);

    alignas(16) float m_far[kBlocks * kBlocks];
};

}  // namespace rm::raster
