#include "platform/io/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace {

using tarno_test::WriteTemp;

std::vector<std::string> ReadAll(const std::string& path) {
    rm::TextFile file;
    EXPECT_TRUE(file.Open(path)) << file.Error();
    std::vector<std::string> lines;
    std::string line;
    while (file.ReadString(line) == rm::ReadStatus::Line) {
        lines.push_back(line);
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(TextFileLines, LineEndsAreRemoved) {
    EXPECT_EQ(ReadAll(WriteTemp("crlf", "one\r\ntwo\r\n\r\nfour\r\n")),
              (Lines{"one", "two", "", "four"}));
    EXPECT_EQ(ReadAll(WriteTemp("lf", "one\ntwo\n\nfour\n")), (Lines{"one", "two", "", "four"}));
    EXPECT_EQ(ReadAll(WriteTemp("mixed", "one\r\ntwo\nthree\r\n")), (Lines{"one", "two", "three"}));
}

TEST(TextFileLines, BareCarriageReturnStaysInTheLine) {
    EXPECT_EQ(ReadAll(WriteTemp("cr", "a\rb\r\nc\r")), (Lines{"a\rb", "c\r"}));
}

TEST(TextFileLines, LastLineNeedsNoLineEnd) {
    EXPECT_EQ(ReadAll(WriteTemp("noend", "one\r\ntwo")), (Lines{"one", "two"}));
    EXPECT_TRUE(ReadAll(WriteTemp("empty", "")).empty());
    EXPECT_EQ(ReadAll(WriteTemp("onlyend", "\n")), (Lines{""}));
}

TEST(TextFileLines, EndOfTextByteEndsTheFile) {
    EXPECT_EQ(ReadAll(WriteTemp("eot", "one\r\ntw\x1Ao\r\nthree\r\n")), (Lines{"one", "tw"}));
    EXPECT_EQ(ReadAll(WriteTemp("eotline", "one\n\x1A\ntwo\n")), (Lines{"one"}));
    EXPECT_TRUE(ReadAll(WriteTemp("eotfirst",
                                  "\x1A"
                                  "one\n"))
                    .empty());
}

TEST(TextFileLines, EndOfTextStaysTheEndAfterASeek) {
    rm::TextFile file;
    ASSERT_TRUE(file.Open(WriteTemp("eotseek",
                                    "ab\ncd\x1A"
                                    "ef\n")));
    std::string line;
    while (file.ReadString(line) == rm::ReadStatus::Line) {
    }
    ASSERT_TRUE(file.SeekTo(3));
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "cd");
    ASSERT_TRUE(file.SeekTo(7));
    EXPECT_EQ(file.ReadString(line), rm::ReadStatus::End);
}

TEST(TextFileLines, AnyLineLength) {
    const std::string longLine(std::size_t{1} << 20, 'x');
    const std::string longer(std::size_t{3} << 20, 'y');
    const Lines got = ReadAll(WriteTemp("long", "a\n" + longLine + "\r\nb\n" + longer));
    ASSERT_EQ(got.size(), 4U);
    EXPECT_EQ(got[0], "a");
    EXPECT_EQ(got[1], longLine);
    EXPECT_EQ(got[2], "b");
    EXPECT_EQ(got[3], longer);
}

TEST(TextFileLines, ManyLinesAcrossBufferRefills) {
    std::string text;
    Lines expected;
    for (int i = 0; text.size() < 4 * rm::TextFile::kBufferSize; ++i) {
        expected.push_back("line " + std::to_string(i));
        text += expected.back() + (i % 3 == 0 ? "\r\n" : "\n");
    }
    EXPECT_EQ(ReadAll(WriteTemp("many", text)), expected);
}

TEST(TextFileLines, EveryShortLineLengthAndLineEnd) {
    // Lines of 0 to 150 bytes, each with either end, so that a line end falls at every
    // place of the blocks the reader looks at; run twice, the second time across a refill.
    std::string text;
    Lines expected;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t length = 0; length <= 150; ++length) {
            expected.emplace_back(length, static_cast<char>('a' + length % 26));
            text += expected.back() + (length % 2 == 0 ? "\r\n" : "\n");
        }
        // Longer than the buffer, as the line the reader then grows it for.
        const std::size_t longLine = rm::TextFile::kBufferSize + rm::TextFile::kBufferSize / 8;
        text += std::string(longLine, 'z') + "\n";
        expected.emplace_back(longLine, 'z');
    }
    EXPECT_EQ(ReadAll(WriteTemp("lengths", text)), expected);
}

