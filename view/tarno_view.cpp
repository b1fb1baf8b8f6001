#include "view/tarno_view.h"

#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/rm/draw_picture.h"
#include "platform/rm/revision.h"
#include "res/resource_ids.h"
#include "view/hand_cursor.h"

namespace view {

bool g_bArrowCursor = false;

namespace {

int DevicePixels(int logical, qreal ratio) {
    return std::max(kMinSurfaceSide, static_cast<int>(std::lround(logical * ratio)));
}

}  // namespace

CTarnoView::CTarnoView(doc::CTarnoDoc& document, rm::Root& root, ToolbarPresser* toolbar,
                       QWidget* parent)
    : QWidget(parent),
      m_doc(document),
      m_root(root),
      m_toolbar(toolbar),
      m_target(std::make_shared<WidgetTarget>(*this)),
      m_handCursor(MakeHandCursor()) {
    // The device's picture covers the whole widget: no background to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    // Moves without a button must arrive too: they clear the stored drag position and
    // stand in for the cursor queries a window gets while the pointer moves over it.
    setMouseTracking(true);
    // The widget starts with the standard arrow; record that the view chose it, so the
    // first press shows the hand even before the pointer has moved over the view.
    setCursor(Qt::ArrowCursor);
    g_bArrowCursor = true;
    m_bCreated = OnCreate() == 0;
}

CTarnoView::~CTarnoView() {
    OnDestroy();
}

// ---------------------------------------------------------------------------------------
// Surface

int CTarnoView::OnCreate() {
    return CreateSurface(0, 0) ? 0 : -1;
}

bool CTarnoView::CreateSurface(int cx, int cy) {
    const int bits = screen() != nullptr ? screen()->depth() : kTrueColorBits;
    RenderSurface surface;
    m_surfaceSize = QSize(cx, cy);
    const rm::Result result = CreateRenderSurface(m_root, m_doc.m_pSceneFrame, m_target, cx, cy,
                                                  bits, surface, m_bAntialias);
    // What was made stays, also after a failure, for the next release to give back.
    m_pCamera = std::move(surface.camera);
    m_pClipper = std::move(surface.clipper);
    m_pDevice = std::move(surface.device);
    m_pViewport = std::move(surface.viewport);
    return rm::Succeeded(result);
}

void CTarnoView::SetAntialias(bool on) {
    m_bAntialias = on;
    if (m_pDevice) (void)m_pDevice->SetAntialias(on);
}

void CTarnoView::ReleaseSurface() {
    RenderSurface surface{std::move(m_pCamera), std::move(m_pClipper), std::move(m_pDevice),
                          std::move(m_pViewport)};
    ReleaseRenderSurface(surface);
    m_pCamera.reset();
    m_pClipper.reset();
    m_pDevice.reset();
    m_pViewport.reset();
}

void CTarnoView::OnSize(int cx, int cy) {
    // A view whose creation worked rebuilds at every size, even after a rebuild that failed
    // before making its device: otherwise one failure would leave it blank for good.
    if (!m_bCreated) return;
    ReleaseSurface();
    (void)CreateSurface(cx, cy);
}

void CTarnoView::OnDestroy() {
    ReleaseSurface();
}

QSize CTarnoView::SurfaceSizeForWidget() const {
    const qreal ratio = devicePixelRatioF();
    return {DevicePixels(width(), ratio), DevicePixels(height(), ratio)};
}

void CTarnoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize size = SurfaceSizeForWidget();
    OnSize(size.width(), size.height());
}

void CTarnoView::paintEvent(QPaintEvent* /*event*/) {
    // Moving to a screen of another scale changes the device pixels but not the widget's
    // size; rebuild as for a resize.
    if (m_pDevice) {
        const QSize wanted = SurfaceSizeForWidget();
        if (wanted != m_surfaceSize) OnSize(wanted.width(), wanted.height());
    }
    QPainter painter(this);
    OnDraw(painter);
}

