#pragma once
// The sixteen keywords that select a command when they open a line.

#include <cstddef>
#include <string_view>

namespace doc {

enum class Keyword {
    None,
    EndA,
    AutoPoints,
    Points,
    VecPoints,
    VectorPoints,
    Poly,
    ShadedPoly,
    TexPoly,
    ShadedTexPoly,
    MoveTo,
    DrawTo,
    MoveToPt,
    DrawToPt,
    LineColor,
    SurfaceColor,
    ShadedColor,
};

// Matches an upper-cased first token, in the table's order: "ENDA" whole, "AUTOPOINTS"
// anywhere in the token, every other keyword whole.
[[nodiscard]] Keyword MatchKeyword(std::string_view upperToken);

// MatchKeyword for a first token as the file has it, of any case, followed in memory by at
// least kKeywordPadding readable bytes (a view into the file reader's padded buffer): a
// token as long as a keyword is read as two words and upper-cased at once.
inline constexpr std::size_t kKeywordPadding = 16;
[[nodiscard]] Keyword MatchPaddedKeyword(std::string_view token);

// The keyword a first token stands for, upper-case as the table writes it; "" for none.
[[nodiscard]] std::string_view KeywordName(std::string_view token);

// The name of a whole keyword, as KeywordName gives it; "" for None and AutoPoints.
[[nodiscard]] std::string_view KeywordNameOf(Keyword keyword);

// The keyword an upper-cased first token that is none is most likely a misspelling of:
// one letter away (added, dropped or changed), or two for keywords of seven letters or
// more. "" when none is that close.
[[nodiscard]] std::string_view LikelyKeyword(std::string_view upperToken);

[[nodiscard]] constexpr bool IsTexturedPolygon(Keyword k) {
    return k == Keyword::TexPoly || k == Keyword::ShadedTexPoly;
}

}  // namespace doc
