// What the status bar says after a load, the folder the Open dialog starts in, the keys
// after a menu closed with Esc, and the window's --no-watch switch.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/command_line_info.h"
#include "app/headless/check_report.h"
#include "app/headless/command_line.h"
#include "app/load_tally.h"
#include "app/main_frame.h"
#include "res/resource_ids.h"
#include "tests/app/app_test_support.h"
#include "view/tarno_view.h"

namespace {

using app_test::AppTest;
namespace fs = std::filesystem;

std::string Write(const std::string& path, const std::string& bytes) {
    tarno_test::WriteFile(path, bytes);
    return path;
}

const std::string kTwoFaces =
    "POINTS ( 0\r\n 0 0 0\r\n 40 0 0\r\n 0 40 0\r\n 40 40 0\r\n)\r\n"
    "POLY ( A 0 2 1 )\r\nPOLY ( A 1 2 3 )\r\n";

TEST(LoadTally, CountsWarningsAsCheckListsThemOnEveryRealFile) {
    const std::vector<fs::path> corpus = tarno_test::CorpusFiles();
    if (corpus.empty()) GTEST_SKIP() << "no corpus at " << tarno_test::CorpusDir();
    rm::RootPtr root;
    ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
    doc::CTarnoDoc document(*root);
    int files = 0;
    for (const fs::path& file : corpus) {
        const std::string path = file.string();
        app::CheckReport report;
        ASSERT_TRUE(document.LoadApiFile(path, &report)) << path;
        app::LoadTally tally;
        ASSERT_TRUE(document.LoadApiFile(path, &tally)) << path;
        EXPECT_EQ(tally.WarningCount(), report.Lines(path).size()) << path;
        ++files;
    }
    EXPECT_GT(files, 0);
}

TEST(LoadTally, TextsForModelsNothingToDrawAndWarnings) {
    app::LoadTally tally;
    doc::LoadSummary house;
    house.faces = 21;
    EXPECT_EQ(app::LoadStatusText("house.api", "/m/house.api", house, tally),
              "house.api: 21 faces, 0 strokes");
    house.faces = 1;
    house.strokes = 1;
    EXPECT_EQ(app::LoadStatusText("a.api", "/a.api", house, tally), "a.api: 1 face, 1 stroke");

    // Fourteen lines of two undrawn commands (one name in two cases) and one bad number.
    for (int i = 0; i < 7; ++i) tally.OnWarning(doc::LoadWarning::UndrawnCommand, i, "Light");
    for (int i = 0; i < 6; ++i) tally.OnWarning(doc::LoadWarning::UndrawnCommand, i, "LIGHT");
    tally.OnWarning(doc::LoadWarning::UndrawnCommand, 20, "Sound");
    tally.OnWarning(doc::LoadWarning::NotANumber, 30, "x1");
    EXPECT_EQ(tally.SkippedCommands(), 14U);
    EXPECT_EQ(tally.WarningCount(), 3U);
    EXPECT_EQ(app::LoadStatusText("real.api", "/c/my scenery/real.api", {}, tally),
              "real.api: nothing to draw: 14 commands of other kinds skipped; 3 warnings, "
              "listed by tarno --check '/c/my scenery/real.api'");

    tally.Reset();
    EXPECT_EQ(tally.WarningCount(), 0U);
    tally.OnWarning(doc::LoadWarning::UndrawnCommand, 1, "X");
    EXPECT_EQ(app::LoadStatusText("e.api", "/e.api", {}, tally),
              "e.api: nothing to draw: 1 command of another kind skipped; 1 warning, listed by "
              "tarno --check /e.api");
    tally.Reset();
    EXPECT_EQ(app::LoadStatusText("e.api", "/e.api", {}, tally), "e.api: nothing to draw");
}

TEST(LoadTally, ShellWordQuotesWhatTheShellWouldSplitOrExpand) {
    EXPECT_EQ(app::ShellWord("/home/u/a-b_c.api"), "/home/u/a-b_c.api");
    EXPECT_EQ(app::ShellWord("a b.api"), "'a b.api'");
    EXPECT_EQ(app::ShellWord("it's.api"), "'it'\\''s.api'");
    EXPECT_EQ(app::ShellWord("$HOME/*.api"), "'$HOME/*.api'");
    EXPECT_EQ(app::ShellWord(""), "''");
}

class StatusTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        Frame().resize(480, 360);
        QApplication::processEvents();
    }
    QString Status() const { return Frame().StatusBar().currentMessage(); }
    bool Open(const std::string& path) {
        return theApp->OpenDocumentFile(QString::fromStdString(path));
    }
};

