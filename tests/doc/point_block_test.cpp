#include "tests/support/loader_test_support.h"

namespace {

using doc_test::IsPoint;
using doc_test::LoaderTest;

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

}  // namespace
