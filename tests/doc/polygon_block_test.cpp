#include <algorithm>
#include <string>

#include "platform/core/vector_math.h"
#include "tests/support/loader_test_support.h"

namespace {

using doc_test::LoaderTest;
using Xs = std::vector<float>;

// Point i of 0 to 9 lies at (i, 0 or 10, 10): any three in a row zigzag in the plane
// z = 10, and 4 5 6 turns clockwise seen from the origin's side (its normal is -z).
// Points 20-22 lie flat in y = 5 and in that order turn clockwise seen from above.
// Points 30-32 lie in the plane z = 0, which holds the origin.
const std::string kPoints =
    "POINTS ( 0\r\n"
    " 0 0 10\r\n 1 10 10\r\n 2 0 10\r\n 3 10 10\r\n 4 0 10\r\n"
    " 5 10 10\r\n 6 0 10\r\n 7 10 10\r\n 8 0 10\r\n 9 10 10\r\n)\r\n"
    "POINTS ( 20 20 5 0 21 5 10 22 5 0 )\r\n"
    "POINTS ( 30 30 0 0 31 10 0 32 0 0 )\r\n";

class PolygonBlock : public LoaderTest {
protected:
    // Loads the points and then `blocks`; returns the x of each face's vertices.
    std::vector<Xs> Faces(const std::string& blocks) {
        EXPECT_TRUE(Load(kPoints + blocks));
        std::vector<Xs> faces;
        for (std::size_t f = 0; f < FaceCount(); ++f) faces.push_back(FaceXs(f));
        return faces;
    }
};

TEST_F(PolygonBlock, FirstVertexRules) {
    // 4 5 6 as listed faces -z, towards the origin: "A" turns it round, "AI" keeps it.
    EXPECT_EQ(Faces("POLY ( A 4 5 6 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
    EXPECT_EQ(Faces("POLY ( AI 4 5 6 )\r\n"), std::vector<Xs>{(Xs{4, 5, 6})});
    EXPECT_EQ(Faces("POLY ( A 6 5 4 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
    // Any other word acts as "AI".
    EXPECT_EQ(Faces("POLY ( Q 4 5 6 )\r\n"), std::vector<Xs>{(Xs{4, 5, 6})});
}

TEST_F(PolygonBlock, FrontFacesTheWayTheHeaderAsks) {
    ASSERT_TRUE(Load(kPoints + "POLY ( A 4 5 6 )\r\nPOLY ( AI 4 5 6 )\r\n"
                               "POLY ( AU 20 21 22 )\r\nPOLY ( AD 20 21 22 )\r\n"));
    ASSERT_EQ(FaceCount(), 4U);
    const rm::D3DVECTOR p4{4, 0, 10};
    const rm::D3DVECTOR up{0, 0.1F, 0};
    EXPECT_GT(rm::D3DRMVectorDotProduct(FaceNormal(0), p4), 0.0F);
    EXPECT_LT(rm::D3DRMVectorDotProduct(FaceNormal(1), p4), 0.0F);
    EXPECT_GT(rm::D3DRMVectorDotProduct(FaceNormal(2), up), 0.0F);
    EXPECT_LT(rm::D3DRMVectorDotProduct(FaceNormal(3), up), 0.0F);
}

TEST_F(PolygonBlock, UpRules) {
    EXPECT_EQ(Faces("POLY ( AU 20 21 22 )\r\n"), std::vector<Xs>{(Xs{20, 21, 22})});
    EXPECT_EQ(Faces("POLY ( AD 20 21 22 )\r\n"), std::vector<Xs>{(Xs{22, 21, 20})});
    EXPECT_EQ(Faces("POLY ( AU 22 21 20 )\r\n"), std::vector<Xs>{(Xs{20, 21, 22})});
}

TEST_F(PolygonBlock, PlaneThroughTheOriginKeepsOrderForA) {
    EXPECT_EQ(Faces("POLY ( A 30 31 32 )\r\n"), std::vector<Xs>{(Xs{30, 31, 32})});
    EXPECT_EQ(Faces("POLY ( AI 30 31 32 )\r\n"), std::vector<Xs>{(Xs{32, 31, 30})});
}

TEST_F(PolygonBlock, NumericAndMHeaders) {
    EXPECT_EQ(Faces("POLY ( 0 1 2 3 4 5 6 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
    EXPECT_EQ(Faces("POLY ( -1 1 2 3 4 5 6 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
    EXPECT_EQ(Faces("POLY ( M 9 9 9 9 4 5 6 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
    // The header's tokens run out with their line.
    EXPECT_EQ(Faces("POLY ( 1 2\r\n4 5 6 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
    EXPECT_EQ(Faces("POLY ( m 9\r\n4 5 6 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
    // Skipped header tokens are not looked at, ")" included.
    EXPECT_EQ(Faces("POLY ( M ) ) ) ) 4 5 6 )\r\n"), std::vector<Xs>{(Xs{6, 5, 4})});
}

TEST_F(PolygonBlock, RepeatsCollapseOnlyWhenConsecutive) {
    EXPECT_EQ(Faces("POLY ( AI 4 4 5 5 6 6 )\r\n"), std::vector<Xs>{(Xs{4, 5, 6})});
    EXPECT_EQ(Faces("POLY ( AI 4 5 4 )\r\n").at(0).size(), 3U);
    EXPECT_EQ(Faces("POLY ( AI 4 5 6 4 )\r\n"), std::vector<Xs>{(Xs{4, 5, 6, 4})});
}

TEST_F(PolygonBlock, FewerThanThreeMakeNoFace) {
    EXPECT_TRUE(Faces("POLY ( A 1 2 )\r\nPOLY ( A 3 3 3 )\r\nPOLY ( A )\r\nPOLY\r\n").empty());
    EXPECT_EQ(T().polygonCount, 0);
    // A short polygon takes no slot: the next one is the first face.
    const auto faces = Faces("POLY ( A 1 2 )\r\nPOLY ( AI 4 5 6 )\r\n");
    EXPECT_EQ(faces, std::vector<Xs>{(Xs{4, 5, 6})});
}

TEST_F(PolygonBlock, TexturedPolygonsTakeThreeTokensPerVertex) {
    T().surfaceColor = 0xFFFF0000U;
    ASSERT_TRUE(Load(kPoints + "TEXPOLY ( AI 4 7 7 5 7 7 6 7 7 )\r\nPOLY ( AI 4 5 6 )\r\n"));
    ASSERT_EQ(FaceCount(), 2U);
    EXPECT_EQ(FaceXs(0), (Xs{4, 5, 6}));
    EXPECT_EQ(FaceColor(0), 0xFFCCCCCCU);
    EXPECT_EQ(FaceColor(1), 0xFFFF0000U);
    EXPECT_EQ(T().surfaceColor, 0xFFFF0000U);
}

TEST_F(PolygonBlock, TexturedEntryCounterRunsAcrossLines) {
    EXPECT_EQ(Faces("SHADEDTEXPOLY ( AI 4 7\r\n7 5\r\n7 7 6 7 7 )\r\n"),
              std::vector<Xs>{(Xs{4, 5, 6})});
}

TEST_F(PolygonBlock, EmptyLineEndsTheBlockAndKeepsWhatWasRead) {
    const auto faces = Faces("POLY ( AI 4 5 6\r\n\r\n7 )\r\nSHADEDPOLY ( AI 1 2\r\n\r\n3 )\r\n");
    EXPECT_EQ(faces, std::vector<Xs>{(Xs{4, 5, 6})});
}

TEST_F(PolygonBlock, EndaEndsTheBlockOnly) {
    const auto faces = Faces("POLY ( AI 4 5 6 ENDA 7\r\nPOLY ( A 1 2 3 )\r\n");
    EXPECT_EQ(faces, (std::vector<Xs>{Xs{4, 5, 6}, Xs{1, 2, 3}}));
}

TEST_F(PolygonBlock, VerticesAreCopiedAsTheyAreThen) {
    ASSERT_TRUE(
        Load("POINTS ( 0 1 2 3 4 5 6 7 8 10 )\r\nPOLY ( AI 0 1 2 )\r\n"
             "POINTS ( 0 9 9 9 )\r\n"));
    ASSERT_EQ(FaceCount(), 1U);
    const auto v = FaceVertices(0);
    ASSERT_EQ(v.size(), 3U);
    EXPECT_EQ(v[0], (rm::D3DVECTOR{1, 2, 3}));
}

TEST_F(PolygonBlock, NonNumbersNamePointZero) {
    const auto faces = Faces("POLY ( AI X 5 6 )\r\n");
    EXPECT_EQ(faces, std::vector<Xs>{(Xs{0, 5, 6})});
}

// The line loop splits a keyword line once and hands the split to the reader: a keyword
// line with more tokens than the token array holds, one that closes its block, and one
// followed by lines of the block must each read as the same polygon spread one a line.
TEST_F(PolygonBlock, KeywordLineReadOnceGivesWhatEachLineGives) {
    std::string oneLine = "POLY ( AI";
    std::string spread = "POLY\r\n(\r\nAI\r\n";
    for (int k = 0; k < 700; ++k) {
        const std::string index = std::to_string(k % 3 == 0 ? 4 : (k % 3 == 1 ? 5 : 6));
        oneLine += " " + index;
        spread += index + "\r\n";
    }
    const std::vector<Xs> whole = Faces(spread + ")\r\n");
    ASSERT_EQ(whole.size(), 1U);
    EXPECT_EQ(whole[0].size(), 700U);
    EXPECT_EQ(Faces(oneLine + " )\r\n"), whole);
    EXPECT_EQ(Faces(oneLine + "\r\n)\r\n"), whole);
    EXPECT_EQ(Faces(oneLine + " ) ; after the block\r\nPOLY ( AI 4 5 6 )\r\n").size(), 2U);
    // The line after a keyword line is split afresh, not given the keyword line's tokens.
    EXPECT_EQ(Faces("POLY ( AI 4 5\r\n6 )\r\n"), std::vector<Xs>{(Xs{4, 5, 6})});
}

TEST_F(PolygonBlock, FacesFollowFileOrder) {
    // Triples from an odd point face +z, so "A" keeps them as they are.
    const auto faces = Faces("POLY ( A 1 2 3 )\r\nPOLY ( AI 4 5 6 )\r\nPOLY ( A 7 8 9 )\r\n");
    EXPECT_EQ(faces, (std::vector<Xs>{Xs{1, 2, 3}, Xs{4, 5, 6}, Xs{7, 8, 9}}));
}

TEST_F(PolygonBlock, DegeneratePolygonStillLoads) {
    ASSERT_TRUE(
        Load("POINTS ( 0 1 1 1 2 2 2 3 3 3 )\r\nPOLY ( A 0 1 2 )\r\nPOLY ( AI 0 1 2 )\r\n"));
    ASSERT_EQ(FaceCount(), 2U);
    // No direction: N.R counts as 0, so "A" keeps the order and "AI" reverses it.
    EXPECT_EQ(FaceXs(0), (Xs{1, 2, 3}));
    EXPECT_EQ(FaceXs(1), (Xs{3, 2, 1}));
}

// True when the face's corners are `expected` in that order or the reverse one (the facing
// rule may turn a face round; that is tested elsewhere).
::testing::AssertionResult CornersAre(std::vector<rm::D3DVECTOR> actual,
                                      std::vector<rm::D3DVECTOR> expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    std::reverse(expected.begin(), expected.end());
    if (actual == expected) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "corners";
    for (const rm::D3DVECTOR& v : actual) failure << " (" << v.x << ' ' << v.y << ' ' << v.z << ')';
    return failure;
}

TEST_F(PolygonBlock, FacesShareThePositionsOfTheirPointsWhileThePointsStayPut) {
    // A box: six faces over eight points keep eight positions, not one per corner.
    ASSERT_TRUE(
        Load("POINTS ( 0 0 0 0 0 1 0 1 1 0 1 0 0 0 0 1 0 1 1 1 1 1 1 0 1 )\r\n"
             "POLY ( A 0 1 2 3 )\r\nPOLY ( A 7 6 5 4 )\r\nPOLY ( A 4 5 1 0 )\r\n"
             "POLY ( A 3 2 6 7 )\r\nPOLY ( A 1 5 6 2 )\r\nPOLY ( A 4 0 3 7 )\r\n"));
    ASSERT_EQ(FaceCount(), 6U);
    EXPECT_EQ(Mesh().positions.size(), 8U);
    EXPECT_EQ(Mesh().plainCorners.size(), 24U);
    EXPECT_TRUE(CornersAre(FaceVertices(0), {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}));
    EXPECT_TRUE(CornersAre(FaceVertices(1), {{1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 1}}));
    EXPECT_TRUE(CornersAre(FaceVertices(5), {{0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {1, 0, 1}}));
}

TEST_F(PolygonBlock, AFaceSeesItsPointsAsTheyAreWhenItIsRead) {
    // Point 1 rewritten, then the table cleared (unwritten entries read 0 after a clear,
    // -1 after the load's reset), then point 2 rewritten with the value it had: every face
    // keeps the values of its own moment, and the earlier faces are not disturbed.
    ASSERT_TRUE(
        Load("POINTS ( 1 1 0 10 2 10 10 )\r\nPOLY ( AI 1 2 3 )\r\n"
             "POINTS ( 1 5 0 10 )\r\nPOLY ( AI 1 2 3 )\r\n"
             "POINTS ( 0 7 7 7 )\r\nPOLY ( AI 0 1 2 )\r\n"
             "POINTS ( 2 2 10 10 )\r\nPOLY ( AI 0 1 2 )\r\nPOLY ( AI 2 0 1 )\r\n"));
    ASSERT_EQ(FaceCount(), 5U);
    EXPECT_TRUE(CornersAre(FaceVertices(0), {{1, 0, 10}, {2, 10, 10}, {-1, -1, -1}}));
    EXPECT_TRUE(CornersAre(FaceVertices(1), {{5, 0, 10}, {2, 10, 10}, {-1, -1, -1}}));
    EXPECT_TRUE(CornersAre(FaceVertices(2), {{7, 7, 7}, {0, 0, 0}, {0, 0, 0}}));
    EXPECT_TRUE(CornersAre(FaceVertices(3), {{7, 7, 7}, {0, 0, 0}, {2, 10, 10}}));
    EXPECT_TRUE(CornersAre(FaceVertices(4), {{2, 10, 10}, {7, 7, 7}, {0, 0, 0}}));
}

}  // namespace
