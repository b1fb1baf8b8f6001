// The file follower on its own: when it says a file changed, and when it stays silent.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/file_follower.h"
#include "tests/app/app_test_support.h"
#include "tests/support/qt_app.h"

namespace {

namespace fs = std::filesystem;

class FollowerTest : public ::testing::Test {
protected:
    void SetUp() override {
        tarno_test::EnsureQtApp();
        dir =
            tarno_test::ScratchDir(std::string("follower-") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        path = dir + "/f.api";
        tarno_test::WriteFile(path, "one");
    }
    QString Path() const { return QString::fromStdString(path); }

    std::string dir;
    std::string path;
    app::FileFollower follower;
};

TEST_F(FollowerTest, AWriteDuringTheLoadIsReadAgainWithoutAnotherEvent) {
    // The stamp taken before the read, then a write before the follow begins: what was
    // loaded may be half of each, so the file is read again once it is quiet.
    const rm::FileStamp before = rm::StampOf(path);
    tarno_test::WriteFile(path, "two, longer");
    QSignalSpy changed(&follower, &app::FileFollower::Changed);
    follower.Follow(Path(), before);
    EXPECT_TRUE(changed.wait(2000));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(FollowerTest, AFollowedFileThatDoesNotChangeIsNeverReported) {
    QSignalSpy changed(&follower, &app::FileFollower::Changed);
    QSignalSpy gone(&follower, &app::FileFollower::Gone);
    follower.Follow(Path(), rm::StampOf(path));
    // Reading it and touching its folder are not changes.
    std::ifstream(path).get();
    tarno_test::WriteFile(dir + "/neighbour.api", "x");
    fs::remove(dir + "/neighbour.api");
    QTest::qWait(4 * app::FileFollower::kQuietMs);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(gone.count(), 0);
}

TEST_F(FollowerTest, GoneIsSaidOnceAndTheReturnIsAChange) {
    QSignalSpy changed(&follower, &app::FileFollower::Changed);
    QSignalSpy gone(&follower, &app::FileFollower::Gone);
    follower.Follow(Path(), rm::StampOf(path));
    fs::remove(path);
    ASSERT_TRUE(gone.wait(2000));
    tarno_test::WriteFile(dir + "/neighbour.api", "x");  // more events while it is gone
    QTest::qWait(4 * app::FileFollower::kQuietMs);
    EXPECT_EQ(gone.count(), 1);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(follower.IsWatchingFile());
    EXPECT_TRUE(follower.IsWatchingFolder());

    tarno_test::WriteFile(path, "one");  // even the same bytes: it was gone
    ASSERT_TRUE(changed.wait(2000));
    EXPECT_TRUE(follower.IsWatchingFile());
}

TEST_F(FollowerTest, StopEndsAllWatching) {
    QSignalSpy changed(&follower, &app::FileFollower::Changed);
    follower.Follow(Path(), rm::StampOf(path));
    follower.Stop();
    EXPECT_FALSE(follower.IsFollowing());
    EXPECT_FALSE(follower.IsWatchingFile());
    EXPECT_FALSE(follower.IsWatchingFolder());
    tarno_test::WriteFile(path, "two");
    QTest::qWait(4 * app::FileFollower::kQuietMs);
    EXPECT_EQ(changed.count(), 0);
}

TEST(FileStamp, TellsKindsAndReplacedFilesApart) {
    const std::string dir = tarno_test::ScratchDir("stamp");
    const std::string file = dir + "/a";
    EXPECT_FALSE(rm::StampOf(file).Exists());
    EXPECT_FALSE(rm::StampOf("").Exists());
    tarno_test::WriteFile(file, "abc");
    const rm::FileStamp first = rm::StampOf(file);
    EXPECT_TRUE(first.IsRegular());
    EXPECT_EQ(first.size, 3);
    EXPECT_EQ(rm::StampOf(dir).kind, rm::FileStamp::Kind::Directory);

    // Same size, renamed over: another file, another stamp.
    tarno_test::WriteFile(dir + "/b", "xyz");
    fs::rename(dir + "/b", file);
    const rm::FileStamp second = rm::StampOf(file);
    EXPECT_FALSE(second.SameFile(first));
    EXPECT_NE(second, first);
}

}  // namespace
