#include <clocale>
#include <string>

#include "tests/support/loader_test_support.h"

namespace {

using doc_test::IsPoint;
using doc_test::LoaderTest;

// Three points and one polygon through them, for telling whether a polygon was read.
const std::string kPoints = "POINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\n";

class LineLoop : public LoaderTest {
protected:
    std::size_t FacesOf(const std::string& lines) {
        EXPECT_TRUE(Load(kPoints + lines));
        return FaceCount();
    }
};

TEST_F(LineLoop, EndaStopsTheFileInAnyCase) {
    EXPECT_EQ(FacesOf("ENDA\r\nPOLY ( A 0 1 2 )\r\n"), 0U);
    EXPECT_EQ(FacesOf("enda\r\nPOLY ( A 0 1 2 )\r\n"), 0U);
    EXPECT_EQ(FacesOf("  EndA( \r\nPOLY ( A 0 1 2 )\r\n"), 0U);
    EXPECT_EQ(FacesOf("\tENDA; done\r\nPOLY ( A 0 1 2 )\r\n"), 0U);
}

TEST_F(LineLoop, WordsThatOnlyContainEndaAreIgnored) {
    EXPECT_EQ(FacesOf("XENDA\r\nENDAX\r\nENDA1\r\nPOLY ( A 0 1 2 )\r\n"), 1U);
}

TEST_F(LineLoop, PolyInAnyCaseWithOrWithoutBlank) {
    EXPECT_EQ(FacesOf("POLY( A 0 1 2 )\r\npoly ( A 0 1 2 )\r\nPoLy\t( A 0 1 2 )\r\n"), 3U);
    EXPECT_EQ(FacesOf("POLYGON ( A 0 1 2 )\r\nPOLYS( A 0 1 2 )\r\nXPOLY( A 0 1 2 )\r\n"), 0U);
}

TEST_F(LineLoop, LeadingBlanksAndTrailingRemarks) {
    EXPECT_EQ(FacesOf("   \t POLY ( A 0 1 2 ) ; a face\r\n"), 1U);
    EXPECT_EQ(FacesOf("POLY ; the polygon\r\n( A 0 1 2 )\r\n"), 1U);
}

TEST_F(LineLoop, AutopointsAnywhereInTheFirstTokenIsIgnored) {
    ASSERT_TRUE(
        Load("POINTS ( 0 1 1 1 )\r\nautopoints ( 0 5 5 5 )\r\n"
             "XAUTOPOINTSY ( 1 6 6 6 )\r\nAutoPoints(\r\n2 7 7 7\r\n)\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 1, 1));
    EXPECT_TRUE(IsPoint(Point(1), 0, 0, 0));
    EXPECT_TRUE(IsPoint(Point(2), 0, 0, 0));
}

TEST_F(LineLoop, LinesWithoutAKeywordAreSkipped) {
    EXPECT_EQ(FacesOf("Area( 5 1 2 3 )\r\n:label\r\n0 1 2\r\n( A 0 1 2 )\r\n)\r\n\r\n  \r\n"
                      "; remark\r\nPOLY ( A 0 1 2 )\r\n"),
              1U);
}

TEST_F(LineLoop, KeywordInsideABlockIsTheReadersToken) {
    // POLY inside a point block is a value that reads 0, not a polygon.
    ASSERT_TRUE(Load("POINTS ( 0\r\nPOLY ( A\r\n)\r\n"));
    EXPECT_EQ(FaceCount(), 0U);
    EXPECT_TRUE(IsPoint(Point(0), 0, 0, 0));
    ASSERT_TRUE(Load("POINTS ( 0\r\n1 POLY 3\r\n)\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 0, 3));
}

TEST_F(LineLoop, EndaReadByABlockDoesNotEndTheFile) {
    EXPECT_EQ(FacesOf("POLY ( A 0 1 2\r\nENDA\r\nPOLY ( A 0 1 2 )\r\n"), 2U);
    EXPECT_EQ(FacesOf("SURFACECOLOR (\r\nENDA\r\nPOLY ( A 0 1 2 )\r\n"), 1U);
    EXPECT_EQ(FacesOf("MOVETO ( 0 0 0\r\nENDA\r\nPOLY ( A 0 1 2 )\r\n"), 1U);
}

TEST_F(LineLoop, LinesAfterEndaHaveNoEffect) {
    ASSERT_TRUE(Load(kPoints + "POLY ( A 0 1 2 )\r\nENDA\r\nPOLY ( A 0 1 2 )\r\n"
                               "SURFACECOLOR ( 5 0 )\r\nPOINTS ( 0 9 9 9 )\r\n"));
    EXPECT_EQ(FaceCount(), 1U);
    EXPECT_EQ(T().surfaceColor, 0xFFFFFFFFU);
    EXPECT_TRUE(IsPoint(Point(0), 0, 0, 0));
}

TEST_F(LineLoop, CommandOnTheFirstLineIsReadAgainByItsReader) {
    ASSERT_TRUE(Load("POINTS ( 0 4 5 6 )"));
    EXPECT_TRUE(IsPoint(Point(0), 4, 5, 6));
}

TEST_F(LineLoop, EachReaderStartsAtItsKeywordLine) {
    // Every block ends on its own keyword line; the loop goes on with the line after.
    ASSERT_TRUE(
        Load("POINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\nSURFACECOLOR ( 5 0 )\r\n"
             "POLY ( A 0 1 2 )\r\nLINECOLOR ( 11 0 )\r\nMOVETO ( 0 0 0 )\r\n"
             "DRAWTO ( 0 0 5 )\r\nMOVETOPT ( 1 )\r\nDRAWTOPT ( 2 )\r\n"));
    ASSERT_EQ(FaceCount(), 21U);
    EXPECT_EQ(FaceColor(0), 0xFFFF0000U);
    EXPECT_EQ(FaceColor(1), 0xFF0000FFU);
    EXPECT_EQ(FaceColor(20), 0xFF0000FFU);
}

TEST_F(LineLoop, UpperCasingTouchesOnlyAsciiLetters) {
    // Whatever the C library's locale, keywords and header words match by a to z alone.
    const char* const previous = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    for (const char* name : {"tr_TR.ISO-8859-9", "tr_TR.UTF-8", "de_DE.ISO-8859-1"}) {
        if (std::setlocale(LC_CTYPE, name) != nullptr) break;
    }
    EXPECT_EQ(FacesOf("poly ( ai 0 1 2 )\r\nshadedpoly ( a 0 1 2 )\r\n"), 2U);
    EXPECT_EQ(FacesOf("pol\xD9 ( A 0 1 2 )\r\npoly\xA0 ( A 0 1 2 )\r\n"), 0U);
    std::setlocale(LC_CTYPE, saved.c_str());
}

}  // namespace
