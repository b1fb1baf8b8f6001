#include "doc/tokens.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "doc/split_line.h"

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct Read {
    std::int32_t value;
    bool number;
};

Read Decimal(std::string_view t) {
    bool number = true;
    const std::int32_t v = doc::ReadDecimal(t, number);
    return {v, number};
}

Read Color(std::string_view t) {
    bool number = true;
    const std::int32_t v = doc::ReadColorValue(t, 0x16, number);
    return {v, number};
}

TEST(DecimalValues, SignDigitsAndWhatStopsThem) {
    EXPECT_EQ(Decimal("0").value, 0);
    EXPECT_EQ(Decimal("-17").value, -17);
    EXPECT_EQ(Decimal("+17").value, 17);
    EXPECT_EQ(Decimal("12.7").value, 12);
    EXPECT_EQ(Decimal("3,4,5").value, 3);
    EXPECT_EQ(Decimal("7\r").value, 7);
    EXPECT_EQ(Decimal("000000000000000000012").value, 12);
    EXPECT_TRUE(Decimal("12.7").number);
}

TEST(DecimalValues, NonNumbersReadZero) {
    for (const char* t : {"-", "+", "x1", "%1", ")", "--5", " 5", ".5", "POLY"}) {
        const Read r = Decimal(t);
        EXPECT_EQ(r.value, 0) << t;
        EXPECT_FALSE(r.number) << t;
    }
}

TEST(DecimalValues, SaturateAtThirtyTwoBits) {
    EXPECT_EQ(Decimal("2147483647").value, kMax);
    EXPECT_EQ(Decimal("2147483648").value, kMax);
    EXPECT_EQ(Decimal("99999999999999999999999").value, kMax);
    EXPECT_EQ(Decimal("-2147483648").value, kMin);
    EXPECT_EQ(Decimal("-2147483649").value, kMin);
    EXPECT_EQ(Decimal("-999999999999").value, kMin);
    EXPECT_EQ(Decimal("1000000000").value, 1000000000);
    EXPECT_EQ(Decimal("-999999999").value, -999999999);
}

// The padded reader on `t` placed in a buffer whose bytes after it are `after`: digits
// there would change the value of a reader that runs past the token.
Read PaddedDecimal(std::string_view t, char after) {
    std::vector<char> buffer(t.begin(), t.end());
    buffer.resize(t.size() + doc::kDecimalPadding + 8, after);
    bool number = true;
    const std::int32_t v =
        doc::ReadPaddedDecimal(std::string_view(buffer.data(), t.size()), number);
    return {v, number};
}

void ExpectSameAsByteReader(std::string_view t) {
    const Read want = Decimal(t);
    for (const char after : {'7', '0', ' ', ')', '\0', '\xFF'}) {
        const Read got = PaddedDecimal(t, after);
        EXPECT_EQ(got.value, want.value) << '"' << t << "\" then " << int(after);
        EXPECT_EQ(got.number, want.number) << '"' << t << "\" then " << int(after);
    }
}

TEST(PaddedDecimalValues, SameAsTheByteReaderOnEdgeTokens) {
    // clang-format off
    const char* const tokens[] = {
        "0", "7", "-0", "+0", "-17", "9999", "-9999", "10000", "0009", "-1a", "a", "+999x",
        "+17", "12.7", "3,4,5", "7\r", "-", "+", "x1", "%1", ")", "--5",
        "-+5", "+-5", " 5", ".5", "POLY", "1234567", "12345678", "123456789", "-12345678",
        "+87654321", "99999999", "-99999999", "100000000", "999999999", "1000000000",
        "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999999999999999",
        "000000000000000000012", "00000000", "00000001", "0000000", "-00000000012", "1234567x",
        "12345678x", "1e5", "12/34", "5:", "9\x7F", "4\xB0", "3\x10", "8\x39", "1 2", "65536",
        "-32768", "\xB0\xB1",
    };
    // clang-format on
    for (const char* t : tokens) {
        ExpectSameAsByteReader(t);
    }
}

TEST(PaddedDecimalValues, SameAsTheByteReaderOnRandomTokens) {
    // Tokens of digits with a sign now and then, and every kind of byte mixed in.
    std::mt19937 random(20261208);
    const std::string alphabet = "0123456789-+.x ;)\t\r\x1A\x80/:";
    for (int k = 0; k < 20000; ++k) {
        const auto length = 1 + random() % 14;
        std::string t;
        for (std::size_t i = 0; i < length; ++i) {
            const bool digit = random() % 4 != 0;
            t += digit ? static_cast<char>('0' + random() % 10)
                       : alphabet[random() % alphabet.size()];
        }
        ExpectSameAsByteReader(t);
    }
    // The ends of each power of ten up to nine digits, signed and not.
    for (std::int64_t v = 1; v <= 100000000; v *= 10) {
        for (const std::int64_t x : {v - 1, v, v + 1, 2 * v - 1, 9 * v + 9}) {
            ExpectSameAsByteReader(std::to_string(x));
            ExpectSameAsByteReader("-" + std::to_string(x));
        }
    }
}

