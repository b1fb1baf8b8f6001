#pragma once
// Which of a ring prism's eight sides draw its centre line, worked out for all eight at
// once when the first of them is built: a thin stroke's sides each asked the same question
// of the same sixteen camera-space vertices, four at a time, and most answered no. The
// arithmetic is the side-by-side test's, lane by lane, so the answers are the same bits.

#include <cstdint>

#include "platform/core/mesh_data.h"
#include "platform/raster/camera_point.h"
#include "platform/raster/raster_types.h"

namespace rm::raster {

struct MeshSetup;

struct StrokeSides {
    static constexpr std::uint32_t kNone = 0xFFFFFFFFU;

    // Forgets the prism held: the next frame's camera is another.
    void Forget() { prism = kNone; }
    // Holds prism `index` of `mesh` seen through `toCamera`, worked out if it is not the
    // one held. False when its vertices lie past the mesh's positions.
    bool Hold(const MeshSetup* setup, const MeshData& mesh, std::uint32_t index,
              const Affine& toCamera);
    // Side `side` (0 to 7) draws the line. Valid after Hold.
    [[nodiscard]] bool Draws(std::uint32_t side) const { return ((facing >> side) & 1U) != 0; }
    // Corner k (0 to 3) of side `side`, in camera space, as the side lists its corners.
    [[nodiscard]] CameraPoint Corner(std::uint32_t side, int k) const;

    const MeshSetup* holder = nullptr;  // the set-up of the mesh the prism was seen in
    std::uint32_t prism = kNone;
    std::uint32_t facing = 0;  // bit i: side i draws the line
    // The two rings in camera space, each with its first vertex again at the end.
    alignas(16) float x[2][12];
    alignas(16) float y[2][12];
    alignas(16) float z[2][12];
};

}  // namespace rm::raster
