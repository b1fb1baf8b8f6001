#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <array>

#include "app/pictures.h"
#include "app/print_picture.h"
#include "app/qt_text.h"
#include "app/tarno_app.h"
#include "res/menu_resource.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "view/tarno_view.h"

namespace app {
namespace {

// Items without a prompt of their own blank the message pane while highlighted.
const QString kNoPrompt = QStringLiteral(" ");

bool IsCheckable(int id) {
    return id == res::ID_RENDER_MODEL || id == res::ID_WIREFRAME_MODEL ||
           id == res::ID_VIEW_TOOLBAR || id == res::ID_VIEW_STATUS_BAR;
}

Qt::Key QtKey(res::VirtualKey key) {
    switch (key) {
        case res::VirtualKey::N:
            return Qt::Key_N;
        case res::VirtualKey::O:
            return Qt::Key_O;
        case res::VirtualKey::S:
            return Qt::Key_S;
        case res::VirtualKey::P:
            return Qt::Key_P;
        case res::VirtualKey::Z:
            return Qt::Key_Z;
        case res::VirtualKey::X:
            return Qt::Key_X;
        case res::VirtualKey::C:
            return Qt::Key_C;
        case res::VirtualKey::V:
            return Qt::Key_V;
        case res::VirtualKey::Back:
            return Qt::Key_Backspace;
        case res::VirtualKey::Delete:
            return Qt::Key_Delete;
        case res::VirtualKey::Insert:
            return Qt::Key_Insert;
        case res::VirtualKey::F6:
            return Qt::Key_F6;
    }
    return Qt::Key_unknown;
}

QKeySequence KeysOf(const res::Accelerator& acc) {
    Qt::KeyboardModifiers mods;
    if (acc.ctrl) mods |= Qt::ControlModifier;
    if (acc.shift) mods |= Qt::ShiftModifier;
    if (acc.alt) mods |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(mods, QtKey(acc.key)));
}

}  // namespace

CMainFrame::CMainFrame(CTarnoApp& app, doc::CTarnoDoc& document, rm::Root& root)
    : m_app(app), m_document(document) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(AppIcon());
    // 800 by 600, or less on a small or strongly scaled screen.
    QSize size(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    }
    resize(size);

    CreateMenu();
    CreateAccelerators();
    CreateToolBar();
    CreateStatusBar();

    m_pView = new view::CTarnoView(document, root, this, this);
    setCentralWidget(m_pView);
    // A dropped file opens as File Open does.
    connect(m_pView, &view::CTarnoView::OpenFileRequested, this,
            [this](const QString& path) { m_app.OpenDocumentFile(path); });
    connect(m_pView, &view::CTarnoView::StatusMessage, m_wndStatusBar,
            [this](const QString& text, int ms) { m_wndStatusBar->showMessage(text, ms); });

    UpdateRecentFileMenu();
    OnUpdateFrameTitle();
    UpdateAllCommandUI();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::Action(int id) {
    if (const auto it = m_actions.find(id); it != m_actions.end()) return it->second;
    auto* action = new QAction(this);
    action->setData(id);
    const QString prompt = ToQString(res::PromptOf(id));
    const QString tip = ToQString(res::TooltipOf(id));
    action->setText(tip.isEmpty() ? prompt : tip);
    action->setStatusTip(prompt.isEmpty() ? kNoPrompt : prompt);
    action->setToolTip(tip.isEmpty() ? prompt : tip);
    action->setCheckable(IsCheckable(id));
    action->setEnabled(false);
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, id] {
        RouteCommand(id);
        UpdateAllCommandUI();
    });
    m_actions.emplace(id, action);
    return action;
}

QToolButton* CMainFrame::ToolButton(int id) {
    return qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(Action(id)));
}

void CMainFrame::CreateMenu() {
    menuBar()->setNativeMenuBar(false);
    for (const res::MenuPopup& popup : res::kMainMenu) {
        QMenu* menu = menuBar()->addMenu(ToQString(popup.text));
        // The View menu ends in a separator; Qt would hide it.
        menu->setSeparatorsCollapsible(false);
        const bool isFile = popup.items.data() == res::kFileMenu;
        if (isFile) m_fileMenu = menu;
        bool afterRecent = false;
        for (const res::MenuItem& item : popup.items) {
            if (item.id == res::ID_SEPARATOR) {
                QAction* separator = menu->addSeparator();
                if (isFile && afterRecent && m_mruEnd == nullptr) m_mruEnd = separator;
                continue;
            }
            QAction* action = Action(item.id);
            action->setText(ToQString(item.text));
            if (item.id == res::ID_FILE_MRU_FILE1) afterRecent = true;
            menu->addAction(action);
        }
        menu->installEventFilter(this);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            if (menu == m_fileMenu) UpdateRecentFileMenu();
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) UpdateCommandUI(action);
            }
        });
    }
}

