#include "app/tarno_app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <chrono>
#include <cstdio>

#include "app/about_dlg.h"
#include "app/debug_output.h"
#include "app/main_frame.h"
#include "app/qt_text.h"
#include "res/menu_resource.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "view/tarno_view.h"

namespace app {
namespace {

constexpr int kProfileMRU = res::kRecentFileCount;
// How long a step waits for a frame before leaving it to finish in the background. Short
// enough that input is never held up noticeably, long enough that an ordinary frame is
// still shown in the step that asked for it.
constexpr std::chrono::milliseconds kFrameBudget{40};

QString LocalPath(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}
std::string FileBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

CTarnoApp::CTarnoApp(DxProbeSystem& probeSystem, UserPrompts& prompts)
    : m_probeSystem(probeSystem),
      m_prompts(prompts),
      m_recentFiles(QStringLiteral("Recent File List"), QStringLiteral("File%1"), kProfileMRU,
                    res::kRecentFileNameLength) {}

// The frame (and its view) goes before the document, the document before the root.
CTarnoApp::~CTarnoApp() {
    m_liveFile.reset();
    m_pMainWnd.reset();
    m_pDocument.reset();
}

bool CTarnoApp::InitInstance(const QStringList& args) {
    m_nExitCode = 1;
    // The framework's control containment and 3D dialog controls have nothing to prepare
    // here; OLE is not used.
    std::uint32_t dxVersion = 0;
    ProbeDirectXVersion(&dxVersion, m_probeSystem);
    if (dxVersion < kRequiredDirectXVersion) {
        ShowMessage(ToQString(res::kDirectXMissing), QMessageBox::Warning);
        return false;
    }

    if (rm::Failed(rm::Direct3DRMCreate(m_pRoot)) || !m_pRoot) {
        ShowMessage(QStringLiteral("The 3D renderer could not be started."), QMessageBox::Critical);
        return false;
    }

    m_strRegistryKey = ToQString(res::kRegistryKey);
    LoadStdProfileSettings(kProfileMRU);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(args, cmdInfo);
    if (cmdInfo.m_bNoAntialias) m_bAntialias = false;
    for (const QString& unknown : cmdInfo.m_unknownSwitches) {
        std::fprintf(stderr, "tarno: unknown switch -%s ignored\n", qPrintable(unknown));
    }
    m_bWatchFile = !cmdInfo.m_bNoWatch;
    if (!ProcessShellCommand(cmdInfo)) return false;

    m_pMainWnd->show();
    m_pMainWnd->GetActiveView().setFocus();
    m_nExitCode = 0;
    return true;
}

bool CTarnoApp::CreateDocumentAndFrame() {
    if (m_pMainWnd) return true;
    m_pDocument = std::make_unique<doc::CTarnoDoc>(*m_pRoot);
    m_pMainWnd = std::make_unique<CMainFrame>(*this, *m_pDocument, *m_pRoot);
    m_pMainWnd->GetActiveView().SetAntialias(m_bAntialias);
    if (m_pMainWnd->GetActiveView().IsCreated()) {
        m_liveFile = std::make_unique<LiveFile>(*m_pDocument, *m_pMainWnd, m_bWatchFile);
        return true;
    }
    m_pMainWnd.reset();
    m_pDocument.reset();
    ShowMessage(ToQString(res::LoadString(res::IDP_FAILED_TO_CREATE_DOC)), QMessageBox::Warning);
    return false;
}

bool CTarnoApp::ProcessShellCommand(const CCommandLineInfo& info) {
    switch (info.m_nShellCommand) {
        case CCommandLineInfo::FileNew:
            if (!CreateDocumentAndFrame()) return false;
            OnFileNew();
            return true;
        case CCommandLineInfo::FileOpen:
            return CreateDocumentAndFrame() && OpenDocumentFile(info.m_strFileName);
        case CCommandLineInfo::FilePrint:
        case CCommandLineInfo::FilePrintTo:
            m_nExitCode = PrintFromCommandLine(info) ? 0 : 1;
            return false;
        case CCommandLineInfo::AppUnregister:
            Unregister();
            m_nExitCode = 0;
            return false;
    }
    return false;
}

// "/p file" and "/pt file printer driver port": open, print one page, end. The window is
// never shown.
bool CTarnoApp::PrintFromCommandLine(const CCommandLineInfo& info) {
    const bool printTo = info.m_nShellCommand == CCommandLineInfo::FilePrintTo;
    if (info.m_strFileName.isEmpty()) {
        ShowMessage(printTo ? QStringLiteral("/pt needs the .api file and then the printer name.")
                            : QStringLiteral("Name the .api file to print after the print switch."),
                    QMessageBox::Warning);
        return false;
    }
    if (printTo && info.m_strPrinterName.isEmpty()) {
        // Said before the file is opened, and not as a printer called "" missing.
        ShowMessage(QStringLiteral("/pt needs a printer name after the file name."),
                    QMessageBox::Warning);
        return false;
    }
    if (!CreateDocumentAndFrame() || !OpenDocumentFile(info.m_strFileName)) return false;
    UserPrompts::PrinterChoice choice = UserPrompts::PrinterChoice::Default;
    if (printTo) {
        // A printer is chosen by its name alone; driver and port mean nothing here.
        Printer().setPrinterName(info.m_strPrinterName);
        choice = UserPrompts::PrinterChoice::Named;
    }
    return m_pMainWnd->PrintDocument(choice);
}

void CTarnoApp::Unregister() {
    const std::unique_ptr<QSettings> profile = OpenProfile();
    const QString file = profile->fileName();
    const bool existed = QFileInfo::exists(file);
    const bool removed = existed && QFile::remove(file);
    m_recentFiles = CRecentFileList(QStringLiteral("Recent File List"), QStringLiteral("File%1"),
                                    kProfileMRU, res::kRecentFileNameLength);
    m_nNumPreviewPages = 0;
    m_bProfileRemoved = true;
    if (removed) {
        ShowMessage(QStringLiteral("The settings of Tarno were removed: %1").arg(file),
                    QMessageBox::Information);
    } else if (existed) {
        ShowMessage(QStringLiteral("The settings file could not be removed: %1").arg(file),
                    QMessageBox::Warning);
    } else {
        ShowMessage(QStringLiteral("Tarno had no settings stored; nothing was removed."),
                    QMessageBox::Information);
    }
}

std::unique_ptr<QSettings> CTarnoApp::OpenProfile() const {
    return std::make_unique<QSettings>(
        QSettings::IniFormat, QSettings::UserScope,
        m_strRegistryKey.isEmpty() ? ToQString(res::kRegistryKey) : m_strRegistryKey,
        ToQString(res::LoadString(res::IDS_APP_TITLE)));
}

void CTarnoApp::LoadStdProfileSettings(int maxMRU) {
    m_recentFiles = CRecentFileList(QStringLiteral("Recent File List"), QStringLiteral("File%1"),
                                    maxMRU, res::kRecentFileNameLength);
    const std::unique_ptr<QSettings> profile = OpenProfile();
    if (profile->status() == QSettings::NoError) {
        m_recentFiles.ReadList(*profile);
        bool ok = false;
        const int pages = profile->value(QStringLiteral("Settings/PreviewPages")).toInt(&ok);
        m_nNumPreviewPages = ok ? pages : 0;
        // "Settings/Antialias=false" turns smoothing off for good; a --no-aa run leaves the
        // stored value alone.
        const QVariant antialias = profile->value(QStringLiteral("Settings/Antialias"));
        if (antialias.isValid()) m_storedAntialias = antialias.toBool();
        m_bAntialias = m_storedAntialias.value_or(true);
    }
    m_bProfileLoaded = true;
}

void CTarnoApp::SaveStdProfileSettings() {
    if (!m_bProfileLoaded || m_bProfileRemoved) return;
    const std::unique_ptr<QSettings> profile = OpenProfile();
    m_recentFiles.WriteList(*profile);
    if (m_nNumPreviewPages != 0) {
        profile->setValue(QStringLiteral("Settings/PreviewPages"), m_nNumPreviewPages);
    }
    if (m_storedAntialias) {
        profile->setValue(QStringLiteral("Settings/Antialias"), *m_storedAntialias);
    }

    profile->sync();
}

int CTarnoApp::ExitInstance() {
    SaveStdProfileSettings();
    return m_nExitCode;
}

int CTarnoApp::Run() {
    // A render step after every batch of events, then the thread waits for the next one.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const QMetaObject::Connection idle = connect(
        dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CTarnoApp::OnAboutToBlock);
    if (DebugOutputEnabled()) QCoreApplication::instance()->installEventFilter(this);
    // Frames are drawn off this thread, so that input never waits long behind a slow one; a
    // finished frame wakes the loop, whose next step presents it.
    if (m_pRoot) {
        m_pRoot->StartBackgroundFrames(kFrameBudget, [this] {
            QMetaObject::invokeMethod(
                this, [] {}, Qt::QueuedConnection);
        });
    }
    const int code = QApplication::exec();
    if (m_pRoot) m_pRoot->StopBackgroundFrames();
    disconnect(idle);
    if (!m_bEnding) m_nExitCode = code;
    return ExitInstance();
}

void CTarnoApp::OnAboutToBlock() {
    if (m_bEnding) return;
    if (m_pMainWnd) m_pMainWnd->UpdateAllCommandUI();
    if (!RenderStep()) {
        m_bEnding = true;
        m_nExitCode = 1;
        OutputDebugText("RenderStep failed: ending\r\n");
        QCoreApplication::exit(m_nExitCode);
    }
}

bool CTarnoApp::RenderStep() {
    ++m_renderSteps;
    QElapsedTimer stepTime;
    stepTime.start();
    if (!m_pRoot || rm::Failed(m_pRoot->Tick(1.0F))) return false;
    // What input may wait behind drawing: report the steps longer than a display frame.
    if (const qint64 ms = stepTime.elapsed(); ms > 16 && DebugOutputEnabled()) {
        const QByteArray text = QByteArrayLiteral("render step: ") + QByteArray::number(ms) +
                                QByteArrayLiteral(" ms\r\n");
        OutputDebugText(text.constData());
    }
    if (!m_pMainWnd) return false;
    // The pending paint of the main window, now. Only after a tick that drew: sending
    // posted events while others wait wakes the event loop again, which would spin it.
    if (m_pRoot->LastTickDrawCount() > 0) {
        QCoreApplication::sendPostedEvents(m_pMainWnd.get(), QEvent::UpdateRequest);
        if (!m_shownOnce) {
            // For timing an open from outside: the moment the first picture is painted.
            m_shownOnce = true;
            OutputDebugText("first picture on screen\r\n");
        }
        if (m_sinceInput.isValid()) {
            const QByteArray text = QByteArrayLiteral("input to screen: ") +
                                    QByteArray::number(m_sinceInput.nsecsElapsed() / 1e6, 'f', 1) +
                                    QByteArrayLiteral(" ms\r\n");
            OutputDebugText(text.constData());
            m_sinceInput.invalidate();
        }
    }
    return true;
}

bool CTarnoApp::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) break;
            [[fallthrough]];
        case QEvent::KeyPress:
        case QEvent::Wheel:
            if (!m_sinceInput.isValid()) m_sinceInput.start();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

