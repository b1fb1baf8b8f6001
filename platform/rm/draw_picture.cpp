#include "platform/rm/draw_picture.h"

namespace rm {

Result DrawPicture(Viewport& viewport, const Frame& scene, std::uint64_t revision,
                   std::optional<D3DCOLOR> background) {
    Result r = Result::Ok;
    if (background) {
        if (!viewport.GetDevice()) return Result::BadObject;
        viewport.GetDevice()->GetRenderer().Clear(viewport.GetRect(), *background);
    } else {
        r = viewport.Clear();
    }
    if (Succeeded(r)) r = viewport.Render(&scene);
    if (Succeeded(r)) r = PresentPicture(viewport, revision);
    return r;
}

Result PresentPicture(Viewport& viewport, std::uint64_t revision) {
    if (!viewport.GetDevice()) return Result::BadObject;
    const Result r = viewport.GetDevice()->Update();
    if (Succeeded(r)) viewport.SetDrawnRevision(revision);
    return r;
}

}  // namespace rm
