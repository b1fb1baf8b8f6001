#include "doc/keywords.h"

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

}  // namespace

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