TEST(TextFileLines, LastLineIgnoresLineEndsLeftInTheBuffer) {
    // Short lines fill the buffer with line ends; the file's last lines, read after the
    // buffer was refilled and shifted, stop where the file does, not at a stale line end.
    std::string lines;
    Lines before;
    while (lines.size() < 2 * rm::TextFile::kBufferSize + rm::TextFile::kBufferSize / 4) {
        before.emplace_back(lines.size() % 41, static_cast<char>('a' + lines.size() % 26));
        lines += before.back() + "\n";
    }
    for (const std::size_t tail : {1U, 5U, 15U, 16U, 17U, 40U, 63U, 64U, 65U, 100U}) {
        std::string text = lines;
        Lines expected = before;
        expected.emplace_back(tail, 'q');
        text += expected.back();
        EXPECT_EQ(ReadAll(WriteTemp("staletail", text)), expected) << tail;
    }
}

TEST(TextFilePositions, LineStartAndPositionAreFileOffsets) {
    rm::TextFile file;
    ASSERT_TRUE(file.Open(WriteTemp("offsets", "ab\r\ncde\nf")));
    std::string_view line;
    ASSERT_EQ(file.ReadLine(line), rm::ReadStatus::Line);
    EXPECT_EQ(file.LineStart(), 0);
    EXPECT_EQ(file.Position(), 4);
    ASSERT_EQ(file.ReadLine(line), rm::ReadStatus::Line);
    EXPECT_EQ(file.LineStart(), 4);
    EXPECT_EQ(file.Position(), 8);
    ASSERT_EQ(file.ReadLine(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "f");
    EXPECT_EQ(file.LineStart(), 8);
    EXPECT_EQ(file.ReadLine(line), rm::ReadStatus::End);
}

// Counting the lines up to an offset gives what reading them one by one gives: across
// buffer refills and lines longer than the buffer, from the start or after some lines.
TEST(TextFilePositions, CountLinesToAgreesWithReadingThem) {
    std::string text;
    for (int i = 0; i < 60000; ++i) {
        text += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\n");
        if (i == 30000) {
            text += std::string(std::size_t{3} << 20, 'w') + "\r\n";  // past the buffer
        }
    }
    text += "tail without an end";
    const std::string path = WriteTemp("count", text);
    rm::TextFile reader;
    ASSERT_TRUE(reader.Open(path));
    std::vector<std::int64_t> starts;  // of every line, with its number of lines before
    std::string_view line;
    while (reader.ReadLine(line) == rm::ReadStatus::Line) {
        starts.push_back(reader.LineStart());
    }
    for (const std::size_t from : {std::size_t{0}, std::size_t{5}}) {
        for (const std::size_t to : {std::size_t{6}, std::size_t{29999}, std::size_t{30001},
                                     std::size_t{30002}, starts.size() - 1}) {
            rm::TextFile file;
            ASSERT_TRUE(file.Open(path));
            for (std::size_t k = 0; k < from; ++k) {
                ASSERT_EQ(file.ReadLine(line), rm::ReadStatus::Line);
            }
            std::int64_t lines = -1;
            ASSERT_TRUE(file.CountLinesTo(starts[to], lines)) << from << " " << to;
            EXPECT_EQ(lines, static_cast<std::int64_t>(to - from)) << from << " " << to;
            EXPECT_EQ(file.Position(), starts[to]);
            ASSERT_EQ(file.ReadLine(line), rm::ReadStatus::Line);
            EXPECT_EQ(file.LineStart(), starts[to]);
        }
    }
}

// Where reading line by line would not arrive exactly there, counting fails too.
TEST(TextFilePositions, CountLinesToOnlyReachesLineStartsInTheText) {
    const std::string path = WriteTemp("countbad", "one\r\ntwo\n\x1A\nthree\nfour\n");
    std::int64_t lines = -1;
    rm::TextFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_FALSE(file.CountLinesTo(6, lines));  // inside "two"
    ASSERT_TRUE(file.SeekTo(0));
    EXPECT_FALSE(file.CountLinesTo(11, lines));  // "three", after the end of the text
    ASSERT_TRUE(file.SeekTo(0));
    ASSERT_TRUE(file.CountLinesTo(9, lines));  // the 0x1A line's start, before the end
    EXPECT_EQ(lines, 2);
    EXPECT_FALSE(file.CountLinesTo(5, lines));  // behind the position
    EXPECT_EQ(lines, 0);
    ASSERT_TRUE(file.CountLinesTo(9, lines));  // where it is: nothing to count
    EXPECT_EQ(lines, 0);
}

TEST(TextFilePositions, SeekBackReadsTheLineAgain) {
    rm::TextFile file;
    ASSERT_TRUE(file.Open(WriteTemp("seekback", "first\r\nsecond\r\nthird\r\n")));
    std::string line;
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    // Back by the line's length plus its CR LF.
    ASSERT_TRUE(file.SeekRelative(-static_cast<std::int64_t>(line.size() + 2)));
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "second");
    ASSERT_TRUE(file.SeekTo(0));
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "first");
}

