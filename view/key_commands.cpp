#include "view/key_commands.h"

namespace view {

int CommandForKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::AltModifier)) return 0;
    switch (key) {
        case Qt::Key_Left:
            return res::ID_LEFT;
        case Qt::Key_Up:
            return res::ID_UP;
        case Qt::Key_Right:
            return res::ID_RIGHT;
        case Qt::Key_Down:
            return res::ID_DOWN;
        case Qt::Key_Plus:
            return modifiers.testFlag(Qt::KeypadModifier) ? res::ID_ZOOM_IN : 0;
        case Qt::Key_Minus:
            return modifiers.testFlag(Qt::KeypadModifier) ? res::ID_ZOOM_OUT : 0;
        default:
            return 0;
    }
}

}  // namespace view