TEST_F(StatusTest, EachLoadSaysWhatItMadeForAFewSecondsThenReady) {
    const std::string plain = Write(settingsDir + "/plain.api", kTwoFaces);
    ASSERT_TRUE(Open(plain));
    EXPECT_EQ(Status(), QStringLiteral("plain.api: 2 faces, 0 strokes"));
    Frame().StatusBar().clearMessage();

    // Reload says it again; a file --check would warn about says how to list the warnings.
    Write(plain, kTwoFaces + "Light ( 1 )\r\nLIGHT ( 2 )\r\n");
    QTest::qWait(300);  // the automatic reload of the change comes first
    Frame().StatusBar().clearMessage();
    Frame().Action(res::ID_RELOAD)->trigger();
    EXPECT_EQ(Status(), QStringLiteral("plain.api: 2 faces, 0 strokes; 1 warning, listed by "
                                       "tarno --check ") +
                            QString::fromStdString(fs::absolute(plain).string()));

    // The message goes after its time and "Ready" shows again.
    Frame().ShowStatusText(QStringLiteral("short"), 50);
    EXPECT_EQ(Status(), QStringLiteral("short"));
    QTest::qWait(150);
    EXPECT_TRUE(Status().isEmpty());
    EXPECT_EQ(Frame().IdleMessage(), QStringLiteral("Ready"));
}

TEST_F(StatusTest, AMessageShownBeforeTheWindowCoversReady) {
    // As for a file named on the command line: loaded before the window is on screen.
    Frame().hide();
    Frame().ShowStatusText(QStringLiteral("early"), 200);
    Frame().show();
    QApplication::processEvents();
    const QLabel* ready = nullptr;
    for (const QLabel* label : Frame().StatusBar().findChildren<QLabel*>()) {
        if (label->text() == Frame().IdleMessage()) ready = label;
    }
    ASSERT_NE(ready, nullptr);
    EXPECT_FALSE(ready->isVisible()) << "both texts would be drawn over each other";
    QTest::qWait(400);
    EXPECT_TRUE(ready->isVisible()) << "the message is gone, Ready is back";
}

TEST_F(StatusTest, AModelWithNothingToDrawSaysSo) {
    std::string text;
    for (int i = 0; i < 14; ++i) text += "OBJECT ( " + std::to_string(i) + " )\r\n";
    const std::string only = Write(settingsDir + "/only.api", text);
    ASSERT_TRUE(Open(only));
    EXPECT_TRUE(Status().startsWith(
        QStringLiteral("only.api: nothing to draw: 14 commands of other kinds skipped; 1 warning")))
        << Status().toStdString();
}

TEST_F(StatusTest, AFailedReloadSaysWhy) {
    const std::string plain = Write(settingsDir + "/plain.api", kTwoFaces);
    ASSERT_TRUE(Open(plain));
    fs::remove(plain);
    Frame().Action(res::ID_RELOAD)->trigger();
    EXPECT_TRUE(Status().startsWith(QStringLiteral("plain.api not loaded: ")))
        << Status().toStdString();
    EXPECT_EQ(theApp->GetDocument()->LastLoadSummary().faces, 2U) << "the model stays";
}

