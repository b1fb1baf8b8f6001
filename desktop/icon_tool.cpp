// Writes the application icon for the icon theme, drawn by the same code as the window's
// icon: one PNG per size, as the window shows it at that size, and a scalable SVG of the
// same drawing.
//
//   tarno_icons OUT_DIR NAME SIZE...
//
// writes OUT_DIR/SIZExSIZE/apps/NAME.png for every SIZE and OUT_DIR/scalable/apps/NAME.svg.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgGenerator>
#include <cstdio>
#include <vector>

#include "app/pictures.h"

namespace {

constexpr int kLogicalSide = 32;  // the drawing's own coordinate space

bool WritePng(const QString& path, int side) {
    const QImage image = app::AppIcon().pixmap(QSize(side, side)).toImage();
    return image.size() == QSize(side, side) && image.save(path, "PNG");
}

bool WriteSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kLogicalSide, kLogicalSide));
    svg.setViewBox(QRect(0, 0, kLogicalSide, kLogicalSide));
    svg.setTitle(QStringLiteral("Tarno"));
    svg.setDescription(QStringLiteral("The Tarno application icon"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    app::PaintAppIcon(painter);
    return painter.end();
}

bool MakeFolder(const QString& path) {
    return QDir().mkpath(path);
}

}  // namespace

int main(int argc, char** argv) {
    // Pixmaps need a GUI application, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        std::fputs("usage: tarno_icons OUT_DIR NAME SIZE...\n", stderr);
        return 2;
    }
    const QString root = args[1];
    const QString name = args[2];

    std::vector<int> sides;
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int side = args[i].toInt(&ok);
        if (!ok || side < 1 || side > 1024) {
            std::fprintf(stderr, "tarno_icons: not a size: %s\n", qPrintable(args[i]));
            return 2;
        }
        sides.push_back(side);
    }

    for (const int side : sides) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(side);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!MakeFolder(folder) || !WritePng(file, side)) {
            std::fprintf(stderr, "tarno_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const QString folder = root + QStringLiteral("/scalable/apps");
    const QString file = QStringLiteral("%1/%2.svg").arg(folder, name);
    if (!MakeFolder(folder) || !WriteSvg(file)) {
        std::fprintf(stderr, "tarno_icons: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}
