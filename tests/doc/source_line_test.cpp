// Faces remember the file line that made them, and that line can be read back for
// showing.
#include "doc/source_line.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/loader_test_support.h"
#include "tests/support/scratch.h"

namespace {

using doc_test::LoaderTest;

class SourceLineTest : public LoaderTest {
protected:
    // The source line of every face, in mesh order.
    std::vector<std::uint32_t> Lines() const {
        std::vector<std::uint32_t> out;
        for (std::uint32_t f = 0; f < FaceCount(); ++f) out.push_back(m_doc->FaceSourceLine(f));
        return out;
    }
};

TEST_F(SourceLineTest, PolygonsKeepTheirKeywordLineAndStrokesTheirDrawBlocks) {
    ASSERT_TRUE(
        Load("; remark\r\n"                             // 1
             "Points ( 0\r\n"                           // 2
             "  0 0 0   10 0 0   10 10 0   0 10 0\r\n"  // 3
             ")\r\n"                                    // 4
             "SurfaceColor ( 03 0 )\r\n"                // 5
             "\r\n"                                     // 6
             "Poly ( A 0 1\r\n"                         // 7: a block over two lines
             "  2 3 )\r\n"                              // 8
             "MoveTo ( 0 0 5\r\n"                       // 9
             "  4 0 5 )\r\n"                            // 10
             "LineColor ( 02 0 )\r\n"                   // 11
             "DrawTo ( 4 4 5 )\r\n"                     // 12: strokes 9-10 and 10-12
             "TexPoly ( A 2 7 7 1 7 7 0 7 7 )\r\n"      // 13
             "MoveToPt ( 0 1\r\n"                       // 14
             ")\r\n"                                    // 15
             "DrawToPt ( 2 )\r\n"                       // 16: strokes 0-1 and 1-2
             "Poly ( A 1 2 )\r\n"                       // 17: too short, no face
             "EndA\r\n"));
    std::vector<std::uint32_t> expected(1, 7);
    expected.insert(expected.end(), 20, 12);  // two strokes of ten faces
    expected.push_back(13);
    expected.insert(expected.end(), 20, 16);
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(m_doc->FaceSourceLine(static_cast<std::uint32_t>(FaceCount())), 0U);
}

TEST_F(SourceLineTest, ALaterDrawBlockRestrokesTheWholePathUnderItsOwnLine) {
    ASSERT_TRUE(
        Load("MoveTo ( 0 0 0 )\n"  // 1
             "DrawTo ( 1 0 0 )\n"  // 2: stroke 0-1
             "DrawTo ( 2 0 0 )\n"  // 3: strokes 0-1 again and 1-2
             "EndA\n"));
    std::vector<std::uint32_t> expected(10, 2);
    expected.insert(expected.end(), 20, 3);
    EXPECT_EQ(Lines(), expected);
}

TEST_F(SourceLineTest, EachLoadNumbersItsOwnFile) {
    ASSERT_TRUE(Load("\n\n\nPoints ( 0\n0 0 0 1 0 0 1 1 0\n)\nPoly ( A 0 1 2 )\nEndA\n"));
    EXPECT_EQ(Lines(), std::vector<std::uint32_t>{7});
    ASSERT_TRUE(Load("Points ( 0\n0 0 0 1 0 0 1 1 0\n)\nPoly ( A 0 1 2 )\nEndA\n"));
    EXPECT_EQ(Lines(), std::vector<std::uint32_t>{4});
}

TEST(ReadSourceLine, CountsLinesAsTheLoaderDoes) {
    const std::string path = tarno_test::WriteTemp(
        "lines.api", "\xEF\xBB\xBFPoly ( A 0 1 2 )\r\nsecond\n\nfourth \t\r\nlast without end");
    std::string text;
    ASSERT_TRUE(doc::ReadSourceLine(path, 1, text));
    EXPECT_EQ(text, "Poly ( A 0 1 2 )");  // no byte-order mark, no line end
    ASSERT_TRUE(doc::ReadSourceLine(path, 2, text));
    EXPECT_EQ(text, "second");
    ASSERT_TRUE(doc::ReadSourceLine(path, 3, text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(doc::ReadSourceLine(path, 4, text));
    EXPECT_EQ(text, "fourth \t");
    ASSERT_TRUE(doc::ReadSourceLine(path, 5, text));
    EXPECT_EQ(text, "last without end");
    EXPECT_FALSE(doc::ReadSourceLine(path, 6, text));
    EXPECT_FALSE(doc::ReadSourceLine(path, 0, text));
    EXPECT_FALSE(doc::ReadSourceLine(path + ".missing", 1, text));
}

TEST(PrintableLine, IsOneSafeLine) {
    EXPECT_EQ(doc::PrintableLine("  \tPoly ( A\t0 1 2 )  \r"), "Poly ( A 0 1 2 )");
    // Terminal escapes and other control bytes never reach the output.
    EXPECT_EQ(doc::PrintableLine("a\x1b]0;x\x07z\x7f"), "a?]0;x?z?");
    EXPECT_EQ(doc::PrintableLine(std::string(300, 'x'), 10), "xxxxxxxxxx...");
    EXPECT_EQ(doc::PrintableLine(""), "");
}

}  // namespace
