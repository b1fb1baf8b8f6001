#include "app/pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QPolygonF>
#include <functional>
#include <utility>

namespace app {
namespace {

// The classic 16-colour set the pictures are drawn in.
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kDarkRed(128, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kOlive(128, 128, 0);
const QColor kGreen(0, 255, 0);
const QColor kDarkGreen(0, 128, 0);
const QColor kCyan(0, 255, 255);

// Outlines run through pixel centres (x.5) and fills end on pixel edges, so that lines are
// one whole pixel at 1x and whole pixels at every integer scale.
QPen Outline(const QColor& color, qreal width = 1.0) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

void FillOutlined(QPainter& p, const QPolygonF& shape, const QColor& fill, const QColor& line) {
    p.setPen(Outline(line));
    p.setBrush(fill);
    p.drawPolygon(shape);
}

// A thick stroke along `path`, filled and outlined.
void ThickStroke(QPainter& p, const QPainterPath& path, qreal width, const QColor& fill,
                 const QColor& line, Qt::PenCapStyle cap = Qt::FlatCap) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    const QPainterPath outline = stroker.createStroke(path).simplified();
    p.setPen(Outline(line));
    p.setBrush(fill);
    p.drawPath(outline);
}

void PaintOpen(QPainter& p) {
    // Back of the folder with its tab.
    FillOutlined(p,
                 QPolygonF({{0.5, 3.5},
                            {1.5, 2.5},
                            {4.5, 2.5},
                            {5.5, 3.5},
                            {10.5, 3.5},
                            {10.5, 13.5},
                            {0.5, 13.5}}),
                 kOlive, kBlack);
    // The open front flap.
    FillOutlined(p, QPolygonF({{0.5, 13.5}, {3.5, 7.5}, {14.5, 7.5}, {11.5, 13.5}}), kYellow,
                 kBlack);
    // The arrow bending down into the folder.
    p.setPen(Outline(kBlack));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{8.5, 1.5}, {12.5, 1.5}, {13.5, 2.5}, {13.5, 3.5}}));
    p.setBrush(kBlack);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({{11.0, 4.0}, {16.0, 4.0}, {13.5, 6.5}}));
}

void PaintReload(QPainter& p) {
    // The curved arrow: three quarters of a circle, its head at the upper right.
    QPainterPath arc;
    const QRectF circle(2.0, 1.5, 12.0, 12.0);
    arc.arcMoveTo(circle, 60.0);
    arc.arcTo(circle, 60.0, 280.0);
    ThickStroke(p, arc, 2.0, kYellow, kOlive);
    const QPointF end = arc.currentPosition();
    FillOutlined(
        p,
        QPolygonF({end + QPointF(-3.0, -2.0), end + QPointF(3.0, -1.5), end + QPointF(0.5, 3.0)}),
        kYellow, kOlive);
    // The letter R on top, two pixels thick.
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    QPainterPath r;
    r.setFillRule(Qt::OddEvenFill);
    r.addPolygon(QPolygonF({{5, 3},
                            {10, 3},
                            {12, 5},
                            {12, 6},
                            {10, 8},
                            {12, 12},
                            {10, 12},
                            {8, 8.5},
                            {7, 8.5},
                            {7, 12},
                            {5, 12}}));
    r.closeSubpath();
    r.addPolygon(QPolygonF({{7, 5}, {9.5, 5}, {10, 5.5}, {9.5, 6.5}, {7, 6.5}}));
    r.closeSubpath();
    p.drawPath(r);
}

void PaintMagnifier(QPainter& p, bool plus) {
    // Handle first, so that the rim covers its end.
    QPen handle(kBlack, 2.5);
    handle.setCapStyle(Qt::RoundCap);
    p.setPen(handle);
    p.drawLine(QPointF(10.0, 10.0), QPointF(14.0, 13.5));
    p.setPen(Outline(kBlack));
    p.setBrush(kCyan.lighter(160));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlack);
    p.drawRect(QRectF(4, 6, 5, 1));
    if (plus) p.drawRect(QRectF(6, 4, 1, 5));
}

// The cube seen from the upper right: front square, top and side.
const QPolygonF kCubeFront({{1.5, 5.5}, {9.5, 5.5}, {9.5, 13.5}, {1.5, 13.5}});
const QPolygonF kCubeTop({{1.5, 5.5}, {5.5, 1.5}, {13.5, 1.5}, {9.5, 5.5}});
const QPolygonF kCubeSide({{9.5, 5.5}, {13.5, 1.5}, {13.5, 9.5}, {9.5, 13.5}});

void PaintSolidCube(QPainter& p) {
    FillOutlined(p, kCubeFront, kRed, kBlack);
    FillOutlined(p, kCubeTop, QColor(255, 128, 128), kBlack);
    FillOutlined(p, kCubeSide, kDarkRed, kBlack);
}

void PaintWireframeCube(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(Outline(kRed));
    p.drawPolygon(kCubeFront);
    p.drawPolygon(kCubeTop);
    p.drawPolygon(kCubeSide);
    // The hidden edges meet at the far lower corner.
    const QPointF hidden(5.5, 9.5);
    p.drawLine(hidden, QPointF(5.5, 1.5));
    p.drawLine(hidden, QPointF(13.5, 9.5));
    p.drawLine(hidden, QPointF(1.5, 13.5));
}

