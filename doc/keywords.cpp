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

// Edit distance (insertions, deletions, changes) of two short words, or `limit` + 1 when
// it is larger than `limit`.
std::size_t Distance(std::string_view a, std::string_view b, std::size_t limit) {
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > limit) {
        return limit + 1;
    }
    std::array<std::size_t, 17> row{};
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
    // Keywords run to 13 letters; a word more than two longer is none of them.
    if (token.size() < 3 || token.size() > 15 || MatchKeyword(token) != Keyword::None) {
        return {};
    }
    std::string_view best;
    std::size_t bestDistance = 3;
    constexpr std::string_view kAuto = "AUTOPOINTS";
    const auto consider = [&](std::string_view name) {
        const std::size_t limit = name.size() >= 7 ? 2 : 1;
        const std::size_t d = Distance(token, name, limit);
        if (d <= limit && d < bestDistance) {
            best = name;
            bestDistance = d;
        }
    };
    for (const auto& entry : kWhole) {
        consider(entry.first);
    }
    consider(kAuto);
    return best;
}

Keyword MatchKeyword(std::string_view token) {
    if (token == "ENDA") {
        return Keyword::EndA;
    }
    // No whole keyword contains "AUTOPOINTS", so testing it second changes no outcome.
    if (token.size() >= 10 && token.find("AUTOPOINTS") != std::string_view::npos) {
        return Keyword::AutoPoints;
    }
    if (token.size() < 4 || token.size() > 13) {
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