TEST_F(StatusTest, OpenDialogStartsInTheOpenFilesFolderElseTheLastUsed) {
    Frame().Action(res::ID_FILE_OPEN)->trigger();
    ASSERT_EQ(prompts.openFolders.size(), 1U);
    EXPECT_TRUE(prompts.openFolders[0].isEmpty()) << "nothing open, nothing used: the default";

    const std::string models = settingsDir + "/models";
    fs::create_directories(models);
    prompts.fileToOpen = QString::fromStdString(Write(models + "/a.api", kTwoFaces));
    prompts.folderLeftIn = QString::fromStdString(models);
    Frame().Action(res::ID_FILE_OPEN)->trigger();
    ASSERT_TRUE(Frame().windowTitle().startsWith(QStringLiteral("a.api")));

    // The open file's folder wins over where the dialog was left.
    prompts.fileToOpen.reset();
    prompts.folderLeftIn = QString::fromStdString(settingsDir);
    Frame().Action(res::ID_FILE_OPEN)->trigger();
    ASSERT_EQ(prompts.openFolders.size(), 3U);
    EXPECT_EQ(prompts.openFolders[2], QString::fromStdString(fs::absolute(models).string()));

    // With no file open, the folder the dialog was last left in.
    Frame().Action(res::ID_FILE_NEW)->trigger();
    prompts.folderLeftIn.clear();
    Frame().Action(res::ID_FILE_OPEN)->trigger();
    ASSERT_EQ(prompts.openFolders.size(), 4U);
    EXPECT_EQ(prompts.openFolders[3], QString::fromStdString(settingsDir));
}

TEST_F(StatusTest, AfterAMenuClosedWithEscTheKeysReachTheViewAgain) {
    Frame().show();
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    view::CTarnoView& view = Frame().GetActiveView();
    view.setFocus();
    const doc::CTarnoDoc& document = *theApp->GetDocument();
    auto cameraX = [&] {
        rm::D3DVECTOR p;
        EXPECT_EQ(view.Camera()->GetPosition(document.m_pSceneFrame.get(), p), rm::Result::Ok);
        return p.x;
    };

    for (int round = 0; round < 2; ++round) {
        // Opened from the keyboard and from the menu bar, closed with Esc.
        if (round == 0) {
            QTest::keyClick(&Frame(), Qt::Key_F, Qt::AltModifier);
        } else {
            QMenuBar* bar = Frame().menuBar();
            QTest::mouseClick(bar, Qt::LeftButton, {},
                              bar->actionGeometry(bar->actions().at(1)).center());
        }
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << round;
        QTest::keyClick(menu, Qt::Key_Escape);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::activePopupWidget(), nullptr);

        QWidget* keys = Frame().focusWidget();
        ASSERT_NE(keys, nullptr);
        EXPECT_EQ(keys, &view) << round << ": focus with " << keys->metaObject()->className()
                               << " active " << (QApplication::activeWindow() == &Frame());
        const float x = cameraX();
        QTest::keyClick(keys, Qt::Key_Left);
        EXPECT_EQ(cameraX(), x + 10.0F) << round;
        QTest::keyClick(keys, Qt::Key_Down);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "Down must not reopen the menu";
    }
}

TEST(NoWatchSwitch, IsTheWindowsAndMixesWithTheOthers) {
    app::CCommandLineInfo info;
    app::ParseCommandLine(
        {QStringLiteral("tarno"), QStringLiteral("--no-watch"), QStringLiteral("a.api")}, info);
    EXPECT_TRUE(info.m_bNoWatch);
    EXPECT_EQ(info.m_nShellCommand, app::CCommandLineInfo::FileOpen);
    EXPECT_TRUE(info.m_unknownSwitches.isEmpty());

    app::CCommandLineInfo last;
    app::ParseCommandLine(
        {QStringLiteral("tarno"), QStringLiteral("a.api"), QStringLiteral("--no-watch")}, last);
    EXPECT_TRUE(last.m_bNoWatch);
    EXPECT_EQ(last.m_nShellCommand, app::CCommandLineInfo::FileOpen);
    EXPECT_EQ(last.m_strFileName, QStringLiteral("a.api"));

    app::CCommandLineInfo plain;
    app::ParseCommandLine({QStringLiteral("tarno"), QStringLiteral("a.api")}, plain);
    EXPECT_FALSE(plain.m_bNoWatch);

    // Not a headless command, alone or with a file; the headless commands refuse it.
    EXPECT_FALSE(app::ParseCommandLine(std::vector<std::string>{"tarno", "--no-watch"}));
    EXPECT_FALSE(app::ParseCommandLine(std::vector<std::string>{"tarno", "--no-watch", "a.api"}));
    const auto check =
        app::ParseCommandLine(std::vector<std::string>{"tarno", "--check", "a.api", "--no-watch"});
    ASSERT_TRUE(check);
    EXPECT_TRUE(std::holds_alternative<app::UsageError>(*check));
}

}  // namespace
