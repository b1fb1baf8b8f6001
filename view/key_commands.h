#pragma once
// Which view command a key runs, and the toolbar buttons the keys hold pressed.

#include <Qt>
#include <array>

#include "res/resource_ids.h"

namespace view {

// The command a key press runs (its toolbar button is shown pressed meanwhile), or 0 for a
// key the view ignores. Only the keypad's plus and minus zoom; the main keyboard's do
// nothing. Arrow keys pan with or without Shift or Ctrl, but not with Alt, which belongs
// to the menu bar.
[[nodiscard]] int CommandForKey(int key, Qt::KeyboardModifiers modifiers);

// Released, in this order, when any key goes up.
inline constexpr std::array<int, 6> kKeyButtons = {res::ID_ZOOM_IN, res::ID_ZOOM_OUT, res::ID_LEFT,
                                                   res::ID_RIGHT,   res::ID_UP,       res::ID_DOWN};

}  // namespace view
