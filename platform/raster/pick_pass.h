#pragma once
// Picking: which face the tile stage would leave at one pixel. Faces go through the same
// face builder as for drawing (cull, clip, set-up against the same scissor), and each
// primitive is tested at the pixel exactly as the tile stage samples and depth-tests it,
// without touching any buffer.

#include <cstdint>
#include <limits>

#include "platform/raster/geometry_stage.h"

namespace rm::raster {

// The winner so far: the first primitive, in drawing order, with the nearest depth.
struct PickCandidate {
    float depth = std::numeric_limits<float>::max();  // the depth buffer's clear value
    std::uint32_t face = 0;                           // in the frame's face numbering
    bool found = false;
};

// The depth the tile stage computes for the primitive at pixel (x, y), if it covers it.
[[nodiscard]] bool TriangleDepthAt(const TriangleSetup& tri, int x, int y, float& depth);
[[nodiscard]] bool LineDepthAt(const LineSetup& line, int x, int y, float& depth);

// Runs faces [begin, end) of the frame's numbering at pixel (x, y), which must lie inside
// the scissor. `chunk` and `scratch` are working storage.
void PickFaces(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end, int x, int y,
               Chunk& chunk, GeometryScratch& scratch, PickCandidate& best);

}  // namespace rm::raster
