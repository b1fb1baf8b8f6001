#pragma once
// The application object: start-up with the DirectX check, the settings, the first
// document, the render loop and the application's own commands (About, New, Open, Print
// Setup, Exit and the recent files).

#include <QElapsedTimer>
#include <QObject>
#include <QPrinter>
#include <QSettings>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/command_line_info.h"
#include "app/dx_probe.h"
#include "app/live_file.h"
#include "app/recent_file_list.h"
#include "app/user_prompts.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"
#include "view/command_target.h"

namespace app {

class CMainFrame;

class CTarnoApp : public QObject, public view::CommandTarget {
    Q_OBJECT
public:
    // Both must outlive the application object.
    CTarnoApp(DxProbeSystem& probeSystem, UserPrompts& prompts);
    ~CTarnoApp() override;

    // Start-up; args[0] is the program. False ends the program (see ExitInstance).
    bool InitInstance(const QStringList& args);
    // The message loop; returns ExitInstance().
    int Run();
    // One tick of the scene, then the main window's pending paint; false ends the loop.
    bool RenderStep();
    // Writes the settings and gives the process exit code.
    int ExitInstance();

    bool OnCommand(int id) override;
    bool OnUpdateCommandUI(view::CCmdUI& ui) override;

    void OnAbout();
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnAppExit();
    void OnOpenRecentFile(int index);

    // The framework's open: the document opens the file, then the view starts afresh. On
    // failure a message box tells why and the document keeps what it showed.
    bool OpenDocumentFile(const QString& path);

    // The settings store: the INI file of the organisation and the application name.
    [[nodiscard]] std::unique_ptr<QSettings> OpenProfile() const;
    void LoadStdProfileSettings(int maxMRU);
    void SaveStdProfileSettings();

    [[nodiscard]] CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    [[nodiscard]] doc::CTarnoDoc* GetDocument() const { return m_pDocument.get(); }
    [[nodiscard]] CRecentFileList& RecentFiles() { return m_recentFiles; }
    [[nodiscard]] int PreviewPages() const { return m_nNumPreviewPages; }
    // Smooth edges: the remembered setting, unless the command line said --no-aa.
    [[nodiscard]] bool Antialias() const { return m_bAntialias; }
    [[nodiscard]] UserPrompts& Prompts() { return m_prompts; }
    // The printer settings that Print Setup changes and every print starts from.
    [[nodiscard]] QPrinter& Printer();
    // Following the open file and the text after each load; null before the window exists.
    [[nodiscard]] LiveFile* GetLiveFile() const { return m_liveFile.get(); }
    // The folder the Open dialog starts in: the open file's, else the one it was left in.
    [[nodiscard]] QString OpenDialogFolder() const;
    // How many render steps ran, for measuring the loop.
    [[nodiscard]] std::uint64_t RenderStepCount() const { return m_renderSteps; }

    rm::RootPtr m_pRoot;  // the root object; made once at start-up, never released

protected:
    // With debug output on: notes when input arrives, to report input-to-screen time.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ProcessShellCommand(const CCommandLineInfo& info);
    // False, after the framework's message, when the view could not build its surface.
    bool CreateDocumentAndFrame();
    bool PrintFromCommandLine(const CCommandLineInfo& info);
    void Unregister();
    void OnAboutToBlock();
    void ShowMessage(const QString& text, QMessageBox::Icon icon);

    DxProbeSystem& m_probeSystem;
    UserPrompts& m_prompts;
    QString m_strRegistryKey;
    CRecentFileList m_recentFiles;
    int m_nNumPreviewPages = 0;
    bool m_bAntialias = true;
    std::optional<bool> m_storedAntialias;  // as the settings file had it
    bool m_bProfileLoaded = false;
    bool m_bProfileRemoved = false;
    bool m_bEnding = false;
    int m_nExitCode = 1;
    std::uint64_t m_renderSteps = 0;
    bool m_shownOnce = false;             // the first picture reached the screen
    QElapsedTimer m_sinceInput;           // valid from an input event until the picture after it
    std::unique_ptr<QPrinter> m_printer;  // made when first needed
    // The document before the frame: the frame's view refers to the document.
    std::unique_ptr<doc::CTarnoDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    std::unique_ptr<LiveFile> m_liveFile;  // refers to both: goes first
    bool m_bWatchFile = true;
    QString m_lastOpenFolder;
};

}  // namespace app