QPrinter& CTarnoApp::Printer() {
    if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CTarnoApp::ShowMessage(const QString& text, QMessageBox::Icon icon) {
    m_prompts.MessageBox(m_pMainWnd && m_pMainWnd->isVisible() ? m_pMainWnd.get() : nullptr, text,
                         icon);
}

bool CTarnoApp::OnCommand(int id) {
    switch (id) {
        case res::ID_APP_ABOUT:
            OnAbout();
            return true;
        case res::ID_FILE_NEW:
            OnFileNew();
            return true;
        case res::ID_FILE_OPEN:
            OnFileOpen();
            return true;
        case res::ID_FILE_PRINT_SETUP:
            OnFilePrintSetup();
            return true;
        case res::ID_APP_EXIT:
            OnAppExit();
            return true;
        default:
            break;
    }
    if (id >= res::ID_FILE_MRU_FILE1 && id <= res::ID_FILE_MRU_LAST) {
        const int index = id - res::ID_FILE_MRU_FILE1;
        if (index < m_recentFiles.Count()) OnOpenRecentFile(index);
        return true;
    }
    return false;
}

bool CTarnoApp::OnUpdateCommandUI(view::CCmdUI& ui) {
    const int id = ui.GetID();
    switch (id) {
        case res::ID_APP_ABOUT:
        case res::ID_FILE_NEW:
        case res::ID_FILE_OPEN:
        case res::ID_FILE_PRINT_SETUP:
        case res::ID_APP_EXIT:
            ui.Enable();
            return true;
        default:
            break;
    }
    if (id >= res::ID_FILE_MRU_FILE1 && id <= res::ID_FILE_MRU_LAST) {
        ui.Enable(id - res::ID_FILE_MRU_FILE1 < m_recentFiles.Count());
        return true;
    }
    return false;
}

void CTarnoApp::OnAbout() {
    CAboutDlg dialog(m_pMainWnd.get());
    dialog.exec();
}

void CTarnoApp::OnFileNew() {
    if (!m_pDocument || !m_pMainWnd) return;
    m_pDocument->OnNewDocument();
    if (m_liveFile) m_liveFile->StopFollowing();
    m_pMainWnd->GetActiveView().OnInitialUpdate();
    m_pMainWnd->OnUpdateFrameTitle();
}

void CTarnoApp::OnFileOpen() {
    if (!m_pMainWnd) return;
    QString folder = OpenDialogFolder();
    const std::optional<QString> path = m_prompts.GetOpenFileName(m_pMainWnd.get(), folder);
    if (!folder.isEmpty()) m_lastOpenFolder = folder;
    if (path) OpenDocumentFile(*path);
}

QString CTarnoApp::OpenDialogFolder() const {
    if (m_pDocument && !m_pDocument->GetPathName().empty()) {
        const QFileInfo open(LocalPath(m_pDocument->GetPathName()));
        if (open.absoluteDir().exists()) return open.absolutePath();
    }
    return m_lastOpenFolder;
}

void CTarnoApp::OnFilePrintSetup() {
    QPageSetupDialog dialog(&Printer(), m_pMainWnd.get());
    dialog.exec();
}

void CTarnoApp::OnAppExit() {
    if (m_pMainWnd) m_pMainWnd->close();
}

void CTarnoApp::OnOpenRecentFile(int index) {
    const QString path = m_recentFiles[index];
    // A file that failed part way stays: it is the one the window now names.
    if (!OpenDocumentFile(path) && !m_pDocument->LastLoadReplacedModel()) {
        m_recentFiles.Remove(index);
        if (m_pMainWnd) m_pMainWnd->UpdateRecentFileMenu();
    }
}

bool CTarnoApp::OpenDocumentFile(const QString& path) {
    if (!m_pDocument || !m_pMainWnd) return false;
    const QString full = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    const bool opened = m_pDocument->OnOpenDocument(FileBytes(full));
    if (!opened) {
        // One line, naming the file as the user gave it.
        QString why = LocalPath(m_pDocument->LastError());
        if (why.isEmpty()) why = QStringLiteral("The file could not be opened.");
        ShowMessage(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why),
                    QMessageBox::Warning);
        // Nothing was replaced: the window still shows, names and reloads the old file.
        if (!m_pDocument->LastLoadReplacedModel()) return false;
    }
    // Loaded, or stopped part way with the old model gone: caption, recent list and
    // Reload all name the new file.
    m_recentFiles.Add(full);
    if (opened) m_pMainWnd->GetActiveView().OnInitialUpdate();
    m_pMainWnd->OnUpdateFrameTitle();
    m_pMainWnd->UpdateRecentFileMenu();
    return opened;
}

}  // namespace app
