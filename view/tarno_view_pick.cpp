// The view's framing, picking and panning: Home and a double-click on the background frame
// the model, a double-click on a face leads to its file line, a middle-button drag pans.

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <cmath>
#include <string>

#include "doc/source_line.h"
#include "platform/rm/view_fit.h"
#include "view/tarno_view.h"

namespace view {

namespace {

// How long the status bar shows a picked line before "Ready" returns.
constexpr int kLineMessageMs = 6000;
// Highlighted faces take this colour, or the second one if they already have the first.
constexpr rm::D3DCOLOR kHighlight = 0xFFFFFF00U;
constexpr rm::D3DCOLOR kHighlightOnYellow = 0xFFFF00FFU;

}  // namespace

void CTarnoView::OnFrameModel() {
    if (!m_pViewport || !m_doc.m_pModelFrame || !m_doc.m_pMeshBuilder) return;
    (void)FrameModel(*m_pViewport, *m_doc.m_pModelFrame, m_doc.m_pMeshBuilder->Data());
}

std::uint32_t CTarnoView::LineAt(int x, int y) const {
    if (!m_pViewport || !m_doc.m_pSceneFrame || !m_doc.m_pMeshBuilder) return 0;
    // Client points are logical; the picture is in device pixels.
    const qreal ratio = devicePixelRatioF();
    const int px = static_cast<int>(std::floor((x + 0.5) * ratio));
    const int py = static_cast<int>(std::floor((y + 0.5) * ratio));
    rm::PickResult hit;
    if (rm::Failed(m_pViewport->Pick(m_doc.m_pSceneFrame.get(), px, py, hit)) ||
        hit.mesh != &m_doc.m_pMeshBuilder->Data()) {
        return 0;
    }
    return m_doc.FaceSourceLine(hit.face);
}

void CTarnoView::OnLButtonDblClk(int x, int y) {
    ClearHighlight();
    const std::uint32_t line = LineAt(x, y);
    if (line == 0) {
        OnFrameModel();
        return;
    }
    const std::string& path = m_doc.GetPathName();
    std::string text;
    const QString shown = doc::ReadSourceLine(path, line, text)
                              ? QString::fromLocal8Bit(doc::PrintableLine(text))
                              : QString();
    emit StatusMessage(QStringLiteral("Line %1: %2").arg(line).arg(shown), kLineMessageMs);
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(QString::fromLocal8Bit(path) + QLatin1Char(':') + QString::number(line));
    }
    Highlight(line);
}

void CTarnoView::Highlight(std::uint32_t line) {
    m_highlightMesh = m_doc.m_pMeshBuilder;
    if (!m_highlightMesh) return;
    // Everything the line made: one face for a polygon, the strokes of a DRAW block (one
    // side of a thin stroke alone would hardly show).
    const std::uint32_t count = m_highlightMesh->GetFaceCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        rm::Face face;
        if (rm::Failed(m_highlightMesh->GetFace(i, face)) || face.GetAppData() != line) continue;
        const rm::D3DCOLOR old = face.GetColor();
        m_highlighted.emplace_back(i, old);
        const bool yellow = (old & 0x00FFFF00U) == 0x00FFFF00U;
        (void)face.SetColor(yellow ? kHighlightOnYellow : kHighlight);
    }
}

void CTarnoView::ClearHighlight() {
    // A load replaces the mesh; the old one's colours no longer matter.
    if (m_highlightMesh && m_highlightMesh == m_doc.m_pMeshBuilder) {
        for (const auto& [index, color] : m_highlighted) {
            rm::Face face;
            if (rm::Succeeded(m_highlightMesh->GetFace(index, face))) {
                (void)face.SetColor(color);
            }
        }
    }
    m_highlighted.clear();
    m_highlightMesh.reset();
}

void CTarnoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        // Other buttons: a second press like the first.
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    OnLButtonDblClk(point.x(), point.y());
    event->accept();
}

void CTarnoView::OnMButtonDown(int x, int y) {
    m_bPanning = true;
    const qreal ratio = devicePixelRatioF();
    m_panLast = QPointF(x * ratio, y * ratio);
}

void CTarnoView::OnMButtonUp() {
    m_bPanning = false;
}

void CTarnoView::OnPanMove(int x, int y) {
    if (!m_bPanning || !m_pViewport || !m_doc.m_pSceneFrame) return;
    const qreal ratio = devicePixelRatioF();
    const QPointF now(x * ratio, y * ratio);
    const QPointF step = now - m_panLast;
    if (step.isNull()) return;
    if (rm::Succeeded(rm::PanCamera(*m_pViewport, *m_doc.m_pSceneFrame,
                                    static_cast<rm::D3DVALUE>(step.x()),
                                    static_cast<rm::D3DVALUE>(step.y())))) {
        m_panLast = now;
    }
}

}  // namespace view
