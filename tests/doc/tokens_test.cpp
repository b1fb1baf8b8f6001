#include "doc/tokens.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

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