void CMainFrame::CreateAccelerators() {
    std::map<int, QList<QKeySequence>> keys;
    for (const res::Accelerator& acc : res::kAccelerators) keys[acc.id].append(KeysOf(acc));
    for (const auto& [id, sequences] : keys) {
        QAction* action = Action(id);
        action->setShortcuts(sequences);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar128"));
    m_wndToolBar->setWindowTitle(QStringLiteral("Toolbar"));
    m_wndToolBar->setIconSize(QSize(res::kToolbarButtonWidth, res::kToolbarButtonHeight));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->toggleViewAction()->setVisible(false);
    int picture = 0;
    for (const int id : res::kToolbarButtons) {
        if (id == res::ID_SEPARATOR) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = Action(id);
        action->setIcon(ToolbarIcon(picture++));
        m_wndToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("StatusBar"));
    // One message pane: "Ready" shows whenever no prompt covers it.
    m_idleLabel = new QLabel(ToQString(res::LoadString(res::IDS_IDLE_MESSAGE)), m_wndStatusBar);
    m_wndStatusBar->addWidget(m_idleLabel, 1);
    // The bar hides its pane under a message only while the pane is visible, so a message
    // shown before the window is (the file named on the command line) would be drawn over
    // "Ready". Follow the message instead.
    connect(
        m_wndStatusBar, &QStatusBar::messageChanged, m_idleLabel,
        [label = m_idleLabel](const QString& message) { label->setVisible(message.isEmpty()); });
    setStatusBar(m_wndStatusBar);
}

QString CMainFrame::IdleMessage() const {
    return m_idleLabel->text();
}

void CMainFrame::PressButton(int id, bool pressed) {
    if (QToolButton* button = ToolButton(id)) button->setDown(pressed);
}

bool CMainFrame::OnCommand(int id) {
    switch (id) {
        case res::ID_VIEW_TOOLBAR:
        case res::ID_VIEW_STATUS_BAR:
            OnBarCheck(id);
            return true;
        case res::ID_FILE_PRINT:
            PrintDocument(UserPrompts::PrinterChoice::Dialog);
            return true;
        case res::ID_FILE_PRINT_DIRECT:
            PrintDocument(UserPrompts::PrinterChoice::Default);
            return true;
        case res::ID_FILE_PRINT_PREVIEW:
            OnFilePrintPreview();
            return true;
        default:
            return false;
    }
}

bool CMainFrame::OnUpdateCommandUI(view::CCmdUI& ui) {
    switch (ui.GetID()) {
        case res::ID_VIEW_TOOLBAR:
            ui.Enable();
            ui.SetCheck(!m_wndToolBar->isHidden());
            return true;
        case res::ID_VIEW_STATUS_BAR:
            ui.Enable();
            ui.SetCheck(!m_wndStatusBar->isHidden());
            return true;
        case res::ID_FILE_PRINT:
        case res::ID_FILE_PRINT_DIRECT:
        case res::ID_FILE_PRINT_PREVIEW:
            ui.Enable();
            return true;
        // The view has no panes to move between.
        case res::ID_NEXT_PANE:
        case res::ID_PREV_PANE:
            ui.Enable(false);
            return true;
        default:
            return false;
    }
}

bool CMainFrame::RouteCommand(int id) {
    const std::array<view::CommandTarget*, 3> targets{m_pView, this, &m_app};
    for (view::CommandTarget* target : targets) {
        if (target->OnCommand(id)) return true;
    }
    return false;
}

bool CMainFrame::RouteCommandUI(view::CCmdUI& ui) {
    const std::array<view::CommandTarget*, 3> targets{m_pView, this, &m_app};
    for (view::CommandTarget* target : targets) {
        if (target->OnUpdateCommandUI(ui)) return true;
    }
    return false;
}

void CMainFrame::UpdateCommandUI(QAction* action) {
    view::CCmdUI ui(action->data().toInt());
    const bool answered = RouteCommandUI(ui);
    // An update handler that leaves the state alone means its command is available.
    action->setEnabled(answered && (!ui.Handled() || ui.Enabled()));
    if (action->isCheckable()) action->setChecked(answered && ui.Checked());
    if (answered && ui.Text() != nullptr) action->setText(QString::fromUtf8(ui.Text()));
}

void CMainFrame::UpdateAllCommandUI() {
    for (const auto& [id, action] : m_actions) {
        // The recent-file entries are set by the menu itself.
        if (id >= res::ID_FILE_MRU_FILE1 && id <= res::ID_FILE_MRU_LAST) continue;
        UpdateCommandUI(action);
    }
}

void CMainFrame::UpdateRecentFileMenu() {
    const CRecentFileList& list = m_app.RecentFiles();
    for (int i = 0; i < list.GetSize(); ++i)
        m_fileMenu->removeAction(Action(res::ID_FILE_MRU_FILE1 + i));
    if (list.Count() == 0) {
        QAction* placeholder = Action(res::ID_FILE_MRU_FILE1);
        placeholder->setText(ToQString(res::kFileMenu[2].text));
        placeholder->setEnabled(false);
        m_fileMenu->insertAction(m_mruEnd, placeholder);
        return;
    }
    const QString currentDir = QDir::currentPath();
    for (int i = 0; i < list.Count(); ++i) {
        QAction* entry = Action(res::ID_FILE_MRU_FILE1 + i);
        entry->setText(list.MenuText(i, currentDir));
        entry->setEnabled(true);
        m_fileMenu->insertAction(m_mruEnd, entry);
    }
}

void CMainFrame::OnUpdateFrameTitle() {
    QString title = QFile::decodeName(QByteArray::fromStdString(m_document.GetTitle()));
    if (title.isEmpty()) title = ToQString(res::LoadString(res::IDS_UNTITLED));
    setWindowTitle(title + QStringLiteral(" - ") +
                   ToQString(res::StringField(res::kDocTemplate, 0)));
}

void CMainFrame::OnBarCheck(int id) {
    QWidget* bar = id == res::ID_VIEW_TOOLBAR ? static_cast<QWidget*>(m_wndToolBar)
                                              : static_cast<QWidget*>(m_wndStatusBar);
    bar->setVisible(bar->isHidden());
}

QSize CMainFrame::PictureAspect() const {
    if (m_pView->isVisible() && !m_pView->size().isEmpty()) return m_pView->size();
    return QSize(4, 3);
}

bool CMainFrame::PrintDocument(UserPrompts::PrinterChoice choice) {
    QPrinter& printer = m_app.Printer();
    if (!m_app.Prompts().ChoosePrinter(this, printer, choice)) {
        if (choice == UserPrompts::PrinterChoice::Default) {
            m_app.Prompts().MessageBox(this, QStringLiteral("No printer is installed."),
                                       QMessageBox::Warning);
        } else if (choice == UserPrompts::PrinterChoice::Named) {
            m_app.Prompts().MessageBox(
                this,
                QStringLiteral("The printer \"%1\" is not installed.").arg(printer.printerName()),
                QMessageBox::Warning);
        }
        return false;
    }
    const bool printed = PrintPicture(printer, PictureAspect(), [this](int width, int height) {
        return m_pView->RenderPicture(width, height);
    });
    if (!printed) {
        m_app.Prompts().MessageBox(this, QStringLiteral("Printing failed."), QMessageBox::Warning);
    }
    return printed;
}

void CMainFrame::OnFilePrintPreview() {
    QPrintPreviewDialog preview(&m_app.Printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
        PrintPicture(*printer, PictureAspect(), [this](int width, int height) {
            return m_pView->RenderPicture(width, height);
        });
    });
    preview.exec();
}

void CMainFrame::ShowStatusText(const QString& text, int ms) {
    m_wndStatusBar->showMessage(text, ms);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // The menu closes first; only then has the menu bar taken the focus.
        QMetaObject::invokeMethod(this, &CMainFrame::ReturnKeysToView, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

// A menu closed with Esc leaves Qt's menu bar in its keyboard mode, holding the focus: the
// arrows would walk the menu titles and Down reopen the menu until the view is clicked.
// Here the arrows and the keypad's plus and minus belong to the view.
void CMainFrame::ReturnKeysToView() {
    if (QApplication::activePopupWidget() != nullptr) return;  // another menu is open
    QMenuBar* bar = menuBar();
    if (focusWidget() != bar) return;
    // Esc once more, as the user would otherwise have to: the bar leaves its keyboard mode
    // and gives the focus back. The view takes it if the bar could not.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(bar, &escape);
    if (focusWidget() == bar) m_pView->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    m_app.SaveStdProfileSettings();
    event->accept();
}

}  // namespace app
