#include "view/widget_target.h"

#include <QWidget>
#include <cstddef>

namespace view {

namespace {

void CopyInto(const rm::PictureView& picture, QImage& image) {
    const auto width = static_cast<std::size_t>(picture.width);
    for (int y = 0; y < picture.height; ++y) {
        const rm::D3DCOLOR* src = picture.pixels + static_cast<std::size_t>(y) * width;
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::size_t x = 0; x < width; ++x) dst[x] = src[x] | 0xFF000000U;
    }
}

}  // namespace

QImage ToImage(const rm::PictureView& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels == nullptr) return {};
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    CopyInto(picture, image);
    return image;
}

void WidgetTarget::Present(const rm::PictureView& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels == nullptr) return;
    // Same size as last time: refill in place, so a warm frame allocates nothing.
    if (m_image.width() != picture.width || m_image.height() != picture.height) {
        m_image = QImage(picture.width, picture.height, QImage::Format_RGB32);
        if (m_image.isNull()) return;
    }
    CopyInto(picture, m_image);
    ++m_presents;
    if (!m_painting) m_widget.update();
}

}  // namespace view
