#pragma once
// The one-sample fill draws a tile into a per-worker block of colour and depth rather than
// into the frame. A frame row is thousands of pixels long, and at the usual widths the 64
// rows of one tile fall on a few sets of the first-level cache and keep evicting each
// other; the block's rows lie in one piece. A tile started from a clear reads nothing from
// the frame, and the finished tile goes to the frame with stores that bypass the cache, so
// the frame's memory is written once and never read.

#include <cstdint>
#include <vector>

#include "platform/raster/frame_buffer.h"
#include "platform/raster/raster_types.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {

class PixelTile {
public:
    PixelTile();

    // Starts the tile `tile` (its pixel bounds) with every pixel `color` and far. The
    // block's colour is settled only when stored: until then a pixel still far holds no
    // colour of its own.
    void Clear(const PixelRect& tile, D3DCOLOR color);
    // Starts the tile from what the frame buffer holds there (`buffer`: its whole view).
    void Load(const PixelRect& tile, const TileTarget& buffer);
    // The drawing view of the block, cut to `scissor`.
    [[nodiscard]] TileTarget Target(const PixelRect& scissor);
    // Writes every pixel of the tile, colour and depth, back to the frame.
    void Store(const TileTarget& buffer) const;

    [[nodiscard]] std::size_t ReservedBytes() const;

private:
    PixelRect m_tile;
    bool m_cleared = false;  // started from a clear: far pixels take m_clearColor
    D3DCOLOR m_clearColor = 0;
    std::vector<D3DCOLOR, CacheAligned<D3DCOLOR>> m_color;
    std::vector<float, CacheAligned<float>> m_depth;
};

}  // namespace rm::raster
