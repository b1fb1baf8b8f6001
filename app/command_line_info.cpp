#include "app/command_line_info.h"

namespace app {
namespace {

bool IsSwitchName(const QString& name, const char* known) {
    return name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
}

bool IsKnownSwitch(const QString& name) {
    return IsSwitchName(name, "p") || IsSwitchName(name, "pt") ||
           IsSwitchName(name, "Unregister") || IsSwitchName(name, "Unregserver");
}

}  // namespace

void CCommandLineInfo::ParseParam(const QString& param, bool isSwitch, bool last) {
    if (isSwitch) {
        // "--no-watch", given here without its first dash; exactly so spelled.
        if (param == QLatin1String("-no-watch")) {
            m_bNoWatch = true;
        } else if (IsSwitchName(param, "pt")) {
            m_nShellCommand = FilePrintTo;
        } else if (IsSwitchName(param, "p")) {
            m_nShellCommand = FilePrint;
        } else if (IsSwitchName(param, "Unregister") || IsSwitchName(param, "Unregserver")) {
            m_nShellCommand = AppUnregister;
        } else if (IsSwitchName(param, "-no-aa") || IsSwitchName(param, "no-aa")) {
            m_bNoAntialias = true;
        } else {
            m_unknownSwitches.append(param);
        }
    } else if (m_strFileName.isEmpty()) {
        m_strFileName = param;
    } else if (m_nShellCommand == FilePrintTo) {
        if (m_strPrinterName.isEmpty()) {
            m_strPrinterName = param;
        } else if (m_strDriverName.isEmpty()) {
            m_strDriverName = param;
        } else if (m_strPortName.isEmpty()) {
            m_strPortName = param;
        }
    }
    if (last && m_nShellCommand == FileNew && !m_strFileName.isEmpty()) {
        m_nShellCommand = FileOpen;
    }
}

void ParseCommandLine(const QStringList& args, CCommandLineInfo& info) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool last = i + 1 == args.size();
        const QString rest = arg.mid(1);
        const bool isSwitch =
            arg.size() > 1 && (arg[0] == u'-' || (arg[0] == u'/' && IsKnownSwitch(rest)));
        info.ParseParam(isSwitch ? rest : arg, isSwitch, last);
    }
}

}  // namespace app
