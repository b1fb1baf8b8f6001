// The headless commands given paths and files nobody should give them: each answers with
// one line naming the file once, and the exit code says which kind of failure it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/headless/command_line.h"
#include "platform/image/png_writer.h"
#include "tests/headless/command_run.h"
#include "tests/support/scratch.h"

namespace {

constexpr const char* kSquare =
    "SurfaceColor ( 05 0 )\r\nPoints ( 0 -20 -20 -10 20 -20 -10 20 20 -10 -20 20 -10 )\r\n"
    "Poly ( A 0 1 2 3 )\r\nEndA\r\n";

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

void ExpectOneLineNaming(const tarno_test::CommandResult& r, const std::string& path) {
    EXPECT_EQ(r.err.rfind("tarno: " + path + ": ", 0), 0U) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(Occurrences(r.err, path), 1U) << r.err;
}

TEST(HeadlessBadInput, OnlyRegularFilesAreReadByEveryCommand) {
    const std::string png = tarno_test::TempPath("out.png");
    const std::string obj = tarno_test::TempPath("out.obj");
    for (const std::string& input : tarno_test::PathsThatAreNoFiles()) {
        const std::vector<std::vector<std::string>> commands = {
            {"--render", input, "--output", png},
            {"--export", input, obj},
            {"--check", input},
        };
        for (const auto& args : commands) {
            const auto r = tarno_test::Run(args);
            EXPECT_EQ(r.exitCode, 2) << args[0] << " " << input;
            ExpectOneLineNaming(r, input);
            EXPECT_NE(r.err.find("not a file"), std::string::npos) << r.err;
            EXPECT_TRUE(r.out.empty());
        }
        EXPECT_FALSE(std::filesystem::exists(png));
        EXPECT_FALSE(std::filesystem::exists(obj));
    }
}

TEST(HeadlessBadInput, AMissingFileIsNamedOnceAsGiven) {
    const std::string relative = "no-such-folder-here/missing.api";
    const auto r = tarno_test::Run({"--check", relative});
    EXPECT_EQ(r.exitCode, 2);
    ExpectOneLineNaming(r, relative);
    EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
}

TEST(HeadlessBadInput, SizesBeyondTheRendererAreRefusedBeforeLoading) {
    const std::string input = tarno_test::WriteTemp("square.api", kSquare);
    const std::string output = tarno_test::TempPath("big.png");
    for (const char* size : {"8193x100", "100x8193", "16384x16384", "7x100"}) {
        const auto r = tarno_test::Run({"--render", input, "--output", output, "--size", size});
        EXPECT_EQ(r.exitCode, 2) << size;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find("8192"), std::string::npos) << r.err;
    }
    // The limits themselves parse, and the help names the same largest side.
    EXPECT_TRUE(std::holds_alternative<app::RenderRequest>(*app::ParseCommandLine(
        {"tarno", "--render", "a.api", "--output", "a.png", "--size", "8192x8"})));
    EXPECT_NE(app::UsageText().find("8 to " + std::to_string(app::kMaxRenderSide)),
              std::string::npos);
    EXPECT_EQ(app::UsageText().find("16384"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST(HeadlessBadInput, OutputMustBeAPngOrStandardOutput) {
    const std::string input = tarno_test::WriteTemp("square.api", kSquare);
    for (const std::string name : {"picture.jpg", "picture.png.txt", "picture.pngx", "a.b/c.gif"}) {
        const auto r = tarno_test::Run({"--render", input, "--output", name});
        EXPECT_EQ(r.exitCode, 2) << name;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find(".png"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(name));
    }
    // No extension at all promises no other format: the PNG goes there.
    const std::string bare = tarno_test::TempPath("picture");
    EXPECT_EQ(tarno_test::Run({"--render", input, "--output", bare, "--size", "16x16"}).exitCode,
              0);
    EXPECT_EQ(tarno_test::ReadWhole(bare).rfind("\x89PNG", 0), 0U);
    const std::string upper = tarno_test::TempPath("PICTURE.PNG");
    EXPECT_EQ(tarno_test::Run({"--render", input, "--output", upper, "--size", "16x16"}).exitCode,
              0);
    EXPECT_TRUE(std::filesystem::exists(upper));

    // "-" is standard output: the same PNG bytes the file got.
    const auto r = tarno_test::Run({"--render", input, "--output", "-", "--size", "16x16"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    EXPECT_FALSE(std::filesystem::exists("-"));
    EXPECT_EQ(r.out, tarno_test::ReadWhole(upper));
    EXPECT_EQ(r.out.rfind("\x89PNG\r\n\x1A\n", 0), 0U);
}

TEST(HeadlessBadInput, AnUnwritableOutputIsNamedOnce) {
    const std::string input = tarno_test::WriteTemp("square.api", kSquare);
    const std::string output = tarno_test::TempPath("no-dir/x/out.png");
    const auto r = tarno_test::Run({"--render", input, "--output", output, "--size", "16x16"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(Occurrences(r.err, output), 1U) << r.err;
}

TEST(HeadlessBadInput, NeverWritesOverAPngNamedInput) {
    const std::string input = tarno_test::WriteTemp("model.png", kSquare);
    const auto r = tarno_test::Run({"--render", input, "--output", input});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("refusing"), std::string::npos) << r.err;
    EXPECT_EQ(tarno_test::ReadWhole(input), kSquare);
}

// --check says why an unusable file is unusable, with exit 1.
TEST(HeadlessBadInput, CheckExplainsUnusableFiles) {
    const std::string square(kSquare);
    const struct {
        const char* name;
        std::string bytes;
        std::string says;
    } cases[] = {
        {"nul.api", square + "Poly ( A 0 1 2 )\r\n" + std::string(3, '\0') + "\r\n",
         ":6: error: binary content"},
        {"utf16le.api", std::string("\xFF\xFEP\0O\0L\0Y\0", 10), ":1: error: the file is UTF-16"},
        {"utf16be.api", std::string("\xFE\xFF\0P", 4), ":1: error: the file is UTF-16 (big"},
        {"utf32le.api", std::string("\xFF\xFE\0\0P\0\0\0", 8), ":1: error: the file is UTF-32"},
        {"cr.api", "Points ( 0 1 1 1 2 2 2 3 3 3 )\rPoly ( A 0 1 2 )\r",
         ":1: error: line ends of CR alone"},
        {"empty.api", "", ": warning: the file draws nothing"},
        {"remarks.api", "; only a remark\r\nEndA\r\n", ": warning: the file draws nothing"},
        {"misspelt.api", "SURFACECOLR ( 5 0 )\r\n" + square,
         ":1: warning: \"SURFACECOLR\" is no keyword: likely a misspelling of \"SURFACECOLOR\""},
    };
    for (const auto& c : cases) {
        const std::string path = tarno_test::WriteTemp(c.name, c.bytes);
        const auto r = tarno_test::Run({"--check", path});
        EXPECT_EQ(r.exitCode, 1) << c.name << "\n" << r.out;
        EXPECT_NE(r.out.find(path + c.says), std::string::npos) << c.name << "\n" << r.out;
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
    // A misspelt keyword is not also reported as a command of another kind, and a file
    // with CR LF line ends and a 0x1A end mark followed by anything is fine.
    const auto misspelt = tarno_test::Run({"--check", tarno_test::TempPath("misspelt.api")});
    EXPECT_EQ(misspelt.out.find("is not drawn"), std::string::npos) << misspelt.out;
    const std::string clean =
        tarno_test::WriteTemp("clean.api", square + std::string("\x1A\0\0\xFF\xFE\r", 6));
    const auto r = tarno_test::Run({"--check", clean});
    EXPECT_EQ(r.exitCode, 0) << r.out;
}

}  // namespace
