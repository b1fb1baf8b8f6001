// The program started as a user starts it: without a display, with a display that cannot
// be reached, and headless commands that need none.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "tests/app/app_test_support.h"

namespace {

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QString err;
};

Outcome RunTarno(const QStringList& args, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TARNO_APP_EXE), args);
    Outcome out;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return out;
    }
    out.exitCode = process.exitCode();
    out.crashed = process.exitStatus() != QProcess::NormalExit;
    out.err = QString::fromLocal8Bit(process.readAllStandardError());
    return out;
}

QProcessEnvironment WithoutDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

TEST(Process, WithoutADisplayTheWindowSaysSoInOneLine) {
    const Outcome out =
        RunTarno({QString::fromStdString(tarno_test::ExamplePath("house.api"))}, WithoutDisplay());
    EXPECT_FALSE(out.crashed);
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_TRUE(out.err.startsWith(QStringLiteral("tarno: no display"))) << out.err.toStdString();
    EXPECT_EQ(out.err.count(u'\n'), 1) << out.err.toStdString();
}

TEST(Process, AnUnreachableDisplayEndsCleanly) {
    QProcessEnvironment env = WithoutDisplay();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4711"));
    const Outcome out = RunTarno({}, env);
    EXPECT_FALSE(out.crashed) << out.err.toStdString();
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_TRUE(out.err.contains(QStringLiteral("tarno: cannot open the display")))
        << out.err.toStdString();
}

TEST(Process, HeadlessCommandsNeedNoDisplay) {
    const Outcome out = RunTarno({QStringLiteral("--version")}, WithoutDisplay());
    EXPECT_FALSE(out.crashed);
    EXPECT_EQ(out.exitCode, 0) << out.err.toStdString();
}

}  // namespace
