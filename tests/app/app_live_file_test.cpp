// The window follows the open file: every way an editor saves, many saves in a row, the
// file going away and coming back, something other than a file at its path, and what an
// automatic reload must leave as the user set it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/main_frame.h"
#include "res/resource_ids.h"
#include "tests/app/app_test_support.h"
#include "tests/support/sanitized.h"
#include "view/tarno_view.h"

namespace {

using app_test::AppTest;
namespace fs = std::filesystem;

// An .api text with `faces` triangles: the face count tells the versions apart.
std::string Triangles(int faces) {
    std::string text = "POINTS ( 0\r\n 0 0 0\r\n 40 0 0\r\n 0 40 0\r\n 40 40 0\r\n)\r\n";
    for (int i = 0; i < faces; ++i)
        text += i % 2 == 0 ? "POLY ( A 0 2 1 )\r\n" : "POLY ( A 1 2 3 )\r\n";
    return text;
}

// The three ways editors save.
void SaveInPlace(const std::string& path, const std::string& bytes) {
    tarno_test::WriteFile(path, bytes);
}
void SaveByRename(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    tarno_test::WriteFile(temp, bytes);
    fs::rename(temp, path);
}
void SaveByDeleteAndCreate(const std::string& path, const std::string& bytes) {
    fs::remove(path);
    tarno_test::WriteFile(path, bytes);
}

bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(10);
    }
    return true;
}

// Resident memory of this process in KiB.
long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class LiveFileTest : public AppTest {
protected:
    void StartOn(int faces, const QStringList& before = {}) {
        path = settingsDir + "/model.api";
        tarno_test::WriteFile(path, Triangles(faces));
        ASSERT_TRUE(Start(before + QStringList{QString::fromStdString(path)}));
        Frame().resize(320, 240);
        QApplication::processEvents();
    }
    [[nodiscard]] std::uint32_t Faces() const {
        return theApp->GetDocument()->LastLoadSummary().faces;
    }
    [[nodiscard]] int Reloads() const { return theApp->GetLiveFile()->AutomaticReloads(); }
    [[nodiscard]] QString Status() const { return Frame().StatusBar().currentMessage(); }
    // Waits for a load showing `faces`, then for the quiet time after it.
    bool ShowsFaces(std::uint32_t faces) {
        const bool shown = WaitUntil([&] { return Faces() == faces; });
        QTest::qWait(3 * app::FileFollower::kQuietMs);
        return shown && Faces() == faces;
    }
    rm::D3DVECTOR Camera() const {
        rm::D3DVECTOR p;
        EXPECT_EQ(Frame().GetActiveView().Camera()->GetPosition(
                      theApp->GetDocument()->m_pSceneFrame.get(), p),
                  rm::Result::Ok);
        return p;
    }

    std::string path;
};

TEST_F(LiveFileTest, EverySavePatternReloadsOnceWithTheNewContent) {
    StartOn(1);
    ASSERT_TRUE(theApp->GetLiveFile()->Follower().IsWatchingFile());
    ASSERT_TRUE(theApp->GetLiveFile()->Follower().IsWatchingFolder());

    // In place, in three writes with pauses shorter than the quiet time: one reload. A
    // machine too busy to keep the pauses short gets no verdict on the count.
    bool pausesShort = true;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string text = Triangles(2);
        const std::size_t third = text.size() / 3;
        for (int part = 0; part < 3; ++part) {
            const auto start = std::chrono::steady_clock::now();
            out << text.substr(part * third, part == 2 ? std::string::npos : third);
            out.flush();
            if (part < 2) {
                QTest::qWait(25);
                pausesShort = pausesShort && std::chrono::steady_clock::now() - start <
                                                 std::chrono::milliseconds(80);
            }
        }
    }
    ASSERT_TRUE(ShowsFaces(2));
    if (pausesShort) {
        EXPECT_EQ(Reloads(), 1) << "a save in several writes is one reload";
    }
    const int afterFirst = Reloads();

    SaveByRename(path, Triangles(3));
    ASSERT_TRUE(ShowsFaces(3)) << "rename over the file";
    EXPECT_EQ(Reloads(), afterFirst + 1);

    SaveByDeleteAndCreate(path, Triangles(4));
    ASSERT_TRUE(ShowsFaces(4)) << "delete and create";
    EXPECT_EQ(Reloads(), afterFirst + 2);

    // The watch followed the path to each new file: in place again, on the third file.
    SaveInPlace(path, Triangles(5));
    ASSERT_TRUE(ShowsFaces(5));
    EXPECT_EQ(Reloads(), afterFirst + 3);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("model.api: 5 faces, 0 strokes")))
        << Status().toStdString();

    // Other files of the folder do not reload it.
    tarno_test::WriteFile(settingsDir + "/other.api", Triangles(7));
    QTest::qWait(4 * app::FileFollower::kQuietMs);
    EXPECT_EQ(Reloads(), afterFirst + 3);
}

