// The window's start: checks that a display can be reached, then runs the application object.

#include "app/window_main.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/host_probe_system.h"
#include "app/qt_text.h"
#include "app/tarno_app.h"
#include "app/user_prompts.h"
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

}  // namespace

int RunWindow(int& argc, char** argv) {
    if (DisplayMissing()) {
        std::fprintf(stderr,
                     "tarno: no display (DISPLAY and WAYLAND_DISPLAY are unset); the window "
                     "needs one. Without a display use --render, --export or --check.\n");
        return 1;
    }

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
