#include "doc/keywords.h"

#include <algorithm>
#include <array>
#include <utility>

#include "doc/tokens.h"

namespace doc {

namespace {

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

// The shortest and the longest whole keyword ("ENDA"/"POLY" and "SHADEDTEXPOLY").
constexpr std::size_t kShortestKeyword = 4;
constexpr std::size_t kLongestKeyword = 13;
constexpr std::string_view kAutoPoints = "AUTOPOINTS";
// A misspelling is at most this many edits from a keyword (two for long keywords).
constexpr std::size_t kMostEdits = 2;
constexpr std::size_t kLongKeyword = 7;

// Edit distance (insertions, deletions, changes) of two short words, or `limit` + 1 when
// it is larger than `limit`.
std::size_t Distance(std::string_view a, std::string_view b, std::size_t limit) {
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > limit) {
        return limit + 1;
    }
    std::array<std::size_t, kLongestKeyword + kMostEdits + 2> row{};  // b is a keyword
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string_view LikelyKeyword(std::string_view token) {
    if (token.size() + 1 < kShortestKeyword || token.size() > kLongestKeyword + kMostEdits ||
        MatchKeyword(token) != Keyword::None) {
        return {};
    }
    std::string_view best;
    std::size_t bestDistance = kMostEdits + 1;
    const auto consider = [&](std::string_view name) {
        const std::size_t limit = name.size() >= kLongKeyword ? kMostEdits : 1;
        const std::size_t d = Distance(token, name, limit);
        if (d <= limit && d < bestDistance) {
            best = name;
            bestDistance = d;
        }
    };
    for (const auto& entry : kWhole) {
        consider(entry.first);
    }
    consider(kAutoPoints);
    return best;
}

Keyword MatchKeyword(std::string_view token) {
    if (token == "ENDA") {
        return Keyword::EndA;
    }
    // No whole keyword contains "AUTOPOINTS", so testing it second changes no outcome.
    if (token.size() >= kAutoPoints.size() && token.find(kAutoPoints) != std::string_view::npos) {
        return Keyword::AutoPoints;
    }
    if (token.size() < kShortestKeyword || token.size() > kLongestKeyword) {
        return Keyword::None;
    }
    for (const auto& [name, keyword] : kWhole) {
        if (token == name) {
            return keyword;
        }
    }
    return Keyword::None;
}

std::string_view KeywordName(std::string_view token) {
    for (const auto& [name, keyword] : kWhole) {
        if (IsWord(token, name)) {
            return name;
        }
    }
    return {};
}

}  // namespace doc
