#pragma once
// The one-sample triangle fill in groups of eight pixels, for processors with 256-bit
// integer vectors. A group is one row of an 8x8 block. It runs only in targets whose rows
// are one tile long (a worker's pixel block), where a group never leaves the row, and it
// leaves exactly what the groups of four leave: every lane does the same operations.
// Internal to the rasterizer.

#include <cstdint>

#include "platform/raster/raster_types.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {

// True when this processor has the instructions (asked once).
[[nodiscard]] bool WideFillSupported();

// True when `target` can take the wide fill: the processor has it and the target's rows
// start at the tile and are one tile long.
[[nodiscard]] inline bool WideFillFits(const TileTarget& target) {
    return target.width == kTileSize && target.depthStride == kTileSize &&
           target.originX == target.tile.x0 && WideFillSupported();
}

// Draws the triangle over `region` (its box in the target's rectangle, not empty) as
// DrawTriangle does; returns the pixels that passed the depth test.
std::uint64_t DrawTriangleWide(const TileTarget& target, const TriangleSetup& tri,
                               const ColorPlanes* planes, const PixelRect& region,
                               const EdgeFunction (&edges)[3]);

}  // namespace rm::raster
