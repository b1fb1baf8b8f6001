// The picture for printing: the same scene, lights and renderer as on screen, at the page's
// size, on white paper instead of the screen's background.

#include "view/offscreen_surface.h"
#include "view/tarno_view.h"

namespace view {

namespace {
constexpr rm::D3DCOLOR kPaper = 0xFFFFFFFFU;
}  // namespace

QImage CTarnoView::RenderPicture(int width, int height) {
    const rm::FramePtr& scene = m_doc.m_pSceneFrame;
    if (width < 1 || height < 1 || !scene) return {};
    // Released on return, also after a failure: the temporary camera must not stay in the
    // scene.
    OffscreenSurface page;
    if (rm::Failed(page.Create(m_root, scene, width, height, m_bAntialias))) return {};
    // Seen from where the user put the camera; the on-screen camera is only read.
    rm::D3DVECTOR position;
    if (m_pCamera && rm::Succeeded(m_pCamera->GetPosition(scene.get(), position))) {
        (void)page.Surface().camera->SetPosition(scene.get(), position.x, position.y, position.z);
    }
    if (rm::Failed(page.Draw(*scene, kPaper))) return {};
    const rm::Picture& picture = page.LastPicture();
    return ToImage({picture.width, picture.height, picture.pixels.data()});
}

}  // namespace view
