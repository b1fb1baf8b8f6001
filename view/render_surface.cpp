#include "view/render_surface.h"

#include <algorithm>

#include "platform/rm/view_fit.h"

namespace view {

namespace {

constexpr rm::D3DVALUE kBackPlane = 5000.0F;
constexpr rm::D3DVALUE kFrontPlane = 1.0F;  // the layer's default, which the view keeps
// The framed model takes nine tenths of the picture's half width or half height.
constexpr rm::D3DVALUE kFramedFill = 0.9F;

// Shade and texture budgets for the screen's colour depth; 0 means "leave unset".
struct ShadeSettings {
    std::uint32_t deviceShades = 0;
    std::uint32_t textureColors = 0;
    std::uint32_t textureShades = 0;
};

ShadeSettings ShadesFor(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return {4, 0, 4};
        case 16:
            return {32, 64, 32};
        case 24:
        case 32:
            return {256, 64, 256};
        default:
            return {};
    }
}

}  // namespace

rm::Result CreateRenderSurface(rm::Root& root, const rm::FramePtr& sceneFrame,
                               std::weak_ptr<rm::PresentationTarget> target, int cx, int cy,
                               int bitsPerPixel, RenderSurface& out, bool antialias) {
    const int width = std::max(cx, kMinSurfaceSide);
    const int height = std::max(cy, kMinSurfaceSide);

    // Each step is tested; the first failure is the answer, and what was made stays in
    // `out` for the next release.
    if (const auto r = root.CreateFrame(sceneFrame, out.camera); rm::Failed(r)) return r;
    if (!out.camera) return rm::Result::BadObject;
    if (const auto r = out.camera->SetPosition(sceneFrame.get(), kCameraStart.x, kCameraStart.y,
                                               kCameraStart.z);
        rm::Failed(r)) {
        return r;
    }
    if (const auto r = rm::DirectDrawCreateClipper(0, out.clipper, nullptr); rm::Failed(r)) {
        return r;
    }
    if (!out.clipper) return rm::Result::BadObject;
    if (const auto r = out.clipper->SetHWnd(0, std::move(target)); rm::Failed(r)) return r;
    if (const auto r =
            root.CreateDeviceFromClipper(out.clipper, nullptr, width, height, out.device);
        rm::Failed(r)) {
        return r;
    }
    if (!out.device) return rm::Result::BadObject;
    if (const auto r =
            root.CreateViewport(out.device, out.camera, 0, 0, width, height, out.viewport);
        rm::Failed(r)) {
        return r;
    }
    if (!out.viewport) return rm::Result::BadObject;
    if (const auto r = out.viewport->SetBack(kBackPlane); rm::Failed(r)) return r;
    if (const auto r = out.device->SetQuality(rm::D3DRMRENDER_GOURAUD); rm::Failed(r)) {
        return r;
    }
    if (const auto r = out.device->SetDither(false); rm::Failed(r)) return r;
    if (const auto r = out.device->SetTextureQuality(rm::D3DRMTEXTURE_NEAREST); rm::Failed(r)) {
        return r;
    }
    if (const auto r = out.device->SetAntialias(antialias); rm::Failed(r)) return r;

    const ShadeSettings shades = ShadesFor(bitsPerPixel);
    if (shades.deviceShades != 0) {
        if (const auto r = out.device->SetShades(shades.deviceShades); rm::Failed(r)) return r;
    }
    if (shades.textureColors != 0) {
        if (const auto r = root.SetDefaultTextureColors(shades.textureColors); rm::Failed(r)) {
            return r;
        }
    }
    if (shades.textureShades != 0) {
        if (const auto r = root.SetDefaultTextureShades(shades.textureShades); rm::Failed(r)) {
            return r;
        }
    }
    return rm::Result::Ok;
}

rm::Result FrameModel(rm::Viewport& viewport, const rm::Frame& model, const rm::MeshData& mesh) {
    return rm::FrameMesh(viewport, model, mesh, {kFramedFill, kFrontPlane, kBackPlane});
}

rm::Result ResetDepthRange(rm::Viewport& viewport) {
    return rm::SetDepthRange(viewport, kFrontPlane, kBackPlane);
}

void ReleaseRenderSurface(RenderSurface& surface) {
    surface.clipper.reset();
    surface.viewport.reset();
    surface.device.reset();
    if (surface.camera) {
        // The scene frame holds the camera too; a camera left there would be one more dead
        // frame per resize.
        if (const rm::FramePtr parent = surface.camera->GetParent()) {
            (void)parent->DeleteChild(surface.camera.get());
        }
        surface.camera.reset();
    }
}

}  // namespace view
