// The window's routes given paths that are no files, and files that fail part way: one
// line for the user, and caption, recent list, Reload and picture that agree.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QStatusBar>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "res/resource_ids.h"
#include "tests/app/app_test_support.h"
#include "view/tarno_view.h"

namespace {

using app_test::AppTest;

constexpr const char* kTriangle =
    "SURFACECOLOR ( 5 0 )\r\nPOINTS ( 0 0 0 0 10 0 0 0 10 0 )\r\nPOLY ( A 0 1 2 )\r\n";

class WindowBadInput : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        shown = settingsDir + "/shown.api";
        std::ofstream(shown, std::ios::binary) << kTriangle;
        ASSERT_TRUE(theApp->OpenDocumentFile(QString::fromStdString(shown)));
        ASSERT_TRUE(prompts.messages.empty());
    }
    [[nodiscard]] QString Title() const { return Frame().windowTitle(); }

    std::string shown;
};

TEST_F(WindowBadInput, PathsThatAreNoFilesGetOneLineAndChangeNothing) {
    const QString title = Title();
    const rm::MeshBuilderPtr mesh = theApp->GetDocument()->m_pMeshBuilder;
    for (const std::string& path : tarno_test::PathsThatAreNoFiles()) {
        prompts.messages.clear();
        EXPECT_FALSE(theApp->OpenDocumentFile(QString::fromStdString(path)));
        ASSERT_EQ(prompts.messages.size(), 1U) << path;
        const QString text = prompts.messages[0].text;
        EXPECT_FALSE(text.contains(u'\n')) << text.toStdString();
        EXPECT_EQ(text.count(QString::fromStdString(path)), 1) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("not a file"))) << text.toStdString();
        EXPECT_EQ(Title(), title);
        EXPECT_EQ(theApp->GetDocument()->m_pMeshBuilder, mesh);
        EXPECT_EQ(theApp->RecentFiles().Count(), 1);
    }
    // A missing file given by a relative name is named as given, once.
    prompts.messages.clear();
    EXPECT_FALSE(theApp->OpenDocumentFile(QStringLiteral("no-such-dir/gone.api")));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text.count(QStringLiteral("gone.api")), 1)
        << prompts.messages[0].text.toStdString();
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("no-such-dir/gone.api: ")));
}

TEST_F(WindowBadInput, ReloadOfAFileThatBecameAFolderKeepsTheModelAndSaysWhy) {
    const rm::MeshBuilderPtr mesh = theApp->GetDocument()->m_pMeshBuilder;
    std::filesystem::remove(shown);
    std::filesystem::create_directory(shown);
    Frame().UpdateAllCommandUI();
    Frame().Action(res::ID_RELOAD)->trigger();
    EXPECT_EQ(theApp->GetDocument()->m_pMeshBuilder, mesh);
    ASSERT_EQ(theApp->GetDocument()->m_pModelFrame->Visuals().size(), 1U);
    const QString status = Frame().statusBar()->currentMessage();
    EXPECT_TRUE(status.startsWith(QStringLiteral("shown.api not loaded: ")))
        << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("a folder, not a file"))) << status.toStdString();
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(WindowBadInput, AFileThatFailsPartWayIsTheOneCaptionRecentListAndReloadName) {
    if (::access("/proc/self/mem", R_OK) != 0) GTEST_SKIP() << "no /proc/self/mem here";
    // A regular file whose reads fail: the old model is gone once the load has begun.
    EXPECT_FALSE(theApp->OpenDocumentFile(QStringLiteral("/proc/self/mem")));
    ASSERT_EQ(prompts.messages.size(), 1U);
    const QString text = prompts.messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("/proc/self/mem: Stopped at line 1: ")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u'\n'));
    EXPECT_EQ(Title(), QStringLiteral("mem - TARNO (Scenery Object 3D Viewer)"));
    ASSERT_EQ(theApp->RecentFiles().Count(), 2);
    EXPECT_EQ(theApp->RecentFiles()[0], QStringLiteral("/proc/self/mem"));
    EXPECT_EQ(theApp->GetDocument()->GetPathName(), "/proc/self/mem");
    EXPECT_TRUE(theApp->GetDocument()->m_pModelFrame->Visuals().empty());
    // The recent entry of a file that failed part way stays in the list.
    Frame().UpdateAllCommandUI();
    Frame().Action(res::ID_FILE_MRU_FILE1)->trigger();
    EXPECT_EQ(prompts.messages.size(), 2U);
    EXPECT_EQ(theApp->RecentFiles().Count(), 2);
    // Opening the good file again shows it and names it everywhere.
    EXPECT_TRUE(theApp->OpenDocumentFile(QString::fromStdString(shown)));
    EXPECT_EQ(Title(), QStringLiteral("shown.api - TARNO (Scenery Object 3D Viewer)"));
    EXPECT_EQ(theApp->GetDocument()->m_pModelFrame->Visuals().size(), 1U);
}

TEST_F(AppTest, PrintToWithoutAPrinterNameSaysSo) {
    const std::string file = settingsDir + "/print.api";
    std::ofstream(file, std::ios::binary) << kTriangle;
    EXPECT_FALSE(Start({QStringLiteral("/pt"), QString::fromStdString(file)}));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("printer name")))
        << prompts.messages[0].text.toStdString();
    EXPECT_FALSE(prompts.messages[0].text.contains(QStringLiteral("\"\"")));
    EXPECT_TRUE(prompts.printerChoices.empty());
    prompts.messages.clear();
    EXPECT_FALSE(Start({QStringLiteral("/pt")}));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral(".api file")));
}

}  // namespace
