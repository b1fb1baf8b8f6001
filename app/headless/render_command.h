#pragma once
// tarno --render: the picture the window would show, written as a PNG.

#include <ostream>
#include <string>

#include "app/headless/command_line.h"
#include "app/headless/exit_code.h"
#include "app/headless/opened_scene.h"
#include "platform/image/picture.h"
#include "view/offscreen_surface.h"

namespace app {

enum class RenderOutcome { Drawn, UnreadableInput, Failed };

// A file opened and the window's surface built off screen, with camera, model and fill
// placed as a render request asks. The surface goes before the scene it draws.
struct PosedScene {
    OpenedScene scene;
    view::OffscreenSurface offscreen;
};
[[nodiscard]] RenderOutcome PoseScene(const RenderRequest& request, PosedScene& out,
                                      std::string& error);

// Opens the file as File Open does, builds the window's surface off screen, places camera
// and model as asked and draws one picture as the window's tick does. Anything but
// Drawn comes with `error` set (one line).
[[nodiscard]] RenderOutcome RenderPicture(const RenderRequest& request, rm::Picture& picture,
                                          std::string& error);
// The same into `posed`, which the caller keeps (and may let go of elsewhere).
[[nodiscard]] RenderOutcome RenderPicture(const RenderRequest& request, PosedScene& posed,
                                          rm::Picture& picture, std::string& error);

// The whole command: render and write request.output. Returns the exit code.
ExitCode RunRender(const RenderRequest& request, std::ostream& out, std::ostream& err);

}  // namespace app
