// The icons installed for the desktop's theme are the window's icon: every PNG is the
// picture the window draws at that size, and the SVG draws the same picture.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdlib>

#include "app/pictures.h"

namespace {

// The application object the icons need comes from tests/support/qt_app.cpp, linked in.

QString IconPath(const QString& folder, const QString& extension) {
    return QStringLiteral("%1/%2/apps/%3.%4")
        .arg(QStringLiteral(TARNO_ICON_DIR), folder, QStringLiteral(TARNO_APP_ID), extension);
}

QImage WindowIcon(int side) {
    return app::AppIcon()
        .pixmap(QSize(side, side))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

// Mean difference of two same-sized pictures over all four channels, 0 to 1.
double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0.0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * 255.0 * a.width() * a.height());
}

TEST(ThemeIcon, EveryPngIsTheWindowsIconAtItsSize) {
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(side);
        QImage file(IconPath(QStringLiteral("%1x%1").arg(side), QStringLiteral("png")));
        ASSERT_FALSE(file.isNull()) << "no icon of " << side << " px";
        file = file.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(file.size(), QSize(side, side));
        const QImage drawn = WindowIcon(side);
        ASSERT_EQ(drawn.size(), file.size());
        EXPECT_EQ(MeanDifference(file, drawn), 0.0);
    }
}

TEST(ThemeIcon, ScalableIconDrawsTheSamePicture) {
    QSvgRenderer svg(IconPath(QStringLiteral("scalable"), QStringLiteral("svg")));
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBoxF(), QRectF(0, 0, 32, 32));

    // Rendered at the sizes where the window's icon is drawn smooth, the two agree up to
    // the edges' anti-aliasing; a lost shape, colour or transform shows as far more.
    for (const int side : {64, 128}) {
        SCOPED_TRACE(side);
        QImage rendered(side, side, QImage::Format_ARGB32);
        rendered.fill(Qt::transparent);
        {
            QPainter painter(&rendered);
            painter.setRenderHint(QPainter::Antialiasing);
            svg.render(&painter, QRectF(0, 0, side, side));
        }
        EXPECT_LT(MeanDifference(rendered, WindowIcon(side)), 0.02);
    }

    // And it is not an empty picture that merely matches a blank one.
    const QImage drawn = WindowIcon(64);
    int opaque = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) opaque += qAlpha(drawn.pixel(x, y)) > 128;
    EXPECT_GT(opaque, 64 * 64 / 3);
}

}  // namespace
