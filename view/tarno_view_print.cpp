// The picture for printing: the same scene, lights and renderer as on screen, at the page's
// size, on white paper instead of the screen's background.

#include <memory>

#include "view/tarno_view.h"

namespace view {

namespace {
// Pages are printed in full colour.
constexpr int kPrintBitsPerPixel = 32;
constexpr rm::D3DCOLOR kPaper = 0xFFFFFFFFU;
}  // namespace

QImage CTarnoView::RenderPicture(int width, int height) {
    const rm::FramePtr& scene = m_doc.m_pSceneFrame;
    if (width < 1 || height < 1 || !scene) return {};
    const auto target = std::make_shared<rm::RecordingTarget>();
    RenderSurface surface;
    QImage image;
    if (rm::Succeeded(CreateRenderSurface(m_root, scene, target, width, height, kPrintBitsPerPixel,
                                          surface, m_bAntialias))) {
        // Seen from where the user put the camera; the on-screen camera is only read.
        rm::D3DVECTOR position;
        if (m_pCamera && rm::Succeeded(m_pCamera->GetPosition(scene.get(), position))) {
            (void)surface.camera->SetPosition(scene.get(), position.x, position.y, position.z);
        }
        surface.device->GetRenderer().Clear(surface.viewport->GetRect(), kPaper);
        (void)surface.viewport->Render(scene.get());
        (void)surface.device->Update();
        const rm::Picture& picture = target->LastPicture();
        image = ToImage({picture.width, picture.height, picture.pixels.data()});
    }
    // Also after a failure: the temporary camera must not stay in the scene.
    ReleaseRenderSurface(surface);
    return image;
}

}  // namespace view
