#include "app/print_picture.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

namespace app {

QRect FitToPage(const QRect& page, QSize aspect) {
    if (aspect.isEmpty()) aspect = QSize(4, 3);
    const QSize size = aspect.scaled(page.size(), Qt::KeepAspectRatio);
    return QRect(page.x() + (page.width() - size.width()) / 2,
                 page.y() + (page.height() - size.height()) / 2, size.width(), size.height());
}

QSize RenderSizeFor(QSize target) {
    if (target.isEmpty()) return {};
    if (std::max(target.width(), target.height()) <= kMaxPrintPixels) return target;
    return target.scaled(kMaxPrintPixels, kMaxPrintPixels, Qt::KeepAspectRatio)
        .expandedTo(QSize(1, 1));
}

bool PrintPicture(QPagedPaintDevice& device, QSize aspect, const PictureRenderer& render) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    // The painter's window is the printable area in device pixels.
    const QRect target = FitToPage(painter.window(), aspect);
    const QSize renderSize = RenderSizeFor(target.size());
    const QImage picture =
        renderSize.isEmpty() ? QImage() : render(renderSize.width(), renderSize.height());
    if (picture.isNull()) {
        painter.end();
        return false;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Colours as rendered: a PDF would otherwise carry the picture as JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.drawImage(target, picture);
    return painter.end();
}

}  // namespace app
