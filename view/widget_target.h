#pragma once
// The view's presentation target: keeps the device's last picture as a QImage and asks the
// widget for a repaint whenever a new one arrives.

#include <QImage>

#include "platform/rm/presentation_target.h"

class QWidget;

namespace view {

class WidgetTarget final : public rm::PresentationTarget {
public:
    // `widget` must outlive the target; the view owns both.
    explicit WidgetTarget(QWidget& widget) : m_widget(widget) {}

    void Present(const rm::PictureView& picture) override;

    [[nodiscard]] const QImage& Image() const { return m_image; }
    [[nodiscard]] int PresentCount() const { return m_presents; }

    // While painting, a present only refreshes the image: asking for another paint from
    // inside paint would repaint forever.
    class PaintScope {
    public:
        explicit PaintScope(WidgetTarget& target) : m_target(target) { m_target.m_painting = true; }
        ~PaintScope() { m_target.m_painting = false; }
        PaintScope(const PaintScope&) = delete;
        PaintScope& operator=(const PaintScope&) = delete;

    private:
        WidgetTarget& m_target;
    };

private:
    QWidget& m_widget;
    QImage m_image;
    int m_presents = 0;
    bool m_painting = false;
};

// A copy of `picture` as an opaque QImage (the device writes 0xAARRGGBB, which is
// Format_RGB32's layout once the alpha byte is forced to 0xFF). Null for an empty picture.
[[nodiscard]] QImage ToImage(const rm::PictureView& picture);

}  // namespace view
