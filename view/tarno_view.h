#pragma once
// The one view: shows the device's picture, runs the navigation commands, turns the model
// with the mouse and pans and zooms with the keys.

#include <QWidget>
#include <memory>

#include "app/command_target.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"
#include "view/render_surface.h"

namespace view {

class CTarnoView : public QWidget, public app::CommandTarget {
    Q_OBJECT
public:
    // `toolbar` may be null (tests); it must outlive the view otherwise.
    CTarnoView(doc::CTarnoDoc& document, rm::Root& root, app::ToolbarPresser* toolbar,
               QWidget* parent = nullptr);
    ~CTarnoView() override;

    bool OnCommand(int id) override;
    bool OnUpdateCommandUI(app::CCmdUI& ui) override;

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

    // The picture of the current scene rendered at the given size, for printing.
    [[nodiscard]] QImage RenderPicture(int width, int height);

    // The surface, the members m_bRenderModel, m_nLastX, m_nLastY, m_bDragging, m_pCamera,
    // m_pDevice, m_pViewport, m_pClipper and the event handlers follow.
};

}  // namespace view
