#pragma once
// Draws primitives into one tile of the colour and depth buffers. Only pixels inside
// `rect` change; the depth test is "strictly nearer", and passing pixels write depth too.

#include <cstdint>

#include "platform/raster/raster_types.h"

namespace rm::raster {

struct TileTarget {
    D3DCOLOR* color = nullptr;  // pixel (originX, originY); `width` pixels a row
    float* depth = nullptr;     // the same pixel; `depthStride` floats a row (a multiple of 16)
    int width = 0;
    int depthStride = 0;
    int originX = 0;  // buffer coordinates of color[0] and depth[0]
    int originY = 0;
    PixelRect rect;  // the tile, cut to the scissor
    PixelRect tile;  // the tile itself; 4-pixel groups never leave it
};

// Both return the number of pixels that passed the depth test.
std::uint64_t DrawTriangle(const TileTarget& target, const TriangleSetup& tri,
                           const ColorPlanes* planes);
// The same with the triangle's three edge functions (tri.Edge(k)) already worked out.
std::uint64_t DrawTriangle(const TileTarget& target, const TriangleSetup& tri,
                           const ColorPlanes* planes, const EdgeFunction (&edges)[3]);
// The same over `region`, a non-empty part of the triangle's box inside target.rect that
// the caller has already worked out: only pixels in it change.
std::uint64_t DrawTriangleIn(const TileTarget& target, const TriangleSetup& tri,
                             const ColorPlanes* planes, const PixelRect& region,
                             const EdgeFunction (&edges)[3]);
std::uint64_t DrawLine(const TileTarget& target, const LineSetup& line);

// The same triangle into kSamples sample planes at once: `target` is plane 0, plane k
// follows `planeStride` pixels (and floats) after it. Each plane sees the triangle from its
// sample's offset; the colour is shaded once at the pixel centre. Returns plane 0's count.
// `pixelFar`, when given, holds for each pixel of the tile (from target.tile's corner,
// kTileSize a row, 16-byte aligned) a depth that none of its samples lies beyond: groups of
// four pixels the triangle is nowhere nearer than are skipped, and those drawn get their
// exact bounds.
std::uint64_t DrawTriangleSamples(const TileTarget& target, std::ptrdiff_t planeStride,
                                  const TriangleSetup& tri, const ColorPlanes* planes,
                                  float* pixelFar = nullptr);
// Whether that fill (two samples a vector) and the sample tile's resolve (eight pixels) may
// use 256-bit vectors where the processor has them; they may by default. Both ways leave
// the same bits; tests compare them.
void AllowWideSamples(bool allowed);
[[nodiscard]] bool WideSamplesAllowed();

}  // namespace rm::raster
