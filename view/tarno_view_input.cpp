// The view's mouse, keyboard, wheel and drop handling: turning the model by dragging,
// panning and zooming from the keys and the wheel, opening a dropped file.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>

#include "view/drag_turn.h"
#include "view/key_commands.h"
#include "view/tarno_view.h"

namespace view {

namespace {

// One wheel notch.
constexpr int kWheelStep = 120;

// The first local .api file among the dropped ones, or an empty string.
QString DroppedApiFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).suffix().compare(QStringLiteral("api"), Qt::CaseInsensitive) == 0) {
            return path;
        }
    }
    return {};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Mouse

void CTarnoView::mousePressEvent(QMouseEvent* event) {
    ClearHighlight();
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown();
    } else if (event->button() == Qt::RightButton) {
        OnRButtonDown();
    } else if (event->button() == Qt::MiddleButton) {
        const QPoint point = event->position().toPoint();
        OnMButtonDown(point.x(), point.y());
    }
    QWidget::mousePressEvent(event);
}

void CTarnoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) OnLButtonUp();
    if (event->button() == Qt::MiddleButton) OnMButtonUp();
    QWidget::mouseReleaseEvent(event);
}

void CTarnoView::mouseMoveEvent(QMouseEvent* event) {
    // An uncaptured pointer asks the window for its cursor at every move; a captured one
    // does not, which keeps the hand for the whole drag.
    if (!m_bCaptured) OnSetCursor();
    const QPoint point = event->position().toPoint();
    if (m_bPanning) OnPanMove(point.x(), point.y());
    OnMouseMove(point.x(), point.y());
    QWidget::mouseMoveEvent(event);
}

void CTarnoView::enterEvent(QEnterEvent* event) {
    if (!m_bCaptured) OnSetCursor();
    QWidget::enterEvent(event);
}

void CTarnoView::OnLButtonDown() {
    m_bDragging = true;
    // The button keeps the pointer with this widget until it goes up.
    m_bCaptured = true;
    OnSetCursor();
}

void CTarnoView::OnLButtonUp() {
    m_bDragging = false;
    m_bCaptured = false;
    OnSetCursor();
}

void CTarnoView::OnRButtonDown() {
    // Turning stops; the capture lasts until the left button goes up.
    m_bDragging = false;
    OnSetCursor();
}

void CTarnoView::OnMouseMove(int x, int y) {
    // Left and top edges are inside, right and bottom outside.
    if (!rect().contains(x, y)) {
        m_bCaptured = false;
        m_bDragging = false;
        OnSetCursor();
    }
    if (!m_bDragging) {
        m_nLastX = 0;
        m_nLastY = 0;
        return;
    }
    const rm::FramePtr& model = m_doc.m_pModelFrame;
    const rm::Frame* scene = m_doc.m_pSceneFrame.get();
    rm::D3DVECTOR axis;
    rm::D3DVALUE theta = 0.0F;
    if (!model || rm::Failed(model->GetRotation(scene, axis, theta))) {
        m_bDragging = false;
        m_nLastX = 0;
        m_nLastY = 0;
        return;
    }
    const DragTurn turn = TurnForMove(m_nLastX, m_nLastY, x, y, axis, theta);
    // Combined after the frame's own transformation: the axis is in the scene's (the
    // screen's) coordinates whatever the model's orientation is by now.
    if (rm::Succeeded(model->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER, turn.axis.x,
                                         turn.axis.y, turn.axis.z, turn.theta))) {
        m_nLastX = x;
        m_nLastY = y;
    } else {
        m_bDragging = false;
        m_nLastX = 0;
        m_nLastY = 0;
    }
}

bool CTarnoView::OnSetCursor() {
    if (m_bDragging) {
        if (g_bArrowCursor) {
            setCursor(m_handCursor);
            g_bArrowCursor = false;
        }
        return true;
    }
    if (!g_bArrowCursor) {
        setCursor(Qt::ArrowCursor);
        g_bArrowCursor = true;
        return true;
    }
    // The arrow is already there; a widget's cursor stays until changed.
    return false;
}

// ---------------------------------------------------------------------------------------
// Keys

void CTarnoView::keyPressEvent(QKeyEvent* event) {
    ClearHighlight();
    if (event->key() == Qt::Key_Home && !event->modifiers().testFlag(Qt::AltModifier)) {
        OnFrameModel();
        event->accept();
        return;
    }
    const int command = CommandForKey(event->key(), event->modifiers());
    if (command == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Every press runs the command once, auto-repeated ones included.
    OnKeyDown(event->key(), event->modifiers());
    event->accept();
}

void CTarnoView::keyReleaseEvent(QKeyEvent* event) {
    // Auto-repeat sends a release before each repeated press; the key is still held, so
    // its button stays pressed.
    if (!event->isAutoRepeat()) OnKeyUp();
    QWidget::keyReleaseEvent(event);
}

void CTarnoView::OnKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const int command = CommandForKey(key, modifiers);
    if (command == 0) return;
    if (m_toolbar != nullptr) m_toolbar->PressButton(command, true);
    // Straight to the handler: the update-UI state plays no part.
    switch (command) {
        case res::ID_LEFT:
            OnLeft();
            break;
        case res::ID_UP:
            OnUp();
            break;
        case res::ID_RIGHT:
            OnRight();
            break;
        case res::ID_DOWN:
            OnDown();
            break;
        case res::ID_ZOOM_IN:
            OnZoomIn();
            break;
        case res::ID_ZOOM_OUT:
            OnZoomOut();
            break;
        default:
            break;
    }
}

void CTarnoView::OnKeyUp() {
    if (m_toolbar == nullptr) return;
    for (const int id : kKeyButtons) m_toolbar->PressButton(id, false);
}

// ---------------------------------------------------------------------------------------
// Wheel

void CTarnoView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QWidget::wheelEvent(event);
        return;
    }
    // Fine-grained wheels and touchpads send parts of a notch; collect them, and start
    // afresh when the direction turns so a reversal acts at once.
    if ((delta > 0) != (m_nWheelRest > 0) && m_nWheelRest != 0) m_nWheelRest = 0;
    m_nWheelRest += delta;
    while (m_nWheelRest >= kWheelStep) {
        OnZoomIn();
        m_nWheelRest -= kWheelStep;
    }
    while (m_nWheelRest <= -kWheelStep) {
        OnZoomOut();
        m_nWheelRest += kWheelStep;
    }
    event->accept();
}

// ---------------------------------------------------------------------------------------
// Drop

void CTarnoView::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedApiFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CTarnoView::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedApiFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CTarnoView::dropEvent(QDropEvent* event) {
    const QString path = DroppedApiFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    if (isSignalConnected(QMetaMethod::fromSignal(&CTarnoView::OpenFileRequested))) {
        emit OpenFileRequested(path);
    } else {
        OpenDropped(path);
    }
}

void CTarnoView::OpenDropped(const QString& path) {
    if (m_doc.OnOpenDocument(QFile::encodeName(path).toStdString())) OnInitialUpdate();
}

}  // namespace view
