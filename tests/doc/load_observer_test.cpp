#include <string>

#include "tests/support/loader_test_support.h"

namespace {

using doc::LoadWarning;
using doc_test::LoaderTest;
using doc_test::RecordingObserver;

class LoadObserverTest : public LoaderTest {
protected:
    RecordingObserver Observe(const std::string& text) {
        RecordingObserver observer;
        EXPECT_TRUE(Load(text, &observer));
        return observer;
    }
};

TEST_F(LoadObserverTest, CommandsThatDrawNothingEachOccurrence) {
    const auto seen = Observe(
        "Area( 5 1 2 3 )\n"         // 1
        ":start\n"                  // 2: a label
        "  RefPoint (rel 1)\n"      // 3
        "Return\n"                  // 4
        "0 0 0\n"                   // 5
        "AutoPoints ( 0 1 2 3 )\n"  // 6
        "area(1)\n"                 // 7
        "mifend\n");                // 8
    const auto undrawn = seen.Of(LoadWarning::UndrawnCommand);
    ASSERT_EQ(undrawn.size(), 6U);
    EXPECT_EQ(undrawn[0].line, 1);
    EXPECT_EQ(undrawn[0].text, "Area");
    EXPECT_EQ(undrawn[1].line, 3);
    EXPECT_EQ(undrawn[1].text, "RefPoint");
    EXPECT_EQ(undrawn[2].line, 4);
    EXPECT_EQ(undrawn[3].text, "AutoPoints");
    EXPECT_EQ(undrawn[4].line, 7);
    EXPECT_EQ(undrawn[5].line, 8);
}

TEST_F(LoadObserverTest, ValuesThatAreNotNumbers) {
    const auto seen = Observe(
        "POINTS ( 0\n 1 %2 12.7\n)\nSURFACECOLOR ( G 0 )\n"
        "MOVETO ( 1 2 )\n)\n");
    const auto nan = seen.Of(LoadWarning::NotANumber);
    ASSERT_EQ(nan.size(), 3U);
    EXPECT_EQ(nan[0].text, "%2");
    EXPECT_EQ(nan[0].line, 2);
    EXPECT_EQ(nan[1].text, "G");
    EXPECT_EQ(nan[1].line, 4);
    EXPECT_EQ(nan[2].text, ")");  // the z of MOVETO ( 1 2 ) is its ")"
    EXPECT_EQ(nan[2].line, 5);
}

TEST_F(LoadObserverTest, IndicesOfPointsNoBlockWrote) {
    const auto seen = Observe(
        "POINTS ( 5 1 1 1 2 2 2 )\nPOLY ( AI 5 6 7 )\n"
        "POINTS ( 0 1 1 1 )\nDRAWTOPT ( 0 5 )\n");
    const auto unwritten = seen.Of(LoadWarning::UnwrittenPoint);
    ASSERT_EQ(unwritten.size(), 2U);
    EXPECT_EQ(unwritten[0].text, "7");
    EXPECT_EQ(unwritten[0].line, 2);
    // The clear of the block at 0 wiped point 5.
    EXPECT_EQ(unwritten[1].text, "5");
    EXPECT_EQ(unwritten[1].line, 4);
}

TEST_F(LoadObserverTest, ValuesOutOfBounds) {
    std::string path = "MOVETO (";
    for (int i = 0; i < 4100; ++i) path += " 1 2 3";
    const auto seen = Observe("POINTS ( 4095 1 1 1 2 2 2 )\nPOLY ( AI 0 4096 1 2 )\n" + path +
                              "\n)\nMOVETOPT ( -1 )\n");
    const auto out = seen.Of(LoadWarning::OutOfBounds);
    ASSERT_GE(out.size(), 4U);
    EXPECT_EQ(out[0].line, 1);
    EXPECT_EQ(out[1].text, "4096");
    EXPECT_EQ(out[1].line, 2);
    // A long line loses its tokens past the array, reported once for the line.
    EXPECT_EQ(out[2].line, 3);
    EXPECT_EQ(out.back().text, "-1");
    EXPECT_EQ(out.back().line, 5);
}

TEST_F(LoadObserverTest, ShortPolygonsAndUnclosedBlocks) {
    const auto seen = Observe(
        "POINTS ( 0 0 0 0 0 10 0 10 0 0 )\n"
        "POLY ( A 0 1 )\n"      // 2
        "POLY ( A 0 1 2\n"      // 3
        "\n"                    // 4 ends it
        "SURFACECOLOR ( 5 0\n"  // 5, runs to the end of the file
        "  ; remark\n");
    const auto shortOnes = seen.Of(LoadWarning::ShortPolygon);
    ASSERT_EQ(shortOnes.size(), 1U);
    EXPECT_EQ(shortOnes[0].line, 2);
    const auto open = seen.Of(LoadWarning::BlockNotClosed);
    ASSERT_EQ(open.size(), 2U);
    EXPECT_EQ(open[0].line, 3);
    EXPECT_NE(open[0].text.find("empty line 4"), std::string::npos) << open[0].text;
    EXPECT_EQ(open[1].line, 5);
    EXPECT_NE(open[1].text.find("end of the file"), std::string::npos) << open[1].text;
    EXPECT_EQ(FaceCount(), 1U);
}

TEST_F(LoadObserverTest, LinesAfterEndaOnce) {
    auto seen = Observe("ENDA\n; remark\n\nPOLY ( A 0 1 2 )\nmore\n");
    const auto after = seen.Of(LoadWarning::AfterEnd);
    ASSERT_EQ(after.size(), 1U);
    EXPECT_EQ(after[0].line, 4);
    seen = Observe("EndA\n; only remarks after the end\n\n");
    EXPECT_TRUE(seen.Of(LoadWarning::AfterEnd).empty());
}

TEST_F(LoadObserverTest, LineNumbersCountEveryLineEnd) {
    const auto seen = Observe("\r\n\n; x\r\nPOINTS (\n0\r\n1 2 %\n)\r\n");
    const auto nan = seen.Of(LoadWarning::NotANumber);
    ASSERT_EQ(nan.size(), 1U);
    EXPECT_EQ(nan[0].line, 6);
}

TEST_F(LoadObserverTest, CleanFileGivesNoWarningsAndASummary) {
    const auto seen = Observe(
        "POINTS ( 0 0 0 0 0 10 0 10 0 0 )\nPOLY ( A 0 1 2 )\n"
        "MOVETO ( 0 0 0 )\nDRAWTO ( 1 0 0 2 0 0 )\nENDA\n");
    EXPECT_TRUE(seen.warnings.empty());
    EXPECT_EQ(m_doc->LastLoadSummary().points, 3U);
    EXPECT_EQ(m_doc->LastLoadSummary().faces, 1U);
    EXPECT_EQ(m_doc->LastLoadSummary().strokes, 2U);
}

TEST_F(LoadObserverTest, ObservingChangesNothingLoaded) {
    const std::string text =
        "Area( 1 )\nPOINTS ( 0 0 0 0 0 10 %1 10 0 0 )\nPOLY ( A 0 1 2 9 )\n"
        "MOVETOPT ( 0 1 )\nDRAWTOPT ( 2\n\nENDA\nPOLY ( A 0 1 2 )\n";
    ASSERT_TRUE(Load(text, nullptr, "_plain"));
    const auto plain = Mesh().positions;
    RecordingObserver observer;
    ASSERT_TRUE(Load(text, &observer, "_observed"));
    EXPECT_EQ(Mesh().positions, plain);
    EXPECT_FALSE(observer.warnings.empty());
}

}  // namespace
