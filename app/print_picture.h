#pragma once
// Printing: one page with the current picture of the model, rendered for the printer and
// fitted to the page with the view's proportions.

#include <QImage>
#include <QRect>
#include <QSize>
#include <functional>

class QPagedPaintDevice;
class QPrinter;

namespace app {

// Renders the scene at the given pixel size.
using PictureRenderer = std::function<QImage(int width, int height)>;

// The largest picture rendered for a page, on its long side: above 300 dpi on an A4 or
// Letter page, while the render buffers stay near 100 MB.
inline constexpr int kMaxPrintPixels = 3000;

// Where on a page of `page` device pixels a picture of proportions `aspect` goes: as large
// as fits, centred.
[[nodiscard]] QRect FitToPage(const QRect& page, QSize aspect);
// The pixel size to render for `target`, shrunk proportionally to kMaxPrintPixels.
[[nodiscard]] QSize RenderSizeFor(QSize target);

// Prints one page onto `device`; false when the device cannot be painted on or the picture
// could not be rendered.
bool PrintPicture(QPagedPaintDevice& device, QSize aspect, const PictureRenderer& render);

}  // namespace app