// A line read whole must give exactly the tokens' values; any line it cannot read so is
// left to the split.
TEST(PlainNumberLines, SameValuesAsTheTokensOrRefused) {
    const auto expectSame = [](const std::string& line) {
        std::int32_t values[6] = {};
        const int count = doc::ReadPlainNumbers(line, values, 6);
        if (count < 0) {
            return;
        }
        std::string_view tokens[8];
        bool dropped = false;
        ASSERT_EQ(doc::SplitIntoViews(line, tokens, 8, dropped), count) << line;
        for (int k = 0; k < count; ++k) {
            const Read read = Decimal(tokens[k]);
            EXPECT_TRUE(read.number) << line;
            EXPECT_EQ(values[k], read.value) << line;
        }
    };
    std::mt19937 random(20261209);
    const std::string alphabet = "0123456789-- \t\t+;(.\rx";
    int read = 0;
    for (int k = 0; k < 40000; ++k) {
        std::string line;
        const auto length = random() % 40;
        for (std::size_t i = 0; i < length; ++i) {
            const bool common = random() % 3 != 0;
            line += common ? "0123456789 "[random() % 11] : alphabet[random() % alphabet.size()];
        }
        std::int32_t values[6] = {};
        read += doc::ReadPlainNumbers(line, values, 6) >= 0 ? 1 : 0;
        expectSame(line);
    }
    EXPECT_GT(read, 1000);  // the random lines reach the whole-line reader often enough

    std::int32_t v[3] = {};
    EXPECT_EQ(doc::ReadPlainNumbers("  -866 \t-8 2971  ", v, 3), 3);
    EXPECT_EQ(v[0], -866);
    EXPECT_EQ(v[1], -8);
    EXPECT_EQ(v[2], 2971);
    EXPECT_EQ(doc::ReadPlainNumbers("-999999999 999999999", v, 3), 2);
    EXPECT_EQ(v[0], -999999999);
    EXPECT_EQ(doc::ReadPlainNumbers(" \t ", v, 3), 0);
    // Left to the split: what saturates, signs of their own, bytes of other kinds, and
    // more numbers than asked for.
    for (const char* refused :
         {"1234567890", "+5", "-", "1-2", "5;", "5\r", "1 2 3 4", "(1", "1 )", "7x", "\x1A"}) {
        EXPECT_EQ(doc::ReadPlainNumbers(refused, v, 3), -1) << refused;
    }
}

TEST(ColorValues, HexDigitsEitherCase) {
    EXPECT_EQ(Color("10").value, 0x10);
    EXPECT_EQ(Color("f0").value, 0xF0);
    EXPECT_EQ(Color("Ab").value, 0xAB);
    EXPECT_EQ(Color("5zz").value, 5);
    EXPECT_EQ(Color("7FFFFFFF").value, kMax);
    EXPECT_EQ(Color("80000000").value, kMax);
    EXPECT_EQ(Color("FFFFFFFFFFFF").value, kMax);
}

TEST(ColorValues, PrefixPercentAndNonNumbers) {
    EXPECT_EQ(Color("0x05").value, 5);
    EXPECT_EQ(Color("0X11").value, 0x11);
    EXPECT_EQ(Color("0x").value, 0);
    EXPECT_TRUE(Color("0x").number);
    EXPECT_EQ(Color("0xG").value, 0);
    EXPECT_EQ(Color("%").value, 0x16);
    EXPECT_EQ(Color("a%b").value, 0x16);
    EXPECT_EQ(Color("ENDA").value, 0xE);  // hex digits up to the N
    for (const char* t : {"G", "-5", "x5", ")"}) {
        const Read r = Color(t);
        EXPECT_EQ(r.value, 0) << t;
        EXPECT_FALSE(r.number) << t;
    }
}

TEST(BlockWords, CaseOfAToZOnly) {
    EXPECT_TRUE(doc::EndsBlock(")"));
    EXPECT_TRUE(doc::EndsBlock("EndA"));
    EXPECT_TRUE(doc::EndsBlock("eNdA"));
    EXPECT_FALSE(doc::EndsBlock("ENDAX"));
    EXPECT_FALSE(doc::EndsBlock("END"));
    for (const char* t : {"ENDB", "END!", "END\x41\x41", "ENDa\x80", "\x65\x4E\x44\xC1", "))"}) {
        EXPECT_FALSE(doc::EndsBlock(t)) << t;
    }
    EXPECT_FALSE(doc::EndsBlock("]"));
    EXPECT_TRUE(doc::IsWord("shadedTexPoly", "SHADEDTEXPOLY"));
    EXPECT_FALSE(doc::IsWord("POLY\xE9", "POLY\xC9"));
    EXPECT_FALSE(doc::IsWord("AI", "A"));
}

}  // namespace
