// The recent-file list: shortened names, order and limit, and the settings it is kept in,
// including settings that are missing, unreadable or garbage.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "app/recent_file_list.h"
#include "tests/app/app_test_support.h"
#include "view/tarno_view.h"

namespace {

using app::AbbreviateName;
using app::CRecentFileList;
using app_test::AppTest;

CRecentFileList MakeList() {
    return CRecentFileList(QStringLiteral("Recent File List"), QStringLiteral("File%1"), 4, 30);
}

TEST(RecentFiles, NamesAreShortenedTo30CharactersKeepingTheFileName) {
    EXPECT_EQ(AbbreviateName(QStringLiteral("/short/house.api"), 30, true),
              QStringLiteral("/short/house.api"));
    const QString longPath = QStringLiteral("/home/author/scenery/objects/town/house.api");
    const QString shortened = AbbreviateName(longPath, 30, true);
    EXPECT_LE(shortened.size(), 30);
    EXPECT_EQ(shortened, QStringLiteral("/.../objects/town/house.api"));
    // A name too long by itself stays whole, or goes when it need not stay.
    const QString longName = QStringLiteral("/d/a_very_long_scenery_object_file_name.api");
    EXPECT_EQ(AbbreviateName(longName, 30, true),
              QStringLiteral("a_very_long_scenery_object_file_name.api"));
    EXPECT_EQ(AbbreviateName(longName, 30, false), QString());
}

TEST(RecentFiles, NewestFirstWithoutDuplicatesAndAtMostFour) {
    CRecentFileList list = MakeList();
    for (const char* p : {"/a.api", "/b.api", "/c.api", "/d.api", "/e.api"}) {
        list.Add(QString::fromLatin1(p));
    }
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], QStringLiteral("/e.api"));
    EXPECT_EQ(list[3], QStringLiteral("/b.api"));
    list.Add(QStringLiteral("/c.api"));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], QStringLiteral("/c.api"));
    EXPECT_EQ(list[1], QStringLiteral("/e.api"));
}

TEST(RecentFiles, MenuTextIsNumberedAndKeepsAmpersands) {
    CRecentFileList list = MakeList();
    list.Add(QStringLiteral("/x/R&D.api"));
    list.Add(QStringLiteral("/x/y/house.api"));
    EXPECT_EQ(list.MenuText(0, QStringLiteral("/elsewhere")), QStringLiteral("&1 /x/y/house.api"));
    EXPECT_EQ(list.MenuText(1, QStringLiteral("/elsewhere")), QStringLiteral("&2 /x/R&&D.api"));
    // A file in the current folder shows by its name.
    EXPECT_EQ(list.MenuText(0, QStringLiteral("/x/y")), QStringLiteral("&1 house.api"));
}

TEST_F(AppTest, RecentFilesAreWrittenWhenTheWindowClosesAndReadBack) {
    ASSERT_TRUE(Start());
    const QString tower = QString::fromStdString(tarno_test::ExamplePath("tower.api"));
    const QString house = QString::fromStdString(tarno_test::ExamplePath("house.api"));
    ASSERT_TRUE(theApp->OpenDocumentFile(tower));
    ASSERT_TRUE(theApp->OpenDocumentFile(house));
    Frame().close();
    {
        QSettings profile(ProfilePath(), QSettings::IniFormat);
        EXPECT_EQ(profile.value(QStringLiteral("Recent File List/File1")).toString(),
                  QFileInfo(house).absoluteFilePath());
        EXPECT_EQ(profile.value(QStringLiteral("Recent File List/File2")).toString(),
                  QFileInfo(tower).absoluteFilePath());
        EXPECT_FALSE(profile.contains(QStringLiteral("Recent File List/File3")));
        EXPECT_FALSE(profile.contains(QStringLiteral("Settings/PreviewPages")))
            << "a zero page count is not written";
    }
    theApp.reset();

    theApp = std::make_unique<app::CTarnoApp>(probe, prompts);
    ASSERT_TRUE(Start());
    ASSERT_EQ(theApp->RecentFiles().Count(), 2);
    EXPECT_EQ(theApp->RecentFiles()[0], QFileInfo(house).absoluteFilePath());
    EXPECT_EQ(theApp->RecentFiles()[1], QFileInfo(tower).absoluteFilePath());
}

