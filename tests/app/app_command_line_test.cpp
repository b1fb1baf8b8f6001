// The window's command line: what each form asks for.

#include <gtest/gtest.h>

#include "app/command_line_info.h"

namespace {

using app::CCommandLineInfo;

CCommandLineInfo Parse(QStringList args) {
    args.prepend(QStringLiteral("tarno"));
    CCommandLineInfo info;
    app::ParseCommandLine(args, info);
    return info;
}

TEST(CommandLine, NoArgumentIsANewDocumentAndAPathOpensIt) {
    EXPECT_EQ(Parse({}).m_nShellCommand, CCommandLineInfo::FileNew);

    const CCommandLineInfo open = Parse({QStringLiteral("house.api")});
    EXPECT_EQ(open.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(open.m_strFileName, QStringLiteral("house.api"));

    // An absolute path begins with "/" but names no switch.
    const CCommandLineInfo absolute = Parse({QStringLiteral("/home/u/p.api")});
    EXPECT_EQ(absolute.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(absolute.m_strFileName, QStringLiteral("/home/u/p.api"));
    const CCommandLineInfo pDir = Parse({QStringLiteral("/p/house.api")});
    EXPECT_EQ(pDir.m_nShellCommand, CCommandLineInfo::FileOpen);
}

TEST(CommandLine, PrintSwitchesInEitherFormAndAnyCase) {
    for (const char* flag : {"/p", "-p", "/P", "-P"}) {
        const CCommandLineInfo info = Parse({QString::fromLatin1(flag), QStringLiteral("a.api")});
        EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FilePrint) << flag;
        EXPECT_EQ(info.m_strFileName, QStringLiteral("a.api")) << flag;
    }
    // The switch may follow the file too.
    EXPECT_EQ(Parse({QStringLiteral("a.api"), QStringLiteral("/p")}).m_nShellCommand,
              CCommandLineInfo::FilePrint);
}

TEST(CommandLine, PrintToTakesFilePrinterDriverAndPort) {
    const CCommandLineInfo info =
        Parse({QStringLiteral("/pt"), QStringLiteral("a.api"), QStringLiteral("Office"),
               QStringLiteral("drv"), QStringLiteral("lpt1")});
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FilePrintTo);
    EXPECT_EQ(info.m_strFileName, QStringLiteral("a.api"));
    EXPECT_EQ(info.m_strPrinterName, QStringLiteral("Office"));
    EXPECT_EQ(info.m_strDriverName, QStringLiteral("drv"));
    EXPECT_EQ(info.m_strPortName, QStringLiteral("lpt1"));
}

TEST(CommandLine, UnregisterSwitches) {
    for (const char* flag : {"/Unregister", "/Unregserver", "-unregister", "/UNREGSERVER"}) {
        EXPECT_EQ(Parse({QString::fromLatin1(flag)}).m_nShellCommand,
                  CCommandLineInfo::AppUnregister)
            << flag;
    }
}

TEST(CommandLine, UnknownDashSwitchesAreCollectedAndIgnored) {
    const CCommandLineInfo info = Parse({QStringLiteral("-x"), QStringLiteral("a.api")});
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(info.m_unknownSwitches, QStringList{QStringLiteral("x")});
}

TEST(CommandLine, NoAaIsASwitchOfTheWindowAndKeepsTheFile) {
    for (const char* flag : {"--no-aa", "-no-aa", "--NO-AA"}) {
        const CCommandLineInfo info = Parse({QString::fromLatin1(flag), QStringLiteral("a.api")});
        EXPECT_TRUE(info.m_bNoAntialias) << flag;
        EXPECT_TRUE(info.m_unknownSwitches.isEmpty()) << flag;
        EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen) << flag;
        EXPECT_EQ(info.m_strFileName, QStringLiteral("a.api")) << flag;
    }
    EXPECT_FALSE(Parse({QStringLiteral("a.api")}).m_bNoAntialias);
}

}  // namespace
