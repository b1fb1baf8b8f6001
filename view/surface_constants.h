#pragma once
// The numbers every surface of the view shares, in the window, in a PNG and on paper. No
// Qt and nothing heavy: the command line checks sizes against them too.

#include "platform/core/types.h"

namespace view {

// The smallest side of a surface: a view squeezed below it still gets this many pixels.
inline constexpr int kMinSurfaceSide = 8;
// Where a new surface's camera starts, relative to the scene frame; also where opening a
// file puts it back.
inline constexpr rm::D3DVECTOR kCameraStart{0.0F, 0.0F, -200.0F};
// The colour depth of a surface drawn into memory, and of a window not yet on a screen.
inline constexpr int kTrueColorBits = 32;

}  // namespace view
