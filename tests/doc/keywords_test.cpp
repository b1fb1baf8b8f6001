#include "doc/keywords.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "doc/tokens.h"
#include "tests/support/xorshift.h"

namespace {

using doc::Keyword;

constexpr std::array<std::pair<std::string_view, Keyword>, 15> kWhole = {{
    {"ENDA", Keyword::EndA},
    {"POINTS", Keyword::Points},
    {"VECPOINTS", Keyword::VecPoints},
    {"VECTORPOINTS", Keyword::VectorPoints},
    {"POLY", Keyword::Poly},
    {"SHADEDPOLY", Keyword::ShadedPoly},
    {"TEXPOLY", Keyword::TexPoly},
    {"SHADEDTEXPOLY", Keyword::ShadedTexPoly},
    {"MOVETO", Keyword::MoveTo},
    {"DRAWTO", Keyword::DrawTo},
    {"MOVETOPT", Keyword::MoveToPt},
    {"DRAWTOPT", Keyword::DrawToPt},
    {"LINECOLOR", Keyword::LineColor},
    {"SURFACECOLOR", Keyword::SurfaceColor},
    {"SHADEDCOLOR", Keyword::ShadedColor},
}};

// The plain rules, a byte at a time: "ENDA" whole, then "AUTOPOINTS" anywhere, then the
// other keywords whole.
Keyword PlainMatch(std::string_view upper) {
    if (upper == "ENDA") return Keyword::EndA;
    if (upper.find("AUTOPOINTS") != std::string_view::npos) return Keyword::AutoPoints;
    for (const auto& [name, keyword] : kWhole) {
        if (upper == name) return keyword;
    }
    return Keyword::None;
}

// Names compared without regard to the case of a to z only.
std::string_view PlainName(std::string_view token) {
    for (const auto& entry : kWhole) {
        if (doc::IsWord(token, entry.first)) return entry.first;
    }
    return {};
}

// Tokens made of keyword pieces in either case, with bytes that only look like letters
// (above 0x7F, "@", "[", "`", "{"), NULs and the length bound's neighbours.
TEST(Keywords, MatchAndNameAgreeWithTheByteWiseRules) {
    const std::string odd = std::string("@[`{\xC1\xE1\xFA\xDA_09 ") + '\0';
    tarno_test::XorShift next(0x2545F4914F6CDD1DULL);
    for (int round = 0; round < 200000; ++round) {
        std::string token(kWhole[next() % kWhole.size()].first);
        if (round % 5 == 1) token = "AUTOPOINTS";
        for (char& c : token) {
            if (next() % 2 == 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        switch (next() % 6) {
            case 0:
                break;
            case 1:
                token[next() % token.size()] = odd[next() % odd.size()];
                break;
            case 2:
                token.insert(next() % (token.size() + 1), 1, odd[next() % odd.size()]);
                break;
            case 3:
                token.erase(next() % token.size(), 1);
                break;
            case 4:
                token = "X" + token;
                break;
            default:
                token.resize(next() % (token.size() + 3), '\0');
                break;
        }
        const std::string_view name = doc::KeywordName(token);
        ASSERT_EQ(name, PlainName(token)) << "round " << round;
        std::string upper = token;
        for (char& c : upper) c = doc::UpperByte(c);
        ASSERT_EQ(doc::MatchKeyword(upper), PlainMatch(upper)) << "round " << round;
        // As the file has it, followed by more letters that must not count.
        std::string padded = token;
        for (std::size_t k = 0; k < doc::kKeywordPadding; ++k) {
            padded += "POLYtexAD\0 "[next() % 11];
        }
        ASSERT_EQ(doc::MatchPaddedKeyword(std::string_view(padded.data(), token.size())),
                  PlainMatch(upper))
            << "round " << round;
    }
}

TEST(Keywords, EachNameMatchesItsOwnKeywordOnly) {
    for (const auto& [name, keyword] : kWhole) {
        EXPECT_EQ(doc::KeywordName(name), name);
        EXPECT_EQ(doc::MatchKeyword(name), keyword) << name;
        EXPECT_EQ(doc::KeywordNameOf(keyword), name);
        std::string lower(name);
        for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
        EXPECT_EQ(doc::KeywordName(lower), name);
        EXPECT_EQ(doc::MatchKeyword(lower), Keyword::None) << "only upper-cased tokens";
        EXPECT_EQ(doc::MatchKeyword(std::string(name) + '\0'), Keyword::None) << name;
        EXPECT_EQ(doc::KeywordName(std::string(name) + '\0'), "") << name;
    }
    EXPECT_EQ(doc::MatchKeyword("XAUTOPOINTSY"), Keyword::AutoPoints);
    EXPECT_EQ(doc::KeywordNameOf(Keyword::AutoPoints), "");
    EXPECT_EQ(doc::KeywordNameOf(Keyword::None), "");
    // "\xF9" is "y" with the high bit set: not a letter, not made upper-case.
    EXPECT_EQ(doc::KeywordName("poly"), "POLY");
    EXPECT_EQ(doc::KeywordName("pol\xF9"), "");
}

}  // namespace