// A fat arrow pointing up, turned by `degrees` about the centre of its 15 x 15 box.
void PaintArrow(QPainter& p, qreal degrees) {
    p.save();
    p.translate(7.5, 7.5);
    p.rotate(degrees);
    p.translate(-7.5, -7.5);
    FillOutlined(p,
                 QPolygonF({{7.5, 1.5},
                            {13.5, 7.5},
                            {10.5, 7.5},
                            {10.5, 13.5},
                            {4.5, 13.5},
                            {4.5, 7.5},
                            {1.5, 7.5}}),
                 kGreen, kDarkGreen);
    p.restore();
}

void PaintQuestion(QPainter& p) {
    QPainterPath hook;
    const QRectF circle(4.5, 1.5, 7.0, 6.5);
    hook.arcMoveTo(circle, 160.0);
    hook.arcTo(circle, 160.0, -235.0);
    hook.lineTo(8.0, 10.0);
    ThickStroke(p, hook, 2.5, kYellow, kBlack);
    FillOutlined(p, QPolygonF({{6.5, 11.5}, {9.5, 11.5}, {9.5, 14.5}, {6.5, 14.5}}), kYellow,
                 kBlack);
}

using Painter = std::function<void(QPainter&)>;

// Renders a picture of `logical` units at whatever size and device pixel ratio it is
// asked for, instead of scaling one bitmap.
class PaintedIconEngine final : public QIconEngine {
public:
    PaintedIconEngine(Painter painter, QSize logical)
        : m_painter(std::move(painter)), m_logical(logical) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal dpr =
            painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = pixmap((QSizeF(rect.size()) * dpr).toSize(), mode, state);
        pm.setDevicePixelRatio(dpr);
        painter->drawPixmap(rect, pm);
    }

    QSize actualSize(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return m_logical.scaled(size, Qt::KeepAspectRatio);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State /*state*/) override {
        const QSize target = m_logical.scaled(size, Qt::KeepAspectRatio);
        if (target.isEmpty()) return {};
        QImage image(target, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            const qreal sx = qreal(target.width()) / m_logical.width();
            const qreal sy = qreal(target.height()) / m_logical.height();
            // At one pixel per unit the pictures are pixel art; above that, smooth curves.
            p.setRenderHint(QPainter::Antialiasing, sx > 1.25);
            p.scale(sx, sy);
            m_painter(p);
        }
        if (mode == QIcon::Disabled) Gray(image);
        return QPixmap::fromImage(std::move(image));
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(m_painter, m_logical); }

    QList<QSize> availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return {m_logical, m_logical * 2, m_logical * 3};
    }

private:
    // The look of a disabled button: grey and faint.
    static void Gray(QImage& image) {
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int a = qAlpha(line[x]) / 2;
                const int g = qGray(line[x]) / 2 + 32;
                line[x] = qPremultiply(qRgba(g, g, g, a));
            }
        }
    }

    Painter m_painter;
    QSize m_logical;
};

}  // namespace

void PaintToolbarPicture(QPainter& painter, int index) {
    switch (index) {
        case 0:
            PaintOpen(painter);
            break;
        case 1:
            PaintReload(painter);
            break;
        case 2:
            PaintMagnifier(painter, true);
            break;
        case 3:
            PaintMagnifier(painter, false);
            break;
        case 4:
            PaintSolidCube(painter);
            break;
        case 5:
            PaintWireframeCube(painter);
            break;
        case 6:
            PaintArrow(painter, 0.0);
            break;
        case 7:
            PaintArrow(painter, 180.0);
            break;
        case 8:
            PaintArrow(painter, 270.0);
            break;
        case 9:
            PaintArrow(painter, 90.0);
            break;
        case 10:
            PaintQuestion(painter);
            break;
        default:
            break;
    }
}

void PaintAppIcon(QPainter& p) {
    // A lit red block standing on green ground, the light above it: a scenery object.
    FillOutlined(p, QPolygonF({{0.5, 29.5}, {8.5, 21.5}, {31.5, 21.5}, {23.5, 29.5}}), kGreen,
                 kDarkGreen);
    FillOutlined(p, QPolygonF({{5.5, 12.5}, {17.5, 12.5}, {17.5, 25.5}, {5.5, 25.5}}), kRed,
                 kBlack);
    FillOutlined(p, QPolygonF({{5.5, 12.5}, {11.5, 6.5}, {23.5, 6.5}, {17.5, 12.5}}),
                 QColor(255, 128, 128), kBlack);
    FillOutlined(p, QPolygonF({{17.5, 12.5}, {23.5, 6.5}, {23.5, 19.5}, {17.5, 25.5}}), kDarkRed,
                 kBlack);
    p.setPen(Outline(kOlive));
    p.setBrush(kYellow);
    p.drawEllipse(QPointF(27.5, 4.5), 3.0, 3.0);
}

QIcon ToolbarIcon(int index) {
    return QIcon(new PaintedIconEngine([index](QPainter& p) { PaintToolbarPicture(p, index); },
                                       QSize(16, 15)));
}

QIcon AppIcon() {
    return QIcon(new PaintedIconEngine([](QPainter& p) { PaintAppIcon(p); }, QSize(32, 32)));
}

QImage RenderToolbarPicture(int index, qreal scale) {
    const QSize size = (QSizeF(16, 15) * scale).toSize();
    return ToolbarIcon(index).pixmap(size).toImage();
}

}  // namespace app
