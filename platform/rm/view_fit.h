#pragma once
// Camera moves that keep its orientation: framing (where the camera must stand so that a
// whole mesh fits the picture, and the depth range that keeps it between the clipping
// planes) and panning in the view plane.

#include "platform/core/types.h"
#include "platform/rm/frame.h"
#include "platform/rm/mesh_builder.h"
#include "platform/rm/viewport.h"

namespace rm {

struct FramingLimits {
    // Share of the picture's half width and half height the model may take (the rest is
    // the margin), from just above 0 to 1.
    D3DVALUE fill = 0.9F;
    // The depth range the viewport keeps whenever the model fits inside it; framing only
    // ever brings the front plane nearer and the back plane farther than these.
    D3DVALUE front = 1.0F;
    D3DVALUE back = 100.0F;
};

struct Framing {
    D3DVECTOR position;  // the camera's new position, in its parent's coordinates
    D3DVALUE front = 1.0F;
    D3DVALUE back = 100.0F;
    D3DVALUE nearest = 0.0F;   // depth of the mesh's nearest and farthest points, seen
    D3DVALUE farthest = 0.0F;  // from the new position
};

// Computes the framing of `mesh`, placed in the scene by `model`, for the viewport's
// camera, field and rectangle. NotFound for a mesh without faces or positions; BadObject
// without a camera; BadValue when a transformation cannot be inverted or is not finite.
// Every result is finite, also for a single point or for coordinates near the 32-bit
// integer limits.
Result ComputeFraming(const Viewport& viewport, const Frame& model, const MeshData& mesh,
                      const FramingLimits& limits, Framing& out);

// Moves the viewport's camera and sets the depth range as computed. Nothing changes when
// the computation fails.
Result FrameMesh(Viewport& viewport, const Frame& model, const MeshData& mesh,
                 const FramingLimits& limits);

// Moves the viewport's camera in its own view plane so that whatever lies at the depth of
// `anchor`'s origin moves by (dx, dy) pixels on screen (x right, y down): a pointer drag
// that the model follows. An anchor behind the camera counts at the same distance in
// front, and one nearer than the front plane at the front plane.
Result PanCamera(Viewport& viewport, const Frame& anchor, D3DVALUE dx, D3DVALUE dy);

// Sets both clipping planes in whichever order the viewport accepts them (each setter
// checks the new plane against the other one).
Result SetDepthRange(Viewport& viewport, D3DVALUE front, D3DVALUE back);

}  // namespace rm