TEST_F(AppTest, PreviewPagesIsKeptAsRead) {
    {
        QSettings profile(ProfilePath(), QSettings::IniFormat);
        profile.setValue(QStringLiteral("Settings/PreviewPages"), 2);
    }
    ASSERT_TRUE(Start());
    EXPECT_EQ(theApp->PreviewPages(), 2);
    QFile::remove(ProfilePath());
    theApp->ExitInstance();
    QSettings profile(ProfilePath(), QSettings::IniFormat);
    EXPECT_EQ(profile.value(QStringLiteral("Settings/PreviewPages")).toInt(), 2);
}

TEST_F(AppTest, GarbageSettingsGiveDefaults) {
    std::filesystem::create_directories(
        std::filesystem::path(ProfilePath().toStdString()).parent_path());
    {
        std::ofstream out(ProfilePath().toStdString(), std::ios::binary);
        out << "\xff\xfe\x00garbage[[[\n[Recent File List]\nFile1\nFile2=@Variant(\x01\x02)\n"
               "File3=a,b,c\n[Settings]\nPreviewPages=lots\n\x00\x01\x02";
        out.write("\0\0\0", 3);
    }
    ASSERT_TRUE(Start());
    EXPECT_EQ(theApp->PreviewPages(), 0);
    for (int i = 0; i < theApp->RecentFiles().Count(); ++i) {
        EXPECT_FALSE(theApp->RecentFiles()[i].isEmpty());
    }
    Frame().UpdateRecentFileMenu();
    EXPECT_EQ(theApp->ExitInstance(), 0);
}

TEST_F(AppTest, UnreadableSettingsGiveDefaultsAndWritingThemFailsQuietly) {
    // A folder where the file should be: neither readable nor writable as settings.
    std::filesystem::create_directories(ProfilePath().toStdString());
    ASSERT_TRUE(Start());
    EXPECT_EQ(theApp->RecentFiles().Count(), 0);
    EXPECT_EQ(theApp->PreviewPages(), 0);
    ASSERT_TRUE(
        theApp->OpenDocumentFile(QString::fromStdString(tarno_test::ExamplePath("house.api"))));
    Frame().close();
    EXPECT_EQ(theApp->ExitInstance(), 0);
    EXPECT_TRUE(QFileInfo(ProfilePath()).isDir());
}

TEST_F(AppTest, MissingSettingsGiveAnEmptyList) {
    ASSERT_FALSE(QFile::exists(ProfilePath()));
    ASSERT_TRUE(Start());
    EXPECT_EQ(theApp->RecentFiles().Count(), 0);
}

}  // namespace

namespace {

using app_test::AppTest;

TEST_F(AppTest, SmoothEdgesByDefaultOffByTheRememberedSettingOrByNoAa) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(theApp->Antialias());
    EXPECT_TRUE(Frame().GetActiveView().IsAntialias());
    ASSERT_TRUE(Frame().GetActiveView().Device());
    EXPECT_TRUE(Frame().GetActiveView().Device()->GetAntialias());
    const QString profilePath = ProfilePath();
    theApp->ExitInstance();
    EXPECT_FALSE(QSettings(profilePath, QSettings::IniFormat)
                     .contains(QStringLiteral("Settings/Antialias")));
    const auto again = [&] {
        theApp.reset();
        theApp = std::make_unique<app::CTarnoApp>(probe, prompts);
    };
    again();

    // --no-aa: this run only; the window's surface, rebuilt at every size, keeps it.
    ASSERT_TRUE(Start({QStringLiteral("--no-aa")}));
    EXPECT_FALSE(theApp->Antialias());
    Frame().resize(500, 400);
    QApplication::processEvents();
    EXPECT_FALSE(Frame().GetActiveView().Device()->GetAntialias());
    theApp->ExitInstance();
    again();
    EXPECT_FALSE(QSettings(profilePath, QSettings::IniFormat)
                     .contains(QStringLiteral("Settings/Antialias")));

    {
        QSettings profile(profilePath, QSettings::IniFormat);
        profile.setValue(QStringLiteral("Settings/Antialias"), false);
    }
    ASSERT_TRUE(Start());
    EXPECT_FALSE(theApp->Antialias());
    EXPECT_FALSE(Frame().GetActiveView().Device()->GetAntialias());
    QFile::remove(profilePath);
    theApp->ExitInstance();
    EXPECT_FALSE(QSettings(profilePath, QSettings::IniFormat)
                     .value(QStringLiteral("Settings/Antialias"), true)
                     .toBool());
}

}  // namespace
