#pragma once
// The main window: menu 128, accelerator table 128, toolbar 128, a status bar with one
// message pane, the view in the client area, and the caption. Commands go to the view,
// then the frame, then the application; the first that handles one wins.

#include <QMainWindow>
#include <map>

#include "app/user_prompts.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"
#include "view/command_target.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace view {
class CTarnoView;
}

namespace app {

class CTarnoApp;

class CMainFrame : public QMainWindow, public view::ToolbarPresser, public view::CommandTarget {
    Q_OBJECT
public:
    // `app`, `document` and `root` must outlive the frame.
    CMainFrame(CTarnoApp& app, doc::CTarnoDoc& document, rm::Root& root);
    ~CMainFrame() override;

    [[nodiscard]] view::CTarnoView& GetActiveView() const { return *m_pView; }
    [[nodiscard]] QToolBar& ToolBar() const { return *m_wndToolBar; }
    [[nodiscard]] QStatusBar& StatusBar() const { return *m_wndStatusBar; }
    // The text the message pane shows when no prompt is up ("Ready").
    [[nodiscard]] QString IdleMessage() const;
    // The action of a command id (one per id, shared by menu, toolbar and keys).
    [[nodiscard]] QAction* Action(int id);
    [[nodiscard]] QToolButton* ToolButton(int id);
    [[nodiscard]] QMenu* FileMenu() const { return m_fileMenu; }

    // Shows a toolbar button pressed or not, while the view's key is held.
    void PressButton(int id, bool pressed) override;

    bool OnCommand(int id) override;
    bool OnUpdateCommandUI(view::CCmdUI& ui) override;

    // Routes a command; false when no target handled it.
    bool RouteCommand(int id);
    // Asks view, frame and application for the command's state; a command nobody handles
    // is disabled.
    bool RouteCommandUI(view::CCmdUI& ui);
    // Brings every action up to date (before a menu opens and when idle).
    void UpdateAllCommandUI();
    void UpdateRecentFileMenu();
    // The caption: document title, " - ", the window title of the document template.
    void OnUpdateFrameTitle();

    // Prints one page with the current picture. False when no printer served or printing
    // failed; a message box says which.
    bool PrintDocument(UserPrompts::PrinterChoice choice);
    void OnFilePrintPreview();

    // Text in the message pane for `ms` milliseconds (0: until something else shows), then
    // "Ready" again.
    void ShowStatusText(const QString& text, int ms);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Sees Esc in the menus, to give the keys back to the view after it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenu();
    void CreateAccelerators();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateCommandUI(QAction* action);
    void OnBarCheck(int id);
    [[nodiscard]] QSize PictureAspect() const;
    void ReturnKeysToView();

    CTarnoApp& m_app;
    doc::CTarnoDoc& m_document;
    std::map<int, QAction*> m_actions;  // owned by the frame as their parent
    QToolBar* m_wndToolBar = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    QLabel* m_idleLabel = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_mruEnd = nullptr;  // the separator after the recent files
    view::CTarnoView* m_pView = nullptr;
};

}  // namespace app
