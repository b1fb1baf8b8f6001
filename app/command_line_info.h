#pragma once
// What the command line asks the window to do. A switch begins with "-" or "/"; since an
// absolute path begins with "/" too, "/" starts a switch only when a known switch name
// follows ("p", "pt", "Unregister", "Unregserver", in any case). "--no-watch" turns off
// following the open file.

#include <QString>
#include <QStringList>

namespace app {

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, AppUnregister };

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
    // "--no-watch": the window does not follow the open file's changes in this run.
    bool m_bNoWatch = false;
    // --no-aa: this run draws without smoothing edges.
    bool m_bNoAntialias = false;
    // Switches that mean nothing here, for a warning.
    QStringList m_unknownSwitches;

    // One argument; `last` is true for the final one.
    void ParseParam(const QString& param, bool isSwitch, bool last);
};

// Parses args (args[0] is the program) into `info`.
void ParseCommandLine(const QStringList& args, CCommandLineInfo& info);

}  // namespace app