TEST_F(LiveFileTest, AHundredSavesInTenSecondsEndOnTheLastContent) {
    StartOn(1);
    const long before = ResidentKiB();
    const std::array<std::function<void(const std::string&, const std::string&)>, 3> saves = {
        SaveInPlace, SaveByRename, SaveByDeleteAndCreate};
    for (int i = 0; i < 100; ++i) {
        saves[i % 3](path, Triangles(10 + i % 7));
        QTest::qWait(i % 4 == 0 ? 150 : 40);  // some saves get their own reload
    }
    SaveByRename(path, Triangles(123));
    ASSERT_TRUE(ShowsFaces(123));
    EXPECT_GT(Reloads(), 5);
    EXPECT_LE(Reloads(), 101);
    // The picture is of the final mesh: on the model frame, every face of it.
    const doc::CTarnoDoc& document = *theApp->GetDocument();
    ASSERT_EQ(document.m_pModelFrame->Visuals().size(), 1U);
    EXPECT_EQ(document.m_pModelFrame->Visuals()[0], document.m_pMeshBuilder);
    EXPECT_EQ(document.m_pMeshBuilder->GetFaceCount(), 123U);
    // The sanitizers keep freed memory aside for a while, so only a plain build can tell
    // growth by the resident size; under them the leak checker does the job.
    if (!kSanitized) {
        EXPECT_LT(ResidentKiB() - before, 32 * 1024) << "memory must stay flat over reloads";
    }
}

TEST_F(LiveFileTest, AGoneFileKeepsTheModelAndIsLoadedWhenItComesBack) {
    StartOn(3);
    const rm::MeshBuilderPtr shown = theApp->GetDocument()->m_pMeshBuilder;
    fs::remove(path);
    ASSERT_TRUE(WaitUntil([&] { return Status().contains(QStringLiteral("gone")); }));
    EXPECT_TRUE(Status().startsWith(QStringLiteral("model.api is gone"))) << Status().toStdString();
    EXPECT_EQ(theApp->GetDocument()->m_pMeshBuilder, shown);
    EXPECT_EQ(Faces(), 3U);
    EXPECT_EQ(Reloads(), 0);

    tarno_test::WriteFile(path, Triangles(6));
    ASSERT_TRUE(ShowsFaces(6));
    EXPECT_EQ(Reloads(), 1);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("model.api: 6 faces")))
        << Status().toStdString();

    // And it is still followed after coming back.
    SaveInPlace(path, Triangles(2));
    EXPECT_TRUE(ShowsFaces(2));
}

TEST_F(LiveFileTest, OnlyARegularFileIsLoaded) {
    StartOn(3);
    const rm::MeshBuilderPtr shown = theApp->GetDocument()->m_pMeshBuilder;
    fs::remove(path);
    fs::create_directory(path);
    ASSERT_TRUE(WaitUntil([&] { return Status().contains(QStringLiteral("a folder")); }))
        << Status().toStdString();
    EXPECT_EQ(theApp->GetDocument()->m_pMeshBuilder, shown);

    // A named pipe would block a reader that opened it: it must never be read.
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ASSERT_TRUE(WaitUntil([&] { return Status().contains(QStringLiteral("something else")); }))
        << Status().toStdString();
    EXPECT_EQ(theApp->GetDocument()->m_pMeshBuilder, shown);
    EXPECT_EQ(Reloads(), 0);

    fs::remove(path);
    tarno_test::WriteFile(path, Triangles(4));
    EXPECT_TRUE(ShowsFaces(4));
}

