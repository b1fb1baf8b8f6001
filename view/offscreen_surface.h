#pragma once
// The view's surface drawing into memory instead of a window: the picture --render writes
// as a PNG and the one a printed page shows. It is built like the window's surface and
// draws through rm::DrawPicture as the window does, so all three show the same pixels.
// No Qt: the build without the window uses it too.

#include <memory>
#include <optional>

#include "platform/image/picture.h"
#include "platform/rm/presentation_target.h"
#include "platform/rm/root.h"
#include "view/render_surface.h"

namespace view {

class OffscreenSurface {
public:
    OffscreenSurface() = default;
    // Releases the surface: its camera leaves the scene.
    ~OffscreenSurface();
    OffscreenSurface(const OffscreenSurface&) = delete;
    OffscreenSurface& operator=(const OffscreenSurface&) = delete;

    // Builds a width by height surface (each side at least kMinSurfaceSide) in true colour,
    // camera at its start. Returns the first failing step's result.
    rm::Result Create(rm::Root& root, const rm::FramePtr& sceneFrame, int width, int height,
                      bool antialias);
    // Draws `scene` once; `background`, when given, replaces the scene's (white paper).
    // BadObject before a successful Create.
    rm::Result Draw(const rm::Frame& scene, std::optional<rm::D3DCOLOR> background = std::nullopt);
    // The picture the last successful Draw made; empty before one.
    [[nodiscard]] const rm::Picture& LastPicture() const;
    // The same, handed over without a copy; LastPicture is then empty until the next Draw.
    [[nodiscard]] rm::Picture TakeLastPicture();

    // Camera and viewport, for posing the scene and picking.
    [[nodiscard]] const RenderSurface& Surface() const { return m_surface; }

private:
    std::shared_ptr<rm::RecordingTarget> m_target;
    RenderSurface m_surface;
};

}  // namespace view
