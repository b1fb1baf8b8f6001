#pragma once
// tarno --render: the picture the window would show, written as a PNG.

#include <ostream>
#include <string>

#include "app/headless/command_line.h"
#include "platform/image/picture.h"

namespace app {

enum class RenderOutcome { Drawn, UnreadableInput, Failed };

// Opens the file as File Open does, builds the window's surface on a recording target
// (32 bits per pixel), places camera and model as asked and draws one tick. Anything but
// Drawn comes with `error` set (one line).
[[nodiscard]] RenderOutcome RenderPicture(const RenderRequest& request, rm::Picture& picture,
                                          std::string& error);

// The whole command: render and write request.output. Returns the exit code.
int RunRender(const RenderRequest& request, std::ostream& out, std::ostream& err);

}  // namespace app
