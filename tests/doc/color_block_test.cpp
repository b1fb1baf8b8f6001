#include "tests/support/loader_test_support.h"

namespace {

using doc::CTarnoDoc;
using doc_test::LoaderTest;

constexpr rm::D3DCOLOR kWhite = 0xFFFFFFFFU;

class ColorBlock : public LoaderTest {
protected:
    rm::D3DCOLOR SurfaceAfter(std::string_view block) {
        EXPECT_TRUE(Load(block));
        return T().surfaceColor;
    }
};

TEST(ColorPalette, CodesGiveTheirColours) {
    const rm::D3DCOLOR expected[23] = {
        0xFF333333, 0xFF666666, 0xFF999999, 0xFFCCCCCC, 0xFFFFFFFF, 0xFFFF0000,
        0xFF00FF00, 0xFF000000, 0xFFFF7F00, 0xFFFFFF00, 0xFF7F3F3F, 0xFFBFBF3F,
        0xFF7F3F00, 0xFF007F00, 0xFF00FFFF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
        0xFF007F7F, 0xFFFF7F00, 0xFFFFFF00, 0xFFFFFFFF, 0xFFCCCCCC,
    };
    for (int code = 0; code < 23; ++code) {
        EXPECT_EQ(CTarnoDoc::ColorFromCode(code, 0), expected[code]) << "code " << code;
        EXPECT_EQ(CTarnoDoc::ColorFromCode(code, 240), expected[code]) << "code " << code;
    }
    for (const int code : {23, 0x7FFFFFFF, -1, -2147483647 - 1}) {
        EXPECT_EQ(CTarnoDoc::ColorFromCode(code, 0), kWhite) << "code " << code;
    }
}

TEST_F(ColorBlock, LineColourLeavesTheSurfaceAlone) {
    ASSERT_TRUE(Load("LINECOLOR ( 5 0 )\r\n"));
    EXPECT_EQ(T().lineColor, 0xFFFF0000U);
    EXPECT_EQ(T().surfaceColor, kWhite);
}

TEST_F(ColorBlock, CodesAreHexadecimal) {
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 10 F0 )\r\n"), 0xFF00FF00U);
    EXPECT_EQ(SurfaceAfter("ShadedColor( 11 0 )\r\n"), 0xFF0000FFU);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 0e 0 )\r\n"), 0xFF00FFFFU);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 17 0 )\r\n"), kWhite);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( FFFFFFFFFF 0 )\r\n"), kWhite);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 5zz 0 )\r\n"), 0xFFFF0000U);
}

TEST_F(ColorBlock, PercentIsTheShadingCode) {
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( % % )\r\n"), 0xFFCCCCCCU);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( %1 0 )\r\n"), 0xFFCCCCCCU);
}

TEST_F(ColorBlock, NonNumbersReadAsZero) {
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( G 0 )\r\n"), 0xFF333333U);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( -5 0 )\r\n"), 0xFF333333U);
}

TEST_F(ColorBlock, LastPairWins) {
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 5 0 9 0 )\r\n"), 0xFFFFFF00U);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR (\r\n5 0\r\n11 0\r\n)\r\n"), 0xFF0000FFU);
}

TEST_F(ColorBlock, SecondValueEscapesTheCloseTest) {
    // The ")" is the pair's second value, so the block reads on: "9 0" is a pair too.
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 5 )\r\n9 0\r\n)\r\n"), 0xFFFFFF00U);
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 5 ENDA\r\n6 0 )\r\n"), 0xFF00FF00U);
    // A code that ends its line has an empty second value; the next line starts a pair.
    EXPECT_EQ(SurfaceAfter("SURFACECOLOR ( 5\r\n11 0 )\r\n"), 0xFF0000FFU);
}

TEST_F(ColorBlock, EmptyLineEndsTheBlock) {
    ASSERT_TRUE(Load("SURFACECOLOR (\r\n\r\n5 0\r\n)\r\n"));
    EXPECT_EQ(T().surfaceColor, kWhite);
    // A line of blanks is not empty: it is passed over.
    ASSERT_TRUE(Load("SURFACECOLOR (\r\n   \r\n5 0\r\n)\r\n"));
    EXPECT_EQ(T().surfaceColor, 0xFFFF0000U);
}

TEST_F(ColorBlock, BlockWithoutPairsChangesNothing) {
    T().surfaceColor = 0xFF123456U;
    T().lineColor = 0xFF654321U;
    ASSERT_TRUE(Load("SURFACECOLOR ( )\r\nLINECOLOR ( ENDA 5 0 )\r\n"));
    EXPECT_EQ(T().surfaceColor, 0xFF123456U);
    EXPECT_EQ(T().lineColor, 0xFF654321U);
}

TEST_F(ColorBlock, ColoursCarryOverToTheNextFile) {
    ASSERT_TRUE(Load("SURFACECOLOR ( 5 0 )\r\nLINECOLOR ( 11 0 )\r\n", nullptr, "_first"));
    ASSERT_TRUE(
        Load("POINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\nPOLY ( A 0 1 2 )\r\n"
             "MOVETO ( 0 0 0 )\r\nDRAWTO ( 0 0 5 )\r\n",
             nullptr, "_second"));
    ASSERT_EQ(FaceCount(), 11U);
    EXPECT_EQ(FaceColor(0), 0xFFFF0000U);
    for (std::size_t f = 1; f < FaceCount(); ++f) {
        EXPECT_EQ(FaceColor(f), 0xFF0000FFU) << "stroke face " << f;
    }
}

TEST_F(ColorBlock, FirstFileDrawsWhite) {
    ASSERT_TRUE(Load("POINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\nPOLY ( A 0 1 2 )\r\n"));
    ASSERT_EQ(FaceCount(), 1U);
    EXPECT_EQ(FaceColor(0), kWhite);
}

}  // namespace
