#include "view/hand_cursor.h"

#include <QBitmap>
#include <QImage>

#include "res/hand_cursor.h"

namespace view {

namespace {

// One bit plane of the art: the pixels whose character is one of `on`.
QBitmap Plane(std::string_view on) {
    const int size = static_cast<int>(res::kHandCursorArt.size());
    QImage image(size, size, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    for (int y = 0; y < size; ++y) {
        const std::string_view row = res::kHandCursorArt[static_cast<std::size_t>(y)];
        for (int x = 0; x < size && x < static_cast<int>(row.size()); ++x) {
            if (on.find(row[static_cast<std::size_t>(x)]) != std::string_view::npos) {
                image.setPixel(x, y, 1);
            }
        }
    }
    return QBitmap::fromImage(image, Qt::MonoOnly | Qt::ThresholdDither);
}

}  // namespace

QCursor MakeHandCursor() {
    // Bitmap: the black outline; mask: the whole hand (outline and white inside).
    return {Plane("#"), Plane("#."), res::kHandCursorHotX, res::kHandCursorHotY};
}

}  // namespace view
