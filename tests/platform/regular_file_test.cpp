#include "platform/io/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/io/text_file.h"
#include "tests/support/scratch.h"

namespace {

std::string Scratch(const std::string& name) {
    const std::string path = tarno_test::TempPath(name);
    std::filesystem::remove(path);
    return path;
}

TEST(RegularFile, RegularFilesAndLinksToThemPass) {
    const std::string path = Scratch("plain.api");
    std::ofstream(path) << "POLY ( A 0 1 2 )\r\n";
    EXPECT_EQ(rm::RegularFileProblem(path), "");
    const std::string link = Scratch("link.api");
    std::filesystem::create_symlink(path, link);
    EXPECT_EQ(rm::RegularFileProblem(link), "");
    std::string problem = "stale";
    const int fd = rm::OpenRegularFile(link, problem);
    ASSERT_GE(fd, 0) << problem;
    EXPECT_EQ(problem, "");
    // The descriptor blocks again, as reads of a regular file expect.
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    char c = 0;
    EXPECT_EQ(::read(fd, &c, 1), 1);
    EXPECT_EQ(c, 'P');
    ::close(fd);
}

// Each of these must be refused at once with a one-line reason that does not name it:
// opening a pipe with no writer, or reading a device, would hang or never end.
TEST(RegularFile, EverythingElseIsRefusedWithoutBlocking) {
    const std::string pipe = Scratch("pipe.api");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string folder = Scratch("folder.api");
    std::filesystem::create_directory(folder);
    const std::string dangling = Scratch("dangling.api");
    std::filesystem::create_symlink(Scratch("nowhere"), dangling);
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {pipe, "a named pipe, not a file"},
        {folder, "a folder, not a file"},
        {"/dev/zero", "a device, not a file"},
        {"/dev/null", "a device, not a file"},
        {Scratch("missing.api"), "No such file or directory"},
        {dangling, "No such file or directory"},
        {"", "no file name"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rm::RegularFileProblem(c.path), c.reason) << c.path;
        std::string problem;
        EXPECT_EQ(rm::OpenRegularFile(c.path, problem), -1) << c.path;
        EXPECT_EQ(problem, c.reason) << c.path;
        rm::TextFile file;
        EXPECT_FALSE(file.OpenRegular(c.path)) << c.path;
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.Error(), c.reason);
        EXPECT_EQ(file.Error().find('\n'), std::string::npos);
    }
}

TEST(RegularFile, DescriptorsAreJudgedByWhatTheyAre) {
    const std::string path = Scratch("fd.api");
    std::ofstream(path) << "x";
    const int file = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(file, 0);
    EXPECT_EQ(rm::RegularFileProblem(file), "");
    ::close(file);
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_EQ(rm::RegularFileProblem(ends[0]), "a named pipe, not a file");
    ::close(ends[0]);
    ::close(ends[1]);
    EXPECT_FALSE(rm::RegularFileProblem(-1).empty());
}

}  // namespace
