#include "app/headless/check_command.h"

#include <gtest/gtest.h>

#include "app/headless/check_report.h"
#include "tests/headless/command_run.h"
#include "tests/support/scratch.h"

namespace {

TEST(CheckReport, GroupsRepeatsAndSortsByLine) {
    app::CheckReport report;
    report.OnWarning(doc::LoadWarning::NotANumber, 7, "x");
    report.OnWarning(doc::LoadWarning::UndrawnCommand, 3, "RefPoint");
    report.OnWarning(doc::LoadWarning::UndrawnCommand, 9, "REFPOINT");
    report.OnWarning(doc::LoadWarning::UndrawnCommand, 5, "Return");
    report.OnWarning(doc::LoadWarning::AfterEnd, 20, "Poly");
    const std::vector<std::string> expected = {
        "f.api:3: warning: " + app::WarningText(doc::LoadWarning::UndrawnCommand, "RefPoint", 2),
        "f.api:5: warning: " + app::WarningText(doc::LoadWarning::UndrawnCommand, "Return", 1),
        "f.api:7: warning: " + app::WarningText(doc::LoadWarning::NotANumber, "x", 1),
        "f.api:20: warning: " + app::WarningText(doc::LoadWarning::AfterEnd, "Poly", 1),
    };
    EXPECT_EQ(report.Lines("f.api"), expected);
    EXPECT_EQ(report.WarningCount(), 4U);
    EXPECT_NE(expected[0].find("2 lines"), std::string::npos);
    EXPECT_NE(expected[1].find("1 line)"), std::string::npos);
}

TEST(CheckReport, ManyDistinctCommandsEachKeepTheirOwnCount) {
    // Groups found again after the list has grown many times over.
    app::CheckReport report;
    constexpr int kNames = 5000;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < kNames; ++i) {
            if (round == 2 && i % 2 == 1) continue;
            const std::string name = (round == 1 ? "cmd" : "CMD") + std::to_string(i);
            report.OnWarning(doc::LoadWarning::UndrawnCommand, round * kNames + i + 1, name);
        }
    }
    ASSERT_EQ(report.WarningCount(), static_cast<std::size_t>(kNames));
    const std::vector<std::string> lines = report.Lines("f.api");
    EXPECT_EQ(lines[0],
              "f.api:1: warning: " + app::WarningText(doc::LoadWarning::UndrawnCommand, "CMD0", 3));
    EXPECT_EQ(lines[1],
              "f.api:2: warning: " + app::WarningText(doc::LoadWarning::UndrawnCommand, "CMD1", 2));
}

TEST(CheckReport, SummaryCountsEverything) {
    doc::LoadSummary s;
    s.points = 4;
    s.faces = 1;
    s.strokes = 12;
    EXPECT_EQ(app::SummaryLine("a.api", s, 0), "a.api: 4 points, 1 face, 12 strokes, 0 warnings");
    s.points = 1;
    EXPECT_EQ(app::SummaryLine("a.api", s, 1), "a.api: 1 point, 1 face, 12 strokes, 1 warning");
}

TEST(CheckCommand, CleanFileExitsZeroWithOnlyTheSummary) {
    const std::string path = tarno_test::WriteTemp(
        "clean.api",
        "; a clean file\r\nSurfaceColor ( 05 0 )\r\nPoints ( 0\r\n 0 0 0 9 0 0 0 9 0\r\n)\r\n"
        "Poly ( A 0 1 2 )\r\nLineColor ( 04 0 )\r\nMoveTo ( 0 0 0 )\r\nDrawTo ( 1 0 0 2 0 0 )\r\n"
        "EndA\r\n");
    const auto r = tarno_test::Run({"--check", path});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, path + ": 3 points, 1 face, 2 strokes, 0 warnings\n");
    EXPECT_TRUE(r.err.empty());
}

TEST(CheckCommand, OneOfEachWarningWithItsLine) {
    const std::string path = tarno_test::WriteTemp("each.api",
                                                   "; one of each warning\r\n"     // 1
                                                   "RefPoint( rel :ret 1 2 )\r\n"  // 2
                                                   "refpoint( abs :ret 3 4 )\r\n"  // 3
                                                   "Points ( 0 1 2 x 4 5 6 7 8 9 )\r\n"
                                                   "Points ( 4096 1 2 3 )\r\n"  // 5
                                                   "Poly ( A 0 1 7 )\r\n"       // 6
                                                   "Poly ( A 0 1 )\r\n"         // 7
                                                   "LineColor ( 5 0\r\n"        // 8
                                                   "\r\n"                       // 9
                                                   "EndA\r\n"                   // 10
                                                   "Poly ( A 0 1 2 )\r\n");     // 11
    const auto r = tarno_test::Run({"--check", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.empty());
    const std::string& p = path;
    EXPECT_EQ(
        r.out,
        p + ":2: warning: command \"RefPoint\" is not drawn by the viewer (2 lines)\n" + p +
            ":4: warning: \"x\" is not a number; read as 0\n" + p +
            ":5: warning: out of bounds, ignored: point 4096\n" + p +
            ":6: warning: index 7 names a point that no block of this file wrote\n" + p +
            ":7: warning: polygon with fewer than 3 vertices dropped (POLY, 2 vertices)\n" + p +
            ":8: warning: block not closed by \")\": LINECOLOR ended by the empty line 9\n" + p +
            ":11: warning: lines after \"ENDA\" are not read (the first begins \"Poly\")\n" + p +
            ": 3 points, 1 face, 0 strokes, 7 warnings\n");
}

TEST(CheckCommand, BlockEndedByTheEndOfTheFile) {
    const std::string path =
        tarno_test::WriteTemp("open-end.api", "Points ( 0 1 2 3 )\nPoly ( A 0 0 0 0 0");
    const auto r = tarno_test::Run({"--check", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find(path + ":2: warning: block not closed by \")\": POLY ended by the end "
                                "of the file\n"),
              std::string::npos)
        << r.out;
}

TEST(CheckCommand, UnreadableFileExitsTwo) {
    for (const std::string& path :
         {tarno_test::TempPath("nothing-here.api"), tarno_test::TempPath("")}) {
        const auto r = tarno_test::Run({"--check", path});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

}  // namespace
