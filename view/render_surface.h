#pragma once
// The view's render surface without any window: camera frame under the scene frame,
// clipper bound to a presentation target, device and viewport, set up exactly as the view
// sets them up. Shared by the window and the headless render command.

#include <memory>

#include "platform/rm/mesh_builder.h"
#include "platform/rm/root.h"
#include "view/surface_constants.h"

namespace view {

struct RenderSurface {
    rm::FramePtr camera;
    rm::ClipperPtr clipper;
    rm::DevicePtr device;
    rm::ViewportPtr viewport;
};

// Builds a surface of cx by cy pixels (each at least kMinSurfaceSide) for a screen of
// `bitsPerPixel`, with smooth edges unless `antialias` is false. Stops at the first failing step
// and returns its result; what was made stays in `out`.
rm::Result CreateRenderSurface(rm::Root& root, const rm::FramePtr& sceneFrame,
                               std::weak_ptr<rm::PresentationTarget> target, int cx, int cy,
                               int bitsPerPixel, RenderSurface& out, bool antialias = true);
// Moves the camera, keeping its orientation, so that the whole mesh as placed by `model`
// fits the viewport with a small margin. The depth range widens beyond the view's own
// (front 1, back 5000) only as far as a very small or very large model needs. NotFound
// (nothing changed) for an empty mesh.
rm::Result FrameModel(rm::Viewport& viewport, const rm::Frame& model, const rm::MeshData& mesh);
// The view's own depth range again, as a new surface has it.
rm::Result ResetDepthRange(rm::Viewport& viewport);
// Releases clipper, viewport, device and camera, in that order; the camera frame is also
// detached from its parent so that frames do not pile up over many resizes.
void ReleaseRenderSurface(RenderSurface& surface);

}  // namespace view
