// Every block reader ends its block by the same rules: ")" or "ENDA" where it is tested,
// a token other than "(" after the keyword, an empty line (except point blocks, which go
// on over it) and the end of the file; the unclosed ones are reported at the keyword line.

#include <string>

#include "tests/support/loader_test_support.h"

namespace {

using doc::LoadWarning;
using doc_test::LoaderTest;
using doc_test::RecordingObserver;

class BlockEnds : public LoaderTest {};

struct Case {
    const char* keyword;
    const char* body;  // what the block holds before it is ended
    bool goesOnOverEmptyLines;
};

constexpr Case kCases[] = {
    {"POINTS", "0 1 2 3", true}, {"SURFACECOLOR", "5 0", false}, {"POLY", "A 0 1 2", false},
    {"MOVETO", "1 2 3", false},  {"DRAWTOPT", "1 2", false},
};

TEST_F(BlockEnds, EmptyLineAndEndOfFileForEveryReader) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.keyword);
        // Line 1 holds the keyword; line 3 is empty; line 4 would close the block if the
        // empty line did not end it already, and line 5 is read by the line loop only then.
        const std::string text = std::string("; first\r\n") + c.keyword + " ( " + c.body +
                                 "\r\n\r\n)\r\nLINECOLOR ( 6 0 )\r\n";
        T().lineColor = 0xFF123456U;
        RecordingObserver seen;
        ASSERT_TRUE(Load(text, &seen));
        const auto open = seen.Of(LoadWarning::BlockNotClosed);
        if (c.goesOnOverEmptyLines) {
            EXPECT_TRUE(open.empty());
        } else {
            ASSERT_EQ(open.size(), 1U);
            EXPECT_EQ(open[0].line, 2);
            EXPECT_EQ(open[0].text, std::string(c.keyword) + " ended by the empty line 3");
        }
        EXPECT_EQ(T().lineColor, 0xFF00FF00U);  // the line after the block was a command

        RecordingObserver atEnd;
        ASSERT_TRUE(Load(std::string(c.keyword) + "\r\n(\r\n" + c.body, &atEnd));
        const auto unclosed = atEnd.Of(LoadWarning::BlockNotClosed);
        ASSERT_EQ(unclosed.size(), 1U);
        EXPECT_EQ(unclosed[0].line, 1);
        EXPECT_EQ(unclosed[0].text, std::string(c.keyword) + " ended by the end of the file");
    }
}

TEST_F(BlockEnds, EndaInsideABlockEndsOnlyTheBlock) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.keyword);
        T().lineColor = 0xFF123456U;
        RecordingObserver seen;
        ASSERT_TRUE(Load(std::string(c.keyword) + " ( " + c.body + " enda LINECOLOR ( 5 0 )\r\n" +
                             "LineColor ( 11 0 )\r\n",
                         &seen));
        // The rest of the ENDA line is ignored; the next line is still read.
        EXPECT_EQ(T().lineColor, 0xFF0000FFU);
        EXPECT_TRUE(seen.Of(LoadWarning::BlockNotClosed).empty());
        EXPECT_TRUE(seen.Of(LoadWarning::AfterEnd).empty());
    }
}

}  // namespace
