#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "doc/tarno_doc.h"

namespace {

using doc::CTarnoDoc;

class SplitLineTest : public ::testing::Test {
protected:
    std::vector<std::string> Split(std::string_view line) {
        m_count = CTarnoDoc::SplitLine(line, m_slots.data());
        return {m_slots.begin(), m_slots.begin() + std::max(m_count, 0)};
    }
    std::array<std::string, CTarnoDoc::kTokenSlots> m_slots;
    int m_count = -1;
};

using Tokens = std::vector<std::string>;

TEST_F(SplitLineTest, WordsAndBrackets) {
    EXPECT_EQ(Split("POLY( 1 2 3 )"), (Tokens{"POLY", "(", "1", "2", "3", ")"}));
    EXPECT_EQ(m_count, 6);
    EXPECT_EQ(Split("a(b)c[d]e{f}"),
              (Tokens{"a", "(", "b", ")", "c", "[", "d", "]", "e", "{", "f", "}"}));
    EXPECT_EQ(Split("((  ))"), (Tokens{"(", "(", ")", ")"}));
    EXPECT_EQ(Split("(5)"), (Tokens{"(", "5", ")"}));
}

TEST_F(SplitLineTest, SeparatorsAreBlanksTabsAndLineFeedsOnly) {
    EXPECT_EQ(Split(" \t a\t\tb \n c "), (Tokens{"a", "b", "c"}));
    // Commas, quotes and carriage returns belong to words.
    EXPECT_EQ(Split("1,2,3 \"x y\" z\r"), (Tokens{"1,2,3", "\"x", "y\"", "z\r"}));
    EXPECT_EQ(Split("\v\f"), (Tokens{"\v\f"}));
}

TEST_F(SplitLineTest, RemarksEndTheLine) {
    EXPECT_EQ(Split("  ; a remark ( 1 2 )"), Tokens{});
    EXPECT_EQ(m_count, 0);
    EXPECT_EQ(Split("ENDA; the end"), (Tokens{"ENDA"}));
    EXPECT_EQ(Split("POLY ( A 1;2 3"), (Tokens{"POLY", "(", "A", "1"}));
}

TEST_F(SplitLineTest, CaseIsKept) {
    EXPECT_EQ(Split("Poly( a )"), (Tokens{"Poly", "(", "a", ")"}));
}

TEST_F(SplitLineTest, EmptyLineLeavesTheArrayAsItWas) {
    Split("one two");
    EXPECT_EQ(CTarnoDoc::SplitLine("", m_slots.data()), 0);
    EXPECT_EQ(m_slots[0], "one");
    EXPECT_EQ(m_slots[1], "two");
}

TEST_F(SplitLineTest, LowerSlotsAreEmptiedUpperSlotsAreNot) {
    m_slots[3] = "stale";
    m_slots[300] = "kept";
    EXPECT_EQ(Split("a b"), (Tokens{"a", "b"}));
    EXPECT_TRUE(m_slots[3].empty());
    EXPECT_EQ(m_slots[300], "kept");
}

TEST_F(SplitLineTest, MoreThan256TokensStayInsideTheArray) {
    std::string line;
    for (int i = 0; i < 300; ++i) line += std::to_string(i) + " ";
    const Tokens got = Split(line);
    ASSERT_EQ(got.size(), 300U);
    EXPECT_EQ(got[299], "299");
    // A shorter line afterwards: slots past 255 are not emptied, but a token written
    // there is written whole, never joined to what a longer line left.
    std::string second;
    for (int i = 0; i < 258; ++i) second += "x ";
    const Tokens again = Split(second);
    ASSERT_EQ(again.size(), 258U);
    EXPECT_EQ(again[257], "x");
    EXPECT_EQ(m_slots[299], "299");
}

TEST_F(SplitLineTest, TokensPastTheLastSlotAreDropped) {
    std::string line;
    for (int i = 0; i < 1000; ++i) line += "(";
    EXPECT_EQ(CTarnoDoc::SplitLine(line, m_slots.data()), CTarnoDoc::kTokenSlots);
    std::string words;
    for (int i = 0; i < 600; ++i) words += "w" + std::to_string(i) + " ";
    const Tokens got = Split(words);
    ASSERT_EQ(got.size(), static_cast<std::size_t>(CTarnoDoc::kTokenSlots));
    EXPECT_EQ(got.back(), "w511");
}

TEST_F(SplitLineTest, BytesAboveAsciiAreWordBytes) {
    EXPECT_EQ(Split("\xC3\xA9t\xC3\xA9 (x)"), (Tokens{"\xC3\xA9t\xC3\xA9", "(", "x", ")"}));
    EXPECT_EQ(Split(std::string_view("a\0b c", 5)), (Tokens{std::string("a\0b", 3), "c"}));
}

}  // namespace

