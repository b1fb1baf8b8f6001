#pragma once
// One picture through a viewport, the same steps for the window's tick, its paint, a PNG
// and a printed page: clear, render, present, and note the scene revision the picture
// shows so that a later tick skips an unchanged scene.

#include <cstdint>
#include <optional>

#include "platform/core/types.h"
#include "platform/rm/frame.h"
#include "platform/rm/viewport.h"

namespace rm {

// Clears the viewport (to the scene's background, or to `background` when given: white
// paper for printing), renders `scene` through it and presents the picture. Stops at the
// first failure and returns it; only a presented picture is marked as showing `revision`.
Result DrawPicture(Viewport& viewport, const Frame& scene, std::uint64_t revision,
                   std::optional<D3DCOLOR> background = std::nullopt);

// The last two steps alone, for a picture already drawn into the device (by the frame
// runner): presents it and, if that worked, marks the viewport as showing `revision`.
Result PresentPicture(Viewport& viewport, std::uint64_t revision);

}  // namespace rm
