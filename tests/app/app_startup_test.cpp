// Start-up as the command line asks for it: both outcomes of the DirectX check, an untitled
// document, a file, a file that cannot be opened, printing and removing the settings.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <filesystem>

#include "app/main_frame.h"
#include "tests/app/app_test_support.h"

namespace {

using app_test::AppTest;

// Windows NT 4 without DirectInput: the probe answers 0x200.
struct Nt4System final : app::DxProbeSystem {
    bool GetVersionEx(app::OSVERSIONINFO& info) override {
        info.dwPlatformId = app::VER_PLATFORM_WIN32_NT;
        info.dwMajorVersion = 4;
        return true;
    }
    app::HMODULE LoadLibrary(const char*) override { return 0; }
    app::FARPROC GetProcAddress(app::HMODULE, const char*) override { return 0; }
    void FreeLibrary(app::HMODULE) override {}
    app::HRESULT DirectDrawCreate(app::FARPROC, app::Interface&) override { return -1; }
    app::HRESULT QueryInterface(app::Interface, const app::GUID&, app::Interface&) override {
        return -1;
    }
    void Release(app::Interface) override {}
    app::HRESULT SetCooperativeLevel(app::Interface, std::uint32_t) override { return -1; }
    app::HRESULT CreateSurface(app::Interface, const app::DDSURFACEDESC&,
                               app::Interface&) override {
        return -1;
    }
    void OutputDebugString(const char*) override {}
};

int VisibleTopLevels() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) count += w->isVisible() ? 1 : 0;
    return count;
}

TEST_F(AppTest, DirectXBelow5RefusesToStartWithItsMessageAndNoWindow) {
    Nt4System nt4;
    app::CTarnoApp refused(nt4, prompts);
    EXPECT_FALSE(refused.InitInstance(
        {QStringLiteral("tarno"), QString::fromStdString(tarno_test::ExamplePath("house.api"))}));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Please install DirectX 5 or later !"));
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(app::AppCaption(), QStringLiteral("Tarno"));
    EXPECT_EQ(refused.GetMainWnd(), nullptr);
    EXPECT_EQ(refused.m_pRoot, nullptr) << "nothing after the check may have run";
    EXPECT_EQ(VisibleTopLevels(), 0);
    EXPECT_NE(refused.ExitInstance(), 0);
    EXPECT_FALSE(QFile::exists(refused.OpenProfile()->fileName()))
        << "a refused start writes no settings";
}

TEST_F(AppTest, NoArgumentShowsAnUntitledDocument) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_NE(theApp->m_pRoot, nullptr);
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("無題 - TARNO (Scenery Object 3D Viewer)"));
    EXPECT_TRUE(theApp->GetDocument()->GetPathName().empty());
    EXPECT_EQ(theApp->ExitInstance(), 0);
}

TEST_F(AppTest, APathOpensThatFileBeforeTheWindowShows) {
    const std::string house = tarno_test::ExamplePath("house.api");
    ASSERT_TRUE(Start({QString::fromStdString(house)}));
    EXPECT_EQ(theApp->GetDocument()->GetPathName(), std::filesystem::absolute(house).string());
    EXPECT_EQ(Frame().windowTitle(),
              QStringLiteral("house.api - TARNO (Scenery Object 3D Viewer)"));
    EXPECT_GT(theApp->GetDocument()->LastLoadSummary().faces, 0U);
    ASSERT_EQ(theApp->RecentFiles().Count(), 1);
    EXPECT_EQ(theApp->RecentFiles()[0],
              QString::fromStdString(std::filesystem::absolute(house).string()));
}

TEST_F(AppTest, AFileThatCannotBeOpenedEndsStartUpAfterAMessage) {
    const QString missing = QString::fromStdString(settingsDir + "/missing.api");
    EXPECT_FALSE(Start({missing}));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_TRUE(prompts.messages[0].text.contains(missing))
        << prompts.messages[0].text.toStdString();
    EXPECT_EQ(VisibleTopLevels(), 0);
    EXPECT_NE(theApp->ExitInstance(), 0);
    EXPECT_EQ(theApp->RecentFiles().Count(), 0);
}

TEST_F(AppTest, PrintSwitchPrintsTheFileAndEnds) {
    for (const char* flag : {"/p", "-p", "/P"}) {
        prompts.pdfPath = QString::fromStdString(settingsDir + "/printed.pdf");
        QFile::remove(prompts.pdfPath);
        app::CTarnoApp printing(probe, prompts);
        EXPECT_FALSE(
            printing.InitInstance({QStringLiteral("tarno"), QString::fromLatin1(flag),
                                   QString::fromStdString(tarno_test::ExamplePath("house.api"))}))
            << flag;
        EXPECT_EQ(printing.ExitInstance(), 0) << flag;
        EXPECT_GT(QFile(prompts.pdfPath).size(), 1000) << flag;
        ASSERT_FALSE(prompts.printerChoices.empty());
        EXPECT_EQ(prompts.printerChoices.back(), app::UserPrompts::PrinterChoice::Default);
        EXPECT_EQ(VisibleTopLevels(), 0) << "printing from the command line shows no window";
    }
}

TEST_F(AppTest, PrintToSwitchNamesThePrinter) {
    prompts.pdfPath = QString::fromStdString(settingsDir + "/printed.pdf");
    EXPECT_FALSE(
        Start({QStringLiteral("/pt"), QString::fromStdString(tarno_test::ExamplePath("house.api")),
               QStringLiteral("Office"), QStringLiteral("driver"), QStringLiteral("port")}));
    EXPECT_EQ(theApp->ExitInstance(), 0);
    ASSERT_EQ(prompts.printerChoices.size(), 1U);
    EXPECT_EQ(prompts.printerChoices[0], app::UserPrompts::PrinterChoice::Named);
    EXPECT_TRUE(QFile::exists(prompts.pdfPath));
}

TEST_F(AppTest, PrintingWithoutPrinterSaysSoAndFails) {
    EXPECT_FALSE(Start(
        {QStringLiteral("/p"), QString::fromStdString(tarno_test::ExamplePath("house.api"))}));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("No printer is installed."));
    EXPECT_NE(theApp->ExitInstance(), 0);

    app::CTarnoApp noFile(probe, prompts);
    EXPECT_FALSE(noFile.InitInstance({QStringLiteral("tarno"), QStringLiteral("/p")}));
    EXPECT_EQ(prompts.messages.size(), 2U);
    EXPECT_NE(noFile.ExitInstance(), 0);
}

TEST_F(AppTest, UnregisterRemovesTheSettingsFileAndSaysSo) {
    {
        QSettings profile(ProfilePath(), QSettings::IniFormat);
        profile.setValue(QStringLiteral("Recent File List/File1"), QStringLiteral("/tmp/a.api"));
    }
    ASSERT_TRUE(QFile::exists(ProfilePath()));
    EXPECT_FALSE(Start({QStringLiteral("/Unregister")}));
    EXPECT_FALSE(QFile::exists(ProfilePath()));
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("removed")));
    EXPECT_EQ(theApp->ExitInstance(), 0);
    EXPECT_FALSE(QFile::exists(ProfilePath())) << "ending must not write the settings again";
    EXPECT_EQ(VisibleTopLevels(), 0);

    app::CTarnoApp again(probe, prompts);
    EXPECT_FALSE(again.InitInstance({QStringLiteral("tarno"), QStringLiteral("-unregserver")}));
    ASSERT_EQ(prompts.messages.size(), 2U);
    EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("nothing was removed")));
}

}  // namespace
