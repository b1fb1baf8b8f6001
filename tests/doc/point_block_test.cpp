#include <array>
#include <random>
#include <string>
#include <vector>

#include "tests/support/loader_test_support.h"

namespace {

using doc_test::IsPoint;
using doc_test::LoaderTest;
using doc_test::RecordingObserver;

class PointBlock : public LoaderTest {};

TEST_F(PointBlock, StartIndexZeroClearsTheTableThenStores) {
    ASSERT_TRUE(Load("POINTS ( 0 1 2 3 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 2, 3));
    EXPECT_TRUE(IsPoint(Point(1), 0, 0, 0));
    EXPECT_TRUE(IsPoint(Point(4095), 0, 0, 0));
}

TEST_F(PointBlock, OtherStartIndexLeavesUnwrittenEntriesAtMinusOne) {
    ASSERT_TRUE(Load("POINTS ( 5 1 2 3 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(5), 1, 2, 3));
    EXPECT_TRUE(IsPoint(Point(0), -1, -1, -1));
    EXPECT_TRUE(IsPoint(Point(4), -1, -1, -1));
    EXPECT_TRUE(IsPoint(Point(6), -1, -1, -1));
    EXPECT_TRUE(IsPoint(Point(4095), -1, -1, -1));
}

TEST_F(PointBlock, LaterClearWipesEarlierBlocks) {
    ASSERT_TRUE(Load("POINTS ( 10 7 7 7 8 8 8 )\r\nPOINTS ( 0 1 1 1 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 1, 1));
    EXPECT_TRUE(IsPoint(Point(10), 0, 0, 0));
    EXPECT_TRUE(IsPoint(Point(11), 0, 0, 0));
}

TEST_F(PointBlock, SixValuesPerPointSkipThreeOnTheSameLine) {
    ASSERT_TRUE(Load("VECPOINTS ( 0 1 2 3 4 5 6 7 8 9 10 11 12 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 2, 3));
    EXPECT_TRUE(IsPoint(Point(1), 7, 8, 9));
    EXPECT_TRUE(IsPoint(Point(2), 0, 0, 0));
    ASSERT_TRUE(Load("VECTORPOINTS ( 0 1 2 3 4 5 6 7 8 9 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(1), 7, 8, 9));
}

TEST_F(PointBlock, SkipEndsWithItsLine) {
    ASSERT_TRUE(Load("VECPOINTS ( 0 1 2 3\r\n4 5 6 7 8 9\r\n)\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 2, 3));
    EXPECT_TRUE(IsPoint(Point(1), 4, 5, 6));
    EXPECT_TRUE(IsPoint(Point(2), 0, 0, 0));
    // The skipped tokens are not looked at: a ")" among them does not end the block.
    ASSERT_TRUE(Load("VECPOINTS ( 0 1 2 3 )\r\n4 5 6\r\n)\r\n"));
    EXPECT_TRUE(IsPoint(Point(1), 4, 5, 6));
}

TEST_F(PointBlock, OptionWordsChooseValuesPerPoint) {
    ASSERT_TRUE(Load("POINTS ( A 0 1 2 3 4 5 6 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(1), 4, 5, 6));
    ASSERT_TRUE(Load("POINTS ( X 0 1 2 3 4 5 6 7 8 9 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 2, 3));
    EXPECT_TRUE(IsPoint(Point(1), 7, 8, 9));
    // The last option word decides; letter case does not matter.
    ASSERT_TRUE(Load("VECPOINTS ( x abc 0 1 2 3 4 5 6 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(1), 4, 5, 6));
    ASSERT_TRUE(Load("POINTS ( a Q 0 1 2 3 4 5 6 7 8 9 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(1), 7, 8, 9));
}

TEST_F(PointBlock, StoresAreImmediate) {
    ASSERT_TRUE(Load("POINTS ( 4 9 9 9 )\r\nPOINTS ( 4 1 2 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(4), 1, 2, 9));
    ASSERT_TRUE(Load("POINTS ( 0 1 2 3 4 5 6 7\r\n"));
    EXPECT_TRUE(IsPoint(Point(1), 4, 5, 6));
    EXPECT_TRUE(IsPoint(Point(2), 7, 0, 0));
}

TEST_F(PointBlock, EndaClosesOnlyTheBlock) {
    ASSERT_TRUE(Load("POINTS ( 0 1 2 3 ENDA 4 5 6\r\nPOINTS ( 1 7 8 9 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 2, 3));
    EXPECT_TRUE(IsPoint(Point(1), 7, 8, 9));
}

TEST_F(PointBlock, BlankLinesAndRemarksArePassedOver) {
    ASSERT_TRUE(Load("POINTS (\r\n\r\n   \r\n; remark\r\n0 1 2 3 ; point 0\r\n\r\n4 5 6 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 2, 3));
    EXPECT_TRUE(IsPoint(Point(1), 4, 5, 6));
}

TEST_F(PointBlock, ValuesSpanLinesAndFractionsAreDropped) {
    ASSERT_TRUE(Load("Points( 0\r\n  12.7\r\n -3x\r\n +4 POLY\r\n 1 1 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 12, -3, 4));
    EXPECT_TRUE(IsPoint(Point(1), 0, 1, 1));
}

TEST_F(PointBlock, AutopointsAddsNothing) {
    ASSERT_TRUE(
        Load("POINTS ( 0 1 1 1 )\r\nAUTOPOINTS ( 0 1 2 3 )\r\nautoPoints\r\n( 0 5 5 5 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 1, 1));
    EXPECT_TRUE(IsPoint(Point(1), 0, 0, 0));
}

TEST_F(PointBlock, ValuesSaturateAtThirtyTwoBits) {
    ASSERT_TRUE(Load("POINTS ( 0 99999999999 -99999999999 2147483647 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 2147483647, -2147483647 - 1, 2147483647));
}

// Lines of plain numbers are read whole; a remark at a line's end sends the same line
// through the split instead. Both must leave the same table, counts and warnings, whatever
// the line holds and wherever in a point the line starts.
TEST_F(PointBlock, LinesReadWholeStoreAsTheirTokensWould) {
    std::mt19937 random(20261208);
    const auto value = [&random]() -> std::string {
        switch (random() % 12) {
            case 0:
                return "-" + std::to_string(random() % 100);
            case 1:
                return std::to_string(random() % 1000000000);
            case 2:
                return "12345678901";  // saturates: left to the split
            case 3:
                return "+" + std::to_string(random() % 50);
            case 4:
                return "3.5";
            default:
                return std::to_string(random() % 3000);
        }
    };
    for (int round = 0; round < 40; ++round) {
        const bool vectors = round % 3 == 1;
        // Some blocks run off the end of the table.
        const std::string start = round % 4 == 3 ? "4090" : std::to_string(round % 2 == 0 ? 0 : 7);
        std::vector<std::string> body;
        for (int line = 0; line < 40; ++line) {
            std::string text = random() % 5 == 0 ? "\t" : "  ";
            const int count = random() % 8 == 0 ? 0 : static_cast<int>(random() % 7) + 1;
            for (int k = 0; k < count; ++k) {
                text += value() + (random() % 4 == 0 ? " \t " : " ");
            }
            body.push_back(random() % 10 == 0 ? "" : text);
        }
        const auto file = [&](const char* lineEnd) {
            std::string text = std::string(vectors ? "VECPOINTS( " : "POINTS( ") + start + "\r\n";
            for (const std::string& line : body) {
                text += line + (line.empty() ? "" : lineEnd) + "\r\n";
            }
            return text + ")\r\nSURFACECOLOR( 1 F0 )\r\nPOLY( A 0 1 2 3 4 5 6 7 8 9 )\r\n";
        };
        RecordingObserver wholeHeard;
        ASSERT_TRUE(Load(file(""), &wholeHeard));
        const std::array<doc::TablePoint, doc::kTableSize> whole = T().pointTable;
        const doc::LoadSummary wholeSummary = m_doc->LastLoadSummary();
        RecordingObserver splitHeard;
        ASSERT_TRUE(Load(file(" ;"), &splitHeard, "-split"));
        for (std::size_t k = 0; k < whole.size(); ++k) {
            ASSERT_TRUE(IsPoint(Point(static_cast<int>(k)), whole[k].x, whole[k].y, whole[k].z))
                << "round " << round << ", point " << k;
        }
        EXPECT_EQ(wholeSummary.points, m_doc->LastLoadSummary().points) << "round " << round;
        ASSERT_EQ(wholeHeard.warnings.size(), splitHeard.warnings.size()) << "round " << round;
        for (std::size_t k = 0; k < wholeHeard.warnings.size(); ++k) {
            EXPECT_EQ(wholeHeard.warnings[k].kind, splitHeard.warnings[k].kind);
            EXPECT_EQ(wholeHeard.warnings[k].line, splitHeard.warnings[k].line);
            EXPECT_EQ(wholeHeard.warnings[k].text, splitHeard.warnings[k].text);
        }
    }
}

}  // namespace
