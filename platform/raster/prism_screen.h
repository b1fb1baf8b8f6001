#pragma once
// A ring prism's sixteen vertices on screen, kept while its ten faces are built one after
// another. Most faces of a thin stroke face away; finding that needs only their corners'
// snapped positions, not each face's corner list and projection again.

#include <cstdint>

#include "platform/core/prism.h"
#include "platform/raster/raster_types.h"

namespace rm::raster {

struct MeshSetup;

struct PrismScreen {
    static constexpr std::uint32_t kNone = 0xFFFFFFFFU;

    // Forgets the prism held: the next frame's camera is another.
    void Forget() { prism = kNone; }

    const MeshSetup* holder = nullptr;  // the set-up of the mesh the prism was seen in
    std::uint32_t prism = kNone;
    ProjectedVertex vertex[kPrismVertices];
};

}  // namespace rm::raster
