#include "app/headless/command_line.h"

#include <gtest/gtest.h>

#include "app/headless/exit_code.h"
#include "tests/headless/command_run.h"

namespace {

using app::ParseCommandLine;

std::optional<app::HeadlessRequest> Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "tarno");
    return ParseCommandLine(args);
}

// A copy: the parsed request is a temporary.
template <typename T>
T As(const std::optional<app::HeadlessRequest>& r) {
    if (!r || !std::holds_alternative<T>(*r)) {
        ADD_FAILURE() << "unexpected kind of request";
        return T{};
    }
    return std::get<T>(*r);
}

std::string ErrorOf(std::vector<std::string> args) {
    return As<app::UsageError>(Parse(std::move(args))).message;
}

TEST(CommandLine, WindowArgumentsAreLeftToTheWindow) {
    EXPECT_FALSE(Parse({}));
    EXPECT_FALSE(Parse({"house.api"}));
    // The window's own switches have a single dash or a slash.
    EXPECT_FALSE(Parse({"/p", "house.api"}));
    EXPECT_FALSE(Parse({"-unregister"}));
}

TEST(CommandLine, RenderTakesItsFilesAndOptionsInAnyOrder) {
    const auto r = As<app::RenderRequest>(
        Parse({"--render", "--size", "320x200", "in.api", "--wireframe", "--output=out.png",
               "--camera", "-10,0.5,-200", "--turn", "0,1,0,3.14159"}));
    EXPECT_EQ(r.input, "in.api");
    EXPECT_EQ(r.output, "out.png");
    EXPECT_EQ(r.width, 320);
    EXPECT_EQ(r.height, 200);
    EXPECT_TRUE(r.wireframe);
    ASSERT_TRUE(r.camera);
    EXPECT_FLOAT_EQ(r.camera->x, -10.0F);
    EXPECT_FLOAT_EQ(r.camera->y, 0.5F);
    EXPECT_FLOAT_EQ(r.camera->z, -200.0F);
    ASSERT_TRUE(r.turn);
    EXPECT_FLOAT_EQ(r.turn->axis.y, 1.0F);
    EXPECT_FLOAT_EQ(r.turn->radians, 3.14159F);
}

TEST(CommandLine, RenderDefaultsAreTheWindowsView) {
    const auto r = As<app::RenderRequest>(Parse({"--render", "a.api", "--output", "b.png"}));
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.height, 480);
    EXPECT_FALSE(r.wireframe);
    EXPECT_FALSE(r.camera);
    EXPECT_FALSE(r.turn);
}

TEST(CommandLine, RenderTakesASquareSizeAndFit) {
    const auto r = As<app::RenderRequest>(
        Parse({"--render", "in.api", "--size", "128", "--fit", "--output", "t.png"}));
    EXPECT_EQ(r.width, 128);
    EXPECT_EQ(r.height, 128);
    EXPECT_TRUE(r.fit);
    EXPECT_FALSE(As<app::RenderRequest>(Parse({"--render", "a.api", "--output", "b.png"})).fit);
    const auto edge = As<app::RenderRequest>(Parse({"--render", "a", "--output=b", "--size=8"}));
    EXPECT_EQ(edge.width, 8);
    EXPECT_EQ(edge.height, 8);
}

TEST(CommandLine, DoubleDashEndsTheOptions) {
    const auto& r =
        As<app::RenderRequest>(Parse({"--render", "--output", "o.png", "--", "--odd.api"}));
    EXPECT_EQ(r.input, "--odd.api");
}

TEST(CommandLine, ExportAndCheckTakeTheirFiles) {
    const auto e = As<app::ExportRequest>(Parse({"--export", "in.api", "out.obj"}));
    EXPECT_EQ(e.input, "in.api");
    EXPECT_EQ(e.output, "out.obj");
    EXPECT_EQ(As<app::CheckRequest>(Parse({"--check", "in.api"})).input, "in.api");
    EXPECT_TRUE(std::holds_alternative<app::HelpRequest>(*Parse({"--help"})));
    EXPECT_TRUE(std::holds_alternative<app::HelpRequest>(*Parse({"-h"})));
    EXPECT_TRUE(std::holds_alternative<app::VersionRequest>(*Parse({"--version"})));
}

