#pragma once
// The program's pictures, drawn in code so that they stay sharp at every screen scale: the
// eleven toolbar pictures (16 x 15 each, in button order) and icon 128 (32 x 32).

#include <QIcon>
#include <QImage>

class QPainter;

namespace app {

inline constexpr int kToolbarPictureCount = 11;

// Paints toolbar picture `index` (0-10) in a 16 x 15 coordinate space.
void PaintToolbarPicture(QPainter& painter, int index);
// Paints icon 128 in a 32 x 32 coordinate space.
void PaintAppIcon(QPainter& painter);

// Icons that render the pictures at the size and device pixel ratio they are shown at.
[[nodiscard]] QIcon ToolbarIcon(int index);
[[nodiscard]] QIcon AppIcon();

// The picture at `scale` device pixels per unit, transparent where nothing is drawn.
[[nodiscard]] QImage RenderToolbarPicture(int index, qreal scale);

}  // namespace app
