#pragma once
// The turn one mouse move of a left-button drag gives the model.

#include "platform/core/types.h"

namespace view {

// Radians of turn per pixel of mouse travel (|dx| + |dy|).
inline constexpr double kDragTurnRate = 0.05;

struct DragTurn {
    rm::D3DVECTOR axis;  // in the scene frame's (the screen's) coordinates
    rm::D3DVALUE theta = 0.0F;
};

// The turn for a move from the stored position (lastX, lastY) to (x, y). (0, 0) as stored
// position means none is stored: the turn is then the rotation read back from the model
// frame, which for a frame never given a motion is no turn at all. The axis is at right
// angles to the motion in the screen plane (its first two components exchanged), and the
// third component is the read-back axis's.
[[nodiscard]] DragTurn TurnForMove(int lastX, int lastY, int x, int y,
                                   const rm::D3DVECTOR& readAxis, rm::D3DVALUE readTheta);

}  // namespace view