#include "doc/split_line.h"
#include "tests/support/xorshift.h"

namespace {

// The loader's block-wise split must cut every line exactly as the byte-wise one does.
TEST(PaddedSplit, AgreesWithTheByteWiseSplit) {
    const std::string alphabet = "  \t\n()[]{};aZ09-,.%\r\x1A\xE9";
    tarno_test::XorShift next(0x9E3779B97F4A7C15ULL);
    std::vector<std::string_view> a(doc::CTarnoDoc::kTokenSlots);
    std::vector<std::string_view> b(doc::CTarnoDoc::kTokenSlots);
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const std::size_t length = next() % (round % 50 == 0 ? 3000 : 200);
        while (line.size() < length) {
            const std::uint64_t r = next();
            if (r % 7 == 0) {
                line.append(static_cast<std::size_t>(r % 90), 'w');  // words across windows
            } else {
                line += alphabet[r % alphabet.size()];
            }
        }
        std::string padded = line + std::string(doc::kPaddingNeeded, '(');
        const std::string_view view(padded.data(), line.size());
        bool droppedA = false;
        bool droppedB = false;
        const int na = doc::SplitIntoViews(view, a.data(), doc::CTarnoDoc::kTokenSlots, droppedA);
        const int nb = doc::SplitPaddedLine(view, b.data(), doc::CTarnoDoc::kTokenSlots, droppedB);
        ASSERT_EQ(na, nb) << "round " << round;
        ASSERT_EQ(droppedA, droppedB) << "round " << round;
        for (int k = 0; k < na; ++k) {
            ASSERT_EQ(a[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k)])
                << "round " << round << " token " << k;
            ASSERT_EQ(a[static_cast<std::size_t>(k)].data(), b[static_cast<std::size_t>(k)].data());
        }
    }
}

// Every kind of byte at, just before and just after the edges of the 64-byte windows the
// split looks at, and lines that end there.
TEST(PaddedSplit, AgreesAtTheEdgesOfItsWindows) {
    const std::string ends = " (;)x\t";
    std::vector<std::string_view> a(doc::CTarnoDoc::kTokenSlots);
    std::vector<std::string_view> b(doc::CTarnoDoc::kTokenSlots);
    for (std::size_t at = 56; at < 136; ++at) {
        for (const char first : ends) {
            for (const char second : ends) {
                for (std::size_t tail = 0; tail < 3; ++tail) {
                    // Words of one letter and of many, then the two bytes at `at`.
                    std::string line = "a bb " + std::string(at - 5, 'w');
                    line += first;
                    line += second;
                    line += std::string(tail, 'z');
                    const std::size_t length = at + 1 + tail % 2;
                    std::string padded = line + std::string(doc::kPaddingNeeded, 'p');
                    const std::string_view view(padded.data(), length);
                    bool droppedA = false;
                    bool droppedB = false;
                    const int na =
                        doc::SplitIntoViews(view, a.data(), doc::CTarnoDoc::kTokenSlots, droppedA);
                    const int nb =
                        doc::SplitPaddedLine(view, b.data(), doc::CTarnoDoc::kTokenSlots, droppedB);
                    ASSERT_EQ(na, nb) << at << " " << first << second << " " << tail;
                    for (int k = 0; k < na; ++k) {
                        ASSERT_EQ(a[static_cast<std::size_t>(k)].data(),
                                  b[static_cast<std::size_t>(k)].data());
                        ASSERT_EQ(a[static_cast<std::size_t>(k)].size(),
                                  b[static_cast<std::size_t>(k)].size());
                    }
                }
            }
        }
    }
}

// Exactly as many tokens as slots is not a dropped token; one more is.
TEST(PaddedSplit, DropsOnlyPastTheLastSlot) {
    std::vector<std::string_view> tokens(3);
    const std::string padded = "a(b c" + std::string(doc::kPaddingNeeded, ' ');
    bool dropped = true;
    EXPECT_EQ(doc::SplitPaddedLine(std::string_view(padded.data(), 4), tokens.data(), 3, dropped),
              3);
    EXPECT_FALSE(dropped);
    EXPECT_EQ(doc::SplitPaddedLine(std::string_view(padded.data(), 5), tokens.data(), 3, dropped),
              3);
    EXPECT_TRUE(dropped);
    EXPECT_EQ(tokens[2], "b");
}

}  // namespace
