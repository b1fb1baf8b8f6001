#include <string>

#include "tests/support/loader_test_support.h"

namespace {

using doc_test::IsPoint;
using doc_test::LoaderTest;

constexpr std::size_t kFacesPerStroke = 10;
constexpr std::size_t kPositionsPerStroke = 16;

class LineBlock : public LoaderTest {
protected:
    std::size_t Strokes() const { return FaceCount() / kFacesPerStroke; }
    // The first and second point of stroke s, from its end-cap vertices.
    rm::D3DVECTOR StrokeEnd(std::size_t s, int end) const {
        const auto& p = Mesh().positions;
        rm::D3DVECTOR sum{};
        for (std::size_t i = 0; i < 8; ++i) {
            const rm::D3DVECTOR& v =
                p.at(s * kPositionsPerStroke + static_cast<std::size_t>(end) * 8 + i);
            sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
        }
        return {sum.x / 8, sum.y / 8, sum.z / 8};
    }
    ::testing::AssertionResult StrokeIs(std::size_t s, rm::D3DVECTOR a, rm::D3DVECTOR b) const {
        const rm::D3DVECTOR ga = StrokeEnd(s, 0);
        const rm::D3DVECTOR gb = StrokeEnd(s, 1);
        auto near = [](rm::D3DVECTOR u, rm::D3DVECTOR v) {
            return std::abs(u.x - v.x) < 1e-4F && std::abs(u.y - v.y) < 1e-4F &&
                   std::abs(u.z - v.z) < 1e-4F;
        };
        if (near(ga, a) && near(gb, b)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "stroke " << s << " runs (" << ga.x << "," << ga.y << "," << ga.z << ") to ("
               << gb.x << "," << gb.y << "," << gb.z << ")";
    }
};

TEST_F(LineBlock, MoveThenDrawLaysOneStroke) {
    ASSERT_TRUE(Load("MOVETO ( 0 0 0 )\r\nDRAWTO ( 10 0 0 )\r\n"));
    ASSERT_EQ(Strokes(), 1U);
    EXPECT_TRUE(StrokeIs(0, {0, 0, 0}, {10, 0, 0}));
    EXPECT_EQ(m_doc->LastLoadSummary().strokes, 1U);
}

TEST_F(LineBlock, EachDrawStrokesTheWholePathAgain) {
    ASSERT_TRUE(Load("MOVETO ( 0 0 0 )\r\nDRAWTO ( 1 0 0 )\r\nDRAWTO ( 2 0 0 )\r\n"));
    ASSERT_EQ(Strokes(), 3U);
    EXPECT_TRUE(StrokeIs(0, {0, 0, 0}, {1, 0, 0}));
    EXPECT_TRUE(StrokeIs(1, {0, 0, 0}, {1, 0, 0}));
    EXPECT_TRUE(StrokeIs(2, {1, 0, 0}, {2, 0, 0}));
}

TEST_F(LineBlock, MoveAloneDrawsNothingButItsPointsJoinThePath) {
    ASSERT_TRUE(Load("MOVETO ( 0 0 0 5 0 0 )\r\n"));
    EXPECT_EQ(FaceCount(), 0U);
    ASSERT_TRUE(Load("MOVETO ( 0 0 0 5 0 0 )\r\nDRAWTO ( 5 5 0 )\r\n"));
    ASSERT_EQ(Strokes(), 2U);
    EXPECT_TRUE(StrokeIs(1, {5, 0, 0}, {5, 5, 0}));
}

TEST_F(LineBlock, OnlyTheFirstTokenOfAPointEndsTheBlock) {
    // ")" as z reads 0 and the block goes on into the next line.
    ASSERT_TRUE(Load("MOVETO ( 1 2 )\r\n3 4 5 )\r\nDRAWTO ( )\r\n"));
    EXPECT_EQ(T().coordinateCount, 2);
    EXPECT_TRUE(IsPoint(T().coordinatePath[0], 1, 2, 0));
    EXPECT_TRUE(IsPoint(T().coordinatePath[1], 3, 4, 5));
    ASSERT_EQ(Strokes(), 1U);
    ASSERT_TRUE(Load("MOVETO ( 1 ENDA 2 7 )\r\n"));
    EXPECT_EQ(T().coordinateCount, 2);
    EXPECT_TRUE(IsPoint(T().coordinatePath[0], 1, 0, 2));
    EXPECT_TRUE(IsPoint(T().coordinatePath[1], 7, 0, 0));
}

TEST_F(LineBlock, PointsDoNotSpanLines) {
    ASSERT_TRUE(Load("MOVETO ( 1 2 3 4\r\n5 6\r\n)\r\n"));
    EXPECT_EQ(T().coordinateCount, 3);
    EXPECT_TRUE(IsPoint(T().coordinatePath[1], 4, 0, 0));
    EXPECT_TRUE(IsPoint(T().coordinatePath[2], 5, 6, 0));
}

TEST_F(LineBlock, EmptyLineEndsTheBlock) {
    ASSERT_TRUE(Load("MOVETO ( 0 0 0\r\n\r\n1 1 1 )\r\nDRAWTO ( 0 0 9\r\n"));
    EXPECT_EQ(T().coordinateCount, 2);
    ASSERT_EQ(Strokes(), 1U);
    EXPECT_TRUE(StrokeIs(0, {0, 0, 0}, {0, 0, 9}));
}

TEST_F(LineBlock, PointPathStrokesInTheColourOfTheDrawBlock) {
    ASSERT_TRUE(
        Load("POINTS ( 0 0 0 0 0 0 0 0 0 0 1 0 0 2 0 0 3 0 0 )\r\n"
             "LINECOLOR ( 5 0 )\r\nMOVETOPT ( 3 4 5 )\r\nLINECOLOR ( 11 0 )\r\n"
             "DRAWTOPT ( )\r\n"));
    ASSERT_EQ(Strokes(), 2U);
    EXPECT_TRUE(StrokeIs(0, {1, 0, 0}, {2, 0, 0}));
    EXPECT_TRUE(StrokeIs(1, {2, 0, 0}, {3, 0, 0}));
    for (std::size_t f = 0; f < FaceCount(); ++f) EXPECT_EQ(FaceColor(f), 0xFF0000FFU);
}

TEST_F(LineBlock, StrokesUseThePointsAsTheyAreAtTheDrawBlock) {
    ASSERT_TRUE(Load("POINTS ( 0 0 0 0 4 0 0 )\r\nDRAWTOPT ( 0 1 )\r\nPOINTS ( 1 9 9 9 )\r\n"));
    ASSERT_EQ(Strokes(), 1U);
    EXPECT_TRUE(StrokeIs(0, {0, 0, 0}, {4, 0, 0}));
}

TEST_F(LineBlock, EveryPointPathTokenIsTested) {
    ASSERT_TRUE(Load("MOVETOPT ( 1 ) 2 )\r\n"));
    EXPECT_EQ(T().pointPathCount, 1);
    EXPECT_EQ(T().pointPath[0], 1);
}

TEST_F(LineBlock, MoveClearsBothPathsButResetsOnlyItsOwnCount) {
    ASSERT_TRUE(
        Load("POINTS ( 0 0 0 0 1 1 1 2 2 2 3 3 3 )\r\n"
             "MOVETOPT ( 1 2 )\r\nMOVETO ( 7 7 7 )\r\nDRAWTOPT ( 3 )\r\n"));
    EXPECT_EQ(T().pointPathCount, 3);
    EXPECT_EQ(T().pointPath[0], 0);
    EXPECT_EQ(T().pointPath[1], 0);
    EXPECT_EQ(T().pointPath[2], 3);
    // 0-0 has no length and is not laid; 0-3 is.
    ASSERT_EQ(Strokes(), 1U);
    EXPECT_TRUE(StrokeIs(0, {0, 0, 0}, {3, 3, 3}));
    ASSERT_TRUE(Load("MOVETO ( 1 1 1 2 2 2 )\r\nMOVETOPT ( 0 )\r\nDRAWTO ( 3 3 3 )\r\n"));
    EXPECT_EQ(T().coordinateCount, 3);
    EXPECT_TRUE(IsPoint(T().coordinatePath[0], 0, 0, 0));
    EXPECT_TRUE(IsPoint(T().coordinatePath[2], 3, 3, 3));
}

TEST_F(LineBlock, MixedCaseKeywordsAndGluedBrackets) {
    ASSERT_TRUE(Load("MoveTo(0 0 0)\r\ndrawto(0 3 0)\r\n"));
    ASSERT_EQ(Strokes(), 1U);
    EXPECT_TRUE(StrokeIs(0, {0, 0, 0}, {0, 3, 0}));
}

}  // namespace