TEST(CommandLine, MistakesAreNamedInOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {"--render", "in.api"},                               // no output
        {"--render", "--output", "o.png"},                    // no input
        {"--render", "a.api", "b.api", "--output", "o.png"},  // two inputs
        {"--render", "a.api", "--output"},                    // missing value
        {"--render", "a.api", "--output", "o.png", "--size", "7x480"},
        {"--render", "a.api", "--output", "o.png", "--size", "640x16385"},
        {"--render", "a.api", "--output", "o.png", "--size", "640x"},
        {"--render", "a.api", "--output", "o.png", "--size", "7"},
        {"--render", "a.api", "--output", "o.png", "--size", "16385"},
        {"--render", "a.api", "--output", "o.png", "--fit=yes"},
        {"--render", "a.api", "--output", "o.png", "--size", "64ax48"},
        {"--render", "a.api", "--output", "o.png", "--camera", "1,2"},
        {"--render", "a.api", "--output", "o.png", "--camera", "1,2,3,4"},
        {"--render", "a.api", "--output", "o.png", "--camera", "1,nan,3"},
        {"--render", "a.api", "--output", "o.png", "--turn", "0,1,0"},
        {"--render", "a.api", "--output", "o.png", "--turn", "0,1,0,x"},
        {"--render", "a.api", "--output", "o.png", "--zoom", "2"},
        {"--render", "a.api", "--output", "o.png", "--wireframe=yes"},
        {"--export", "in.api"},
        {"--export", "in.api", "a.obj", "b.obj"},
        {"--export", "in.api", "out.obj", "--size", "10x10"},
        {"--check"},
        {"--check", "a.api", "b.api"},
        {"--version", "extra"},
        {"--bogus"},
        {"in.api", "--render"},
        {"in.api", "--wireframe"},
    };
    for (const auto& args : bad) {
        const std::string message = ErrorOf(args);
        EXPECT_EQ(message.rfind("tarno: ", 0), 0U) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    EXPECT_NE(ErrorOf({"--bogus"}).find("--bogus"), std::string::npos);
    EXPECT_NE(ErrorOf({"in.api", "--wireframe"}).find("--render"), std::string::npos);
}

TEST(HeadlessMain, HelpNamesEveryFormAndVersionIsTheProducts) {
    const auto help = tarno_test::Run({"--help"});
    EXPECT_TRUE(help.handled);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* form : {"--render", "--output", "--size", "--wireframe", "--camera", "--turn",
                             "--export", "--check", "--help", "--version"}) {
        EXPECT_NE(help.out.find(form), std::string::npos) << form;
    }
    const auto version = tarno_test::Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "tarno " TARNO_VERSION "\n");
    EXPECT_EQ(version.out, "tarno 1.0.0.5\n");
}

TEST(HeadlessMain, BadOptionGivesOneLineOnStderrAndExitTwo) {
    const auto r = tarno_test::Run({"--render", "x.api"});
    EXPECT_TRUE(r.handled);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.empty());
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
}

// The help's "Exit status" paragraph is what scripts go by: it must name the codes the
// commands return, each once, in the order 0, 1, 2.
TEST(HeadlessMain, HelpListsTheExitCodesTheCommandsReturn) {
    const std::string help = app::UsageText();
    const std::size_t at = help.find("Exit status: ");
    ASSERT_NE(at, std::string::npos) << help;
    const std::string status = help.substr(at);
    const std::size_t done = status.find(std::to_string(app::kExitDone) + " done");
    const std::size_t found =
        status.find("; " + std::to_string(app::kExitFound) + " --check found warnings");
    const std::size_t bad = status.find("; " + std::to_string(app::kExitBadRequest) +
                                        " bad command line or\nunreadable input");
    EXPECT_NE(done, std::string::npos) << status;
    EXPECT_NE(found, std::string::npos) << status;
    EXPECT_NE(bad, std::string::npos) << status;
    EXPECT_LT(done, found);
    EXPECT_LT(found, bad);
    // A file the output could not be written to shares the code of a finding.
    EXPECT_EQ(app::kExitOutputFailed, app::kExitFound);
    EXPECT_NE(status.find("or an output could not be written"), std::string::npos) << status;
}

TEST(HeadlessMain, WindowArgumentsStartNoCommand) {
    const auto r = tarno_test::Run({"examples/house.api"});
    EXPECT_FALSE(r.handled);
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(r.err.empty());
}

}  // namespace
