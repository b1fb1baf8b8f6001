#pragma once
// Anti-aliasing works one tile at a time: a tile's four sample planes (colour and depth,
// kTileSize square each) live in a per-thread block that stays in the cache, are drawn
// like ordinary pixels with each plane's sample offset, and are resolved into the frame
// buffer when the tile is done: colours averaged, depth the nearest sample's. A whole
// frame of samples never exists, so anti-aliasing costs no memory traffic of its own.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/raster/frame_buffer.h"
#include "platform/raster/raster_types.h"
#include "platform/raster/tile_raster.h"

namespace rm::raster {

class SampleTile {
public:
    SampleTile();

    // Starts the tile `tile` (its pixel bounds): every sample the clear colour and far.
    // Samples are filled in as drawing reaches them.
    void Clear(const PixelRect& tile, D3DCOLOR color);
    // Starts the tile from what the frame buffer holds there (`buffer` is its whole-buffer
    // view): every sample its pixel's colour and depth.
    void Load(const PixelRect& tile, const TileTarget& buffer);
    // Writes the tile back: each pixel the mean of its samples' colours and the nearest of
    // their depths.
    void Resolve(const TileTarget& buffer);

    // Draw into every sample plane; `rect` is the part of the tile that may change. Return
    // the count of the first sample's passed depth tests.
    std::uint64_t DrawTriangle(const PixelRect& rect, const TriangleSetup& tri,
                               const ColorPlanes* planes);
    std::uint64_t DrawLine(const PixelRect& rect, const LineSetup& line);

    [[nodiscard]] std::size_t ReservedBytes() const;

private:
    static constexpr int kGroups = kTileSize / 4;

    [[nodiscard]] TileTarget Plane(int sample, const PixelRect& rect);
    // Makes the samples of `r` (inside the tile) hold what Clear recorded, where they do not
    // yet: a tile started from a clear is filled in only where something is drawn, in
    // groups of four pixels per row, and the rest resolves straight to the clear.
    void Prepare(const PixelRect& r);
    // Writes the clear into the groups of `row` whose bits `groups` holds.
    void ClearGroups(int row, unsigned groups);
    // Resolves pixels [from, to) of tile row `row` into the buffer's `color` and `depth` row.
    template <bool kByDepth>
    void ResolveRun(int row, int from, int to, D3DCOLOR* color, float* depth) const;
    // A flat triangle that holds every sample of the whole tile and is nearer than all of
    // them is kept as its colour and depth planes alone (kTaken). kMissed: the triangle
    // holds no sample of `r`, so nothing changes. kDraw: draw it sample by sample.
    enum class Whole : std::uint8_t { kTaken, kMissed, kDraw };
    Whole TakeWhole(const PixelRect& r, const TriangleSetup& tri, const ColorPlanes* planes);
    // Writes a face kept whole into the sample planes, as the fill would have drawn it.
    void Expand();

    PixelRect m_tile;
    D3DCOLOR m_clearColor = 0;
    // Per row of the tile, the groups whose samples are valid, one bit each: scattered
    // small faces fill in (and resolve) only the groups they reach, not the gaps between.
    static_assert(kGroups <= 16);
    std::array<std::uint16_t, kTileSize> m_valid{};
    // Rows whose every group is valid; once all are, drawing no longer looks at the bits.
    int m_fullRows = 0;
    bool m_allValid = false;
    // Started from a clear: a sample still at the far depth was never drawn, and its colour
    // plane was never written either; the resolve takes the clear colour for it.
    bool m_colorByDepth = false;
    // Nothing drawn since Clear; or the tile holds one face, kept whole (m_whole).
    bool m_untouched = false;
    bool m_kept = false;
    TriangleSetup m_whole{};
    std::vector<D3DCOLOR, CacheAligned<D3DCOLOR>> m_color;  // kSamples planes
    std::vector<float, CacheAligned<float>> m_depth;
    // Per pixel of a valid group, a depth none of its samples lies beyond: the fill skips
    // groups a triangle cannot pass, which in a deep scene are most of them.
    std::vector<float, CacheAligned<float>> m_far;
};

}  // namespace rm::raster
