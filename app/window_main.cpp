// The window's start: checks that a display can be reached, then runs the application object.

#include "app/window_main.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/command_line_info.h"
#include "app/host_probe_system.h"
#include "app/qt_text.h"
#include "app/tarno_app.h"
#include "app/user_prompts.h"
#include "doc/read_ahead.h"
#include "res/string_table.h"

namespace app {
namespace {

bool HasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt's default platform on this desktop is X11; without a display it would abort.
bool DisplayMissing() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool defaultPlatform =
        platform == nullptr || *platform == '\0' || std::string(platform).starts_with("xcb");
    return defaultPlatform && !HasEnv("DISPLAY") && !HasEnv("WAYLAND_DISPLAY");
}

// While the application object starts, a platform that cannot be opened (a DISPLAY that
// names no reachable server) is fatal to Qt: say so in one line and end, instead of
// aborting with a core dump.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext& /*context*/,
                           const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "tarno: cannot open the display: %s\n",
                     qPrintable(message.section(u'\n', 0, 0)));
        std::_Exit(1);
    }
    if (type != QtDebugMsg && type != QtInfoMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// The file the command line names is read while Qt starts, for the document's first load
// to take; a read nothing took is dropped when the window ends. The arguments are read as
// the application reads them later (Qt's own options, which it takes out first, at worst
// name a file no load asks for: that read is dropped).
class NamedFileReadAhead {
public:
    NamedFileReadAhead(int argc, char** argv) {
        QStringList args;
        for (int i = 0; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
        CCommandLineInfo info;
        ParseCommandLine(args, info);
        if (info.m_strFileName.isEmpty() || info.m_nShellCommand == CCommandLineInfo::FileNew ||
            info.m_nShellCommand == CCommandLineInfo::AppUnregister) {
            return;
        }
        doc::ReadAhead::Start(
            QFile::encodeName(QFileInfo(info.m_strFileName).absoluteFilePath()).toStdString());
    }
    ~NamedFileReadAhead() { doc::ReadAhead::Drop(); }
    NamedFileReadAhead(const NamedFileReadAhead&) = delete;
    NamedFileReadAhead& operator=(const NamedFileReadAhead&) = delete;
};

}  // namespace

int RunWindow(int& argc, char** argv) {
    if (DisplayMissing()) {
        std::fprintf(stderr,
                     "tarno: no display (DISPLAY and WAYLAND_DISPLAY are unset); the window "
                     "needs one. Without a display use --render, --export or --check.\n");
        return 1;
    }

    const NamedFileReadAhead readAhead(argc, argv);
    const QtMessageHandler previous = qInstallMessageHandler(StartupMessageHandler);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);

    QApplication::setApplicationName(ToQString(res::LoadString(res::IDS_APP_TITLE)));
    QApplication::setOrganizationName(ToQString(res::kRegistryKey));
    QApplication::setApplicationVersion(ToQString(res::kVersion));
    // Lets the desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TARNO_APP_ID));

    HostProbeSystem probeSystem;
    QtPrompts prompts;
    CTarnoApp theApp(probeSystem, prompts);
    if (!theApp.InitInstance(QApplication::arguments())) return theApp.ExitInstance();
    return theApp.Run();
}

}  // namespace app
