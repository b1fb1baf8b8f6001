#include "view/drag_turn.h"

#include <cstdlib>

namespace view {

DragTurn TurnForMove(int lastX, int lastY, int x, int y, const rm::D3DVECTOR& readAxis,
                     rm::D3DVALUE readTheta) {
    rm::D3DVECTOR axis = readAxis;
    rm::D3DVALUE theta = readTheta;
    if (lastX != 0 || lastY != 0) {
        const int dx = lastX - x;
        const int dy = lastY - y;
        axis.x = static_cast<rm::D3DVALUE>(dx);
        axis.y = static_cast<rm::D3DVALUE>(dy);
        theta = static_cast<rm::D3DVALUE>(static_cast<double>(std::abs(dx) + std::abs(dy)) *
                                          kDragTurnRate);
    }
    // The motion's x travel turns about the screen's vertical axis and its y travel about
    // the horizontal one.
    return {{axis.y, axis.x, axis.z}, theta};
}

}  // namespace view
