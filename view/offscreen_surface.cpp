#include "view/offscreen_surface.h"

#include "platform/rm/draw_picture.h"
#include "platform/rm/revision.h"

namespace view {

OffscreenSurface::~OffscreenSurface() {
    ReleaseRenderSurface(m_surface);
}

rm::Result OffscreenSurface::Create(rm::Root& root, const rm::FramePtr& sceneFrame, int width,
                                    int height, bool antialias) {
    ReleaseRenderSurface(m_surface);
    m_target = std::make_shared<rm::RecordingTarget>();
    return CreateRenderSurface(root, sceneFrame, m_target, width, height, kTrueColorBits, m_surface,
                               antialias);
}

rm::Result OffscreenSurface::Draw(const rm::Frame& scene, std::optional<rm::D3DCOLOR> background) {
    if (!m_target || !m_surface.viewport) return rm::Result::BadObject;
    return rm::DrawPicture(*m_surface.viewport, scene, rm::CurrentRevision(), background);
}

const rm::Picture& OffscreenSurface::LastPicture() const {
    static const rm::Picture kNone;
    return m_target ? m_target->LastPicture() : kNone;
}

rm::Picture OffscreenSurface::TakeLastPicture() {
    return m_target ? m_target->TakeLastPicture() : rm::Picture{};
}

}  // namespace view
