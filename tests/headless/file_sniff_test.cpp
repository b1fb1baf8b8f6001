// The check's look at a file's bytes reads whole blocks at once; it must find exactly what
// a walk over single bytes finds, wherever the telling bytes fall against the blocks.

#include "app/headless/file_sniff.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace {

// What the problems depend on, found one byte at a time.
struct Walked {
    std::string head;
    std::int64_t firstNul = 0;
    std::int64_t lineFeeds = 0;
    std::int64_t loneReturns = 0;
};

Walked Walk(const std::string& bytes) {
    Walked w;
    std::int64_t line = 1;
    bool pendingReturn = false;
    for (const char c : bytes) {
        if (w.head.size() < 4) w.head.push_back(c);
        if (c == '\x1A') break;
        if (pendingReturn && c != '\n') ++w.loneReturns;
        pendingReturn = c == '\r';
        if (c == '\n') {
            ++w.lineFeeds;
            ++line;
        } else if (c == '\0' && w.firstNul == 0) {
            w.firstNul = line;
        }
    }
    if (pendingReturn) ++w.loneReturns;
    return w;
}

bool Has(const std::vector<app::FileProblem>& problems, const std::string& part,
         std::int64_t line) {
    for (const app::FileProblem& p : problems) {
        if (p.text.find(part) != std::string::npos) return p.line == line;
    }
    return false;
}

void ExpectAsWalked(const std::string& bytes, const std::string& what) {
    const std::vector<app::FileProblem> problems =
        app::SniffTextFile(tarno_test::WriteTemp("sniff.api", bytes));
    const Walked w = Walk(bytes);
    const bool marked = w.head.starts_with("\xFF\xFE") || w.head.starts_with("\xFE\xFF") ||
                        w.head.starts_with(std::string("\0\0\xFE\xFF", 4));
    std::size_t expected = 0;
    if (marked) {
        ++expected;
        EXPECT_TRUE(Has(problems, "byte-order mark", 1)) << what;
    }
    if (w.firstNul != 0 && !marked) {
        ++expected;
        EXPECT_TRUE(Has(problems, "NUL bytes", w.firstNul)) << what;
    }
    if (w.lineFeeds == 0 && w.loneReturns > 0) {
        ++expected;
        EXPECT_TRUE(Has(problems, "CR alone", 1)) << what;
    }
    EXPECT_EQ(problems.size(), expected) << what;
}

}  // namespace

TEST(FileSniff, TellingBytesAroundTheReadBlocksAreFoundAsOneByOne) {
    constexpr std::size_t kBlock = 1 << 16;
    const std::vector<std::size_t> places = {
        0, 1, 3, 4, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock - 1, 2 * kBlock, 2 * kBlock + 3};
    for (const std::size_t at : places) {
        const std::string filler(at, 'x');
        const std::string tail(kBlock / 2, 'y');
        // A NUL after lines on both sides of a block's end: its line counts every line feed.
        std::string lines;
        for (std::size_t i = 0; i < at; ++i) lines.push_back(i % 7 == 6 ? '\n' : 'p');
        ExpectAsWalked(lines + '\0' + tail, "NUL after lines at " + std::to_string(at));
        // The end mark hides what follows it: a NUL, a lone CR, line feeds.
        ExpectAsWalked(filler + '\x1A' + '\0' + tail,
                       "end mark before NUL at " + std::to_string(at));
        ExpectAsWalked(filler + '\r' + '\x1A' + "\n\n",
                       "CR before end mark at " + std::to_string(at));
        ExpectAsWalked(filler + '\x1A' + "\r\n\0",
                       "line feed after end mark at " + std::to_string(at));
        // A CR LF pair split by a block's end is no lone CR; a CR alone is.
        ExpectAsWalked(filler + "\r\n" + tail, "CR LF at " + std::to_string(at));
        ExpectAsWalked(filler + "\r" + tail, "CR alone at " + std::to_string(at));
        ExpectAsWalked(filler + "\r" + tail + "\n",
                       "CR then a late line feed at " + std::to_string(at));
    }
}

TEST(FileSniff, MarksAndEndMarksAmongTheFirstBytes) {
    const std::vector<std::string> heads = {std::string("\xFF\xFE\0\0", 4),
                                            std::string("\0\0\xFE\xFF", 4),
                                            "\xFF\xFE",
                                            "\xFE\xFF",
                                            std::string("\xFF\x1A\xFE", 3),
                                            std::string("\x1A\xFF\xFE", 3),
                                            std::string("\0\0\xFE", 3),
                                            std::string("\xFE", 1),
                                            std::string("", 0)};
    for (const std::string& head : heads) {
        ExpectAsWalked(head, "alone");
        ExpectAsWalked(head + std::string("P\0O\0\r", 5), "with NUL and CR");
        ExpectAsWalked(head + "POLY\r\n", "with a line");
    }
}

TEST(FileSniff, RandomBytesSpanningSeveralBlocks) {
    std::mt19937 random(20261207);
    const std::string alphabet = std::string("\n\r\0\x1A", 4) + "ab ";
    for (int round = 0; round < 40; ++round) {
        const std::size_t size = random() % (3 << 16);
        // Rare telling bytes, so that most files get far before the first.
        std::string bytes(size, 'a');
        const std::size_t telling = size == 0 ? 0 : random() % 6;
        for (std::size_t i = 0; i < telling; ++i) {
            bytes[random() % size] = alphabet[random() % alphabet.size()];
        }
        ExpectAsWalked(bytes, "round " + std::to_string(round));
    }
}