TEST(TextFilePositions, SeekForwardAndOutsideTheBuffer) {
    std::string text(3U << 20, 'z');
    text += "\nlast\n";
    rm::TextFile file;
    ASSERT_TRUE(file.Open(WriteTemp("seekfar", "start\n" + text)));
    std::string line;
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    ASSERT_TRUE(file.SeekRelative(static_cast<std::int64_t>(3U << 20) + 1));
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "last");
    ASSERT_TRUE(file.SeekTo(2));
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "art");
    ASSERT_TRUE(file.SeekTo(100U << 20));
    EXPECT_EQ(file.ReadString(line), rm::ReadStatus::End);
}

TEST(TextFilePositions, SeekBeforeTheStartFails) {
    rm::TextFile file;
    ASSERT_TRUE(file.Open(WriteTemp("seekneg", "ab\n")));
    EXPECT_FALSE(file.SeekRelative(-1));
    EXPECT_FALSE(file.Error().empty());
    EXPECT_FALSE(file.SeekTo(-5));
    std::string line;
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "ab");
}

TEST(TextFileErrors, MissingFileDoesNotOpen) {
    rm::TextFile file;
    EXPECT_FALSE(file.Open(tarno_test::TempPath("no_such_file")));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_NE(file.Error().find("cannot open"), std::string::npos);
    std::string line;
    EXPECT_EQ(file.ReadString(line), rm::ReadStatus::Error);
}

TEST(TextFileErrors, FolderGivesAReadError) {
    rm::TextFile file;
    ASSERT_TRUE(file.Open(tarno_test::ScratchDir("folder")));
    std::string line;
    EXPECT_EQ(file.ReadString(line), rm::ReadStatus::Error);
    EXPECT_FALSE(file.Error().empty());
}

TEST(TextFileErrors, UnreadableSystemFileGivesAReadError) {
    rm::TextFile file;
    if (!file.Open("/proc/self/mem")) {
        GTEST_SKIP() << "no /proc/self/mem here";
    }
    std::string line;
    EXPECT_EQ(file.ReadString(line), rm::ReadStatus::Error);
}

TEST(TextFileErrors, ReopenAfterCloseStartsAfresh) {
    rm::TextFile file;
    ASSERT_TRUE(file.Open(WriteTemp("reopen_a", "a\x1A")));
    std::string line;
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    ASSERT_TRUE(file.Open(WriteTemp("reopen_b", "b\nc\n")));
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "b");
    ASSERT_EQ(file.ReadString(line), rm::ReadStatus::Line);
    EXPECT_EQ(line, "c");
    file.Close();
    EXPECT_EQ(file.ReadString(line), rm::ReadStatus::Error);
}

}  // namespace
