#pragma once
// The one view: shows the device's picture, runs the navigation commands, turns the model
// with the mouse and pans and zooms with the keys.

#include <QCursor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "doc/tarno_doc.h"
#include "platform/rm/root.h"
#include "view/command_target.h"
#include "view/render_surface.h"
#include "view/widget_target.h"

class QPainter;

namespace view {

// TRUE while the standard arrow is the cursor a view set last; FALSE after it set the hand.
// One for the module, shared by every view.
extern bool g_bArrowCursor;

class CTarnoView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    // `toolbar` may be null (tests); it must outlive the view otherwise. The surface is
    // built here (8 by 8 until the first resize); IsCreated() tells whether that worked.
    CTarnoView(doc::CTarnoDoc& document, rm::Root& root, ToolbarPresser* toolbar,
               QWidget* parent = nullptr);
    ~CTarnoView() override;
    CTarnoView(const CTarnoView&) = delete;
    CTarnoView& operator=(const CTarnoView&) = delete;

    bool OnCommand(int id) override;
    bool OnUpdateCommandUI(CCmdUI& ui) override;

    // Called by the application after every successful File New and File Open.
    void OnInitialUpdate();

    // Navigation (zoom, pan), fill mode and reload.
    void OnZoomIn();
    void OnZoomOut();
    void OnUp();
    void OnDown();
    void OnLeft();
    void OnRight();
    void OnRenderModel();
    void OnWireframeModel();
    void OnReload();
    // The file changed on disk: loads it again like Reload, keeping the camera and the
    // model's rotation, and unlike Reload also the fill mode the user chose. False when the
    // load failed.
    bool OnFileChanged();
    void OnUpdateViewCommand(CCmdUI& ui) const;
    void OnUpdateRenderModel(CCmdUI& ui) const;
    void OnUpdateWireframeModel(CCmdUI& ui) const;

    // Home, and a double-click on the background: the camera moves, keeping its
    // orientation, so that the whole model fits the view. Nothing for an empty model.
    void OnFrameModel();
    // A double-click at client point (x, y): on a face, shows its file line in the status
    // bar, puts PATH:LINE on the clipboard and highlights what that line made; on the
    // background, frames the model.
    void OnLButtonDblClk(int x, int y);
    // The file line that made the face drawn at client point (x, y), or 0 for none.
    [[nodiscard]] std::uint32_t LineAt(int x, int y) const;
    // Faces shown highlighted, until the next click, key or load.
    [[nodiscard]] bool HasHighlight() const { return !m_highlighted.empty(); }
    void ClearHighlight();

    // The picture of the current scene rendered at the given size (each side at least 8),
    // for printing: a surface of its own on the same scene, seen from where the on-screen
    // camera stands. Null if width or height is below 1 or the surface cannot be built.
    [[nodiscard]] QImage RenderPicture(int width, int height);

    // Smooth edges on screen and on paper (on by default); off draws the aliased picture.
    void SetAntialias(bool on);
    [[nodiscard]] bool IsAntialias() const { return m_bAntialias; }

    // False when building the surface at creation failed; the frame must then give up.
    [[nodiscard]] bool IsCreated() const { return m_bCreated; }

    // State, for the frame and for tests.
    [[nodiscard]] bool IsRenderModel() const { return m_bRenderModel; }
    [[nodiscard]] bool IsDragging() const { return m_bDragging; }
    [[nodiscard]] QPoint LastDragPoint() const { return {m_nLastX, m_nLastY}; }
    [[nodiscard]] const rm::FramePtr& Camera() const { return m_pCamera; }
    [[nodiscard]] const rm::DevicePtr& Device() const { return m_pDevice; }
    [[nodiscard]] const rm::ViewportPtr& Viewport() const { return m_pViewport; }
    [[nodiscard]] const rm::ClipperPtr& Clipper() const { return m_pClipper; }
    // The last picture presented to the widget (device pixels).
    [[nodiscard]] const QImage& PresentedImage() const { return m_target->Image(); }
    // The surface size for the widget's current size: device pixels, at least 8 each way.
    [[nodiscard]] QSize SurfaceSizeForWidget() const;

signals:
    // An .api file was dropped on the view. The frame opens it through its normal open
    // route; with nothing connected the view opens it itself.
    void OpenFileRequested(const QString& path);
    // A message for the status bar, shown for `milliseconds` before "Ready" returns.
    void StatusMessage(const QString& text, int milliseconds);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The surface's life.
    int OnCreate();
    bool CreateSurface(int cx, int cy);
    void ReleaseSurface();
    void OnSize(int cx, int cy);
    void OnDestroy();
    void OnDraw(QPainter& painter);

    // Mouse and keys, as the window events reach them.
    void OnLButtonDown();
    void OnLButtonUp();
    void OnRButtonDown();
    void OnMouseMove(int x, int y);
    bool OnSetCursor();
    void OnKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void OnKeyUp();
    // Middle-button drag: the camera pans so that the model follows the pointer.
    void OnMButtonDown(int x, int y);
    void OnMButtonUp();
    void OnPanMove(int x, int y);
    void Highlight(std::uint32_t line);

    // Moves the camera by (dx, dy, dz) in the scene frame; false if reading or setting the
    // position failed (or there is no camera).
    bool MoveCamera(rm::D3DVALUE dx, rm::D3DVALUE dy, rm::D3DVALUE dz);
    // After a load the mark follows the mesh's fill, so it never shows "solid" over a
    // wireframe model that a failed load left on screen.
    void SyncRenderModelToMesh();
    void OpenDropped(const QString& path);

    doc::CTarnoDoc& m_doc;
    rm::Root& m_root;
    ToolbarPresser* m_toolbar;
    std::shared_ptr<WidgetTarget> m_target;  // the clipper holds it weakly
    QCursor m_handCursor;

    bool m_bRenderModel = true;
    int m_nLastX = 0;
    int m_nLastY = 0;
    bool m_bDragging = false;
    rm::FramePtr m_pCamera;
    rm::DevicePtr m_pDevice;
    rm::ViewportPtr m_pViewport;
    rm::ClipperPtr m_pClipper;

    QSize m_surfaceSize;  // the size the surface was last built for
    bool m_bAntialias = true;
    bool m_bCreated = false;
    bool m_bCaptured = false;  // the left button went down in the view and is still held
    int m_nWheelRest = 0;      // wheel travel not yet turned into a zoom step
    bool m_bPanning = false;   // the middle button went down in the view and is still held
    QPointF m_panLast;         // device pixels of the last pan position
    // The highlighted faces of this mesh, with the colours they had.
    rm::MeshBuilderPtr m_highlightMesh;
    std::vector<std::pair<std::uint32_t, rm::D3DCOLOR>> m_highlighted;
};

}  // namespace view