void CTarnoView::OnDraw(QPainter& painter) {
    const rm::FramePtr& scene = m_doc.m_pSceneFrame;
    if (m_pDevice && scene && m_pViewport) {
        const WidgetTarget::PaintScope painting(*m_target);
        if (m_root.DrawsInBackground()) {
            // The device may be drawing on another thread: ask for the current picture the
            // way the loop does, and show the last one until it is ready.
            bool drew = false;
            (void)m_root.DrawViewport(m_pViewport, drew);
        } else if (m_pViewport->DrawnRevision() != rm::CurrentRevision()) {
            // The scene changed since the loop's last tick (or the surface is new): draw it
            // now so the paint shows what is current, and let the next tick skip it.
            (void)rm::DrawPicture(*m_pViewport, *scene, rm::CurrentRevision());
        } else if (m_target->Image().width() != m_pDevice->GetWidth() ||
                   m_target->Image().height() != m_pDevice->GetHeight()) {
            (void)m_pDevice->HandlePaint(&painter);
        }
    }
    const QImage& image = m_target->Image();
    if (image.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // The image is in device pixels; drawn into the logical rectangle it maps one to one.
    painter.drawImage(QRectF(rect()), image);
}

// ---------------------------------------------------------------------------------------
// Commands

bool CTarnoView::OnCommand(int id) {
    switch (id) {
        case res::ID_ZOOM_IN:
            OnZoomIn();
            return true;
        case res::ID_ZOOM_OUT:
            OnZoomOut();
            return true;
        case res::ID_UP:
            OnUp();
            return true;
        case res::ID_DOWN:
            OnDown();
            return true;
        case res::ID_LEFT:
            OnLeft();
            return true;
        case res::ID_RIGHT:
            OnRight();
            return true;
        case res::ID_RENDER_MODEL:
            OnRenderModel();
            return true;
        case res::ID_WIREFRAME_MODEL:
            OnWireframeModel();
            return true;
        case res::ID_RELOAD:
            OnReload();
            return true;
        default:
            return false;
    }
}

bool CTarnoView::OnUpdateCommandUI(CCmdUI& ui) {
    switch (ui.GetID()) {
        case res::ID_ZOOM_IN:
        case res::ID_ZOOM_OUT:
        case res::ID_UP:
        case res::ID_DOWN:
        case res::ID_LEFT:
        case res::ID_RIGHT:
        case res::ID_RELOAD:
            OnUpdateViewCommand(ui);
            return true;
        case res::ID_RENDER_MODEL:
            OnUpdateRenderModel(ui);
            return true;
        case res::ID_WIREFRAME_MODEL:
            OnUpdateWireframeModel(ui);
            return true;
        default:
            return false;
    }
}

void CTarnoView::OnUpdateViewCommand(CCmdUI& ui) const {
    ui.Enable(true);
}

void CTarnoView::OnUpdateRenderModel(CCmdUI& ui) const {
    ui.Enable(true);
    ui.SetRadio(m_bRenderModel);
}

void CTarnoView::OnUpdateWireframeModel(CCmdUI& ui) const {
    ui.Enable(true);
    ui.SetRadio(!m_bRenderModel);
}

bool CTarnoView::MoveCamera(rm::D3DVALUE dx, rm::D3DVALUE dy, rm::D3DVALUE dz) {
    if (!m_pCamera) return false;
    const rm::Frame* scene = m_doc.m_pSceneFrame.get();
    rm::D3DVECTOR position;
    if (rm::Failed(m_pCamera->GetPosition(scene, position))) return false;
    return rm::Succeeded(
        m_pCamera->SetPosition(scene, position.x + dx, position.y + dy, position.z + dz));
}

namespace {
constexpr rm::D3DVALUE kPanStep = 10.0F;
}  // namespace

void CTarnoView::OnZoomIn() {
    if (!MoveCamera(0.0F, 0.0F, kPanStep)) m_bDragging = false;
}

void CTarnoView::OnZoomOut() {
    // Deliberate: unlike the other five, a failure here never ends a drag.
    (void)MoveCamera(0.0F, 0.0F, -kPanStep);
}

void CTarnoView::OnUp() {
    if (!MoveCamera(0.0F, -kPanStep, 0.0F)) m_bDragging = false;
}

void CTarnoView::OnDown() {
    if (!MoveCamera(0.0F, kPanStep, 0.0F)) m_bDragging = false;
}

void CTarnoView::OnLeft() {
    if (!MoveCamera(kPanStep, 0.0F, 0.0F)) m_bDragging = false;
}

void CTarnoView::OnRight() {
    if (!MoveCamera(-kPanStep, 0.0F, 0.0F)) m_bDragging = false;
}

void CTarnoView::OnRenderModel() {
    m_bRenderModel = true;
    if (m_doc.m_pMeshBuilder) {
        (void)m_doc.m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_FLAT);
    }
}

void CTarnoView::OnWireframeModel() {
    m_bRenderModel = false;
    if (m_doc.m_pMeshBuilder) {
        (void)m_doc.m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_WIREFRAME);
    }
}

void CTarnoView::SyncRenderModelToMesh() {
    m_bRenderModel = true;
    if (m_doc.m_pMeshBuilder) {
        const rm::D3DRMRENDERQUALITY fill = m_doc.m_pMeshBuilder->GetQuality() & rm::D3DRMFILL_MASK;
        m_bRenderModel = fill != rm::D3DRMFILL_WIREFRAME;
    }
}

void CTarnoView::OnReload() {
    ClearHighlight();
    // A copy: the load must not read a path that changes under it.
    const std::string path = m_doc.GetPathName();
    m_bRenderModel = true;
    // Straight to the loader, not the open route: camera and model orientation stay.
    // A failure is told in the status bar by the load's observer, like every other load.
    (void)m_doc.LoadApiFile(path);
    SyncRenderModelToMesh();
}

bool CTarnoView::OnFileChanged() {
    const std::string path = m_doc.GetPathName();
    if (path.empty()) return false;
    const bool solid = m_bRenderModel;
    const bool loaded = m_doc.LoadApiFile(path);
    // The load leaves every mesh solid; the user's wireframe stays wireframe.
    if (!solid && m_doc.m_pMeshBuilder) {
        (void)m_doc.m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_WIREFRAME);
    }
    SyncRenderModelToMesh();
    return loaded;
}

void CTarnoView::OnInitialUpdate() {
    ClearHighlight();
    update();
    if (m_pCamera) {
        (void)m_pCamera->SetPosition(m_doc.m_pSceneFrame.get(), kCameraStart.x, kCameraStart.y,
                                     kCameraStart.z);
    }
    // A range that framing widened goes with the camera position it was made for.
    if (m_pViewport) (void)ResetDepthRange(*m_pViewport);
    SyncRenderModelToMesh();
}

}  // namespace view