TEST_F(LiveFileTest, AutomaticReloadKeepsCameraRotationAndFillModeButReloadDoesNot) {
    StartOn(2);
    view::CTarnoView& view = Frame().GetActiveView();
    view.OnZoomIn();
    view.OnLeft();
    const doc::CTarnoDoc& document = *theApp->GetDocument();
    ASSERT_EQ(document.m_pModelFrame->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER, 0.0F,
                                                  1.0F, 0.0F, 0.7F),
              rm::Result::Ok);
    const rm::Matrix4 turned = document.m_pModelFrame->LocalTransform();
    Frame().ToolButton(res::ID_WIREFRAME_MODEL)->click();
    const rm::D3DVECTOR camera = Camera();

    SaveByRename(path, Triangles(5));
    ASSERT_TRUE(ShowsFaces(5));
    EXPECT_EQ(Camera().x, camera.x);
    EXPECT_EQ(Camera().z, camera.z);
    EXPECT_EQ(document.m_pModelFrame->LocalTransform(), turned);
    EXPECT_FALSE(view.IsRenderModel());
    EXPECT_EQ(document.m_pMeshBuilder->GetQuality() & rm::D3DRMFILL_MASK, rm::D3DRMFILL_WIREFRAME);
    Frame().UpdateAllCommandUI();
    EXPECT_TRUE(Frame().ToolButton(res::ID_WIREFRAME_MODEL)->isChecked());
    EXPECT_FALSE(Frame().ToolButton(res::ID_RENDER_MODEL)->isChecked());

    // The Reload command keeps camera and rotation but shows the model solid again.
    Frame().Action(res::ID_RELOAD)->trigger();
    EXPECT_TRUE(view.IsRenderModel());
    EXPECT_EQ(document.m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_FLAT);
    EXPECT_EQ(Camera().x, camera.x);
    EXPECT_EQ(document.m_pModelFrame->LocalTransform(), turned);
    EXPECT_EQ(Reloads(), 1);
}

TEST_F(LiveFileTest, NoWatchLeavesTheFileAlone) {
    StartOn(2, {QStringLiteral("--no-watch")});
    EXPECT_FALSE(theApp->GetLiveFile()->Watching());
    EXPECT_FALSE(theApp->GetLiveFile()->Follower().IsFollowing());
    SaveInPlace(path, Triangles(3));
    QTest::qWait(5 * app::FileFollower::kQuietMs);
    EXPECT_EQ(Faces(), 2U);
    EXPECT_EQ(Reloads(), 0);
    // Reload still reads it, and still says what it made.
    Frame().Action(res::ID_RELOAD)->trigger();
    EXPECT_EQ(Faces(), 3U);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("model.api: 3 faces")))
        << Status().toStdString();
}

TEST_F(LiveFileTest, FileNewStopsFollowingAndAnotherOpenFollowsTheNewFile) {
    StartOn(2);
    Frame().Action(res::ID_FILE_NEW)->trigger();
    EXPECT_FALSE(theApp->GetLiveFile()->Follower().IsFollowing());
    SaveInPlace(path, Triangles(3));
    QTest::qWait(5 * app::FileFollower::kQuietMs);
    EXPECT_EQ(Reloads(), 0);

    const std::string second = settingsDir + "/second.api";
    tarno_test::WriteFile(second, Triangles(4));
    ASSERT_TRUE(theApp->OpenDocumentFile(QString::fromStdString(second)));
    EXPECT_EQ(theApp->GetLiveFile()->Follower().Path(), QString::fromStdString(second));
    SaveInPlace(path, Triangles(6));  // the first file no longer counts
    SaveInPlace(second, Triangles(7));
    EXPECT_TRUE(ShowsFaces(7));
    EXPECT_EQ(Reloads(), 1);
}

}  // namespace
