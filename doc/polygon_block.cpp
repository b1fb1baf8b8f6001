// POLY, SHADEDPOLY, TEXPOLY and SHADEDTEXPOLY blocks: one polygon each, ordered so that
// its front faces the way its orientation header asks, then made a face of the model mesh.

#include <algorithm>
#include <span>

#include "doc/keywords.h"
#include "doc/load_context.h"
#include "doc/polygon_normal.h"
#include "doc/tarno_doc.h"
#include "platform/core/vector_math.h"

namespace doc {

namespace {

struct FacingRule {
    bool towardsUp = false;  // reference (0, 0.1, 0) instead of the first vertex
    bool wantNonNegative = false;
};

// How many tokens the header takes, and the facing rule it sets.
int ReadHeader(std::string_view token, FacingRule& rule) {
    if (IsWord(token, "A")) {
        rule = {false, true};
        return 1;
    }
    if (IsWord(token, "AI")) {
        rule = {false, false};
        return 1;
    }
    if (IsWord(token, "AU")) {
        rule = {true, true};
        return 1;
    }
    if (IsWord(token, "AD")) {
        rule = {true, false};
        return 1;
    }
    if (IsWord(token, "M")) {
        rule = {false, true};
        return 5;
    }
    if (IsDigit(token[0]) || token[0] == '-') {
        rule = {false, true};
        return 4;
    }
    rule = {false, false};
    return 1;
}

rm::D3DVECTOR PointAt(const LoadTables& tables, std::int32_t index) {
    const TablePoint& p = tables.pointTable[static_cast<std::size_t>(index)];
    return {static_cast<rm::D3DVALUE>(p.x), static_cast<rm::D3DVALUE>(p.y),
            static_cast<rm::D3DVALUE>(p.z)};
}

}  // namespace

void CTarnoDoc::ReadPolygonBlock(LoadContext& ctx) {
    enum class State { Keyword, Open, Header, Vertices };
    State state = State::Keyword;
    LoadTables& tables = Tables();
    FacingRule rule;  // first vertex, negative, until a header says otherwise
    bool textured = false;
    int entry = 0;  // position within a textured vertex entry: 0 is the index
    int n = 0;
    bool fullReported = false;
    std::string_view keyword;  // for warnings only
    const std::int64_t keywordLine = ctx.line + 1;
    tables.polygonCount = 0;

    int count = 0;
    bool open = true;
    while (open) {
        const LoadContext::BlockLine got = ctx.NextBlockLine(count);
        if (got != LoadContext::BlockLine::Tokens) {
            ctx.WarnNotClosed(got, keywordLine, keyword);
            break;
        }
        const std::string_view* t = ctx.tokens.data();
        for (int i = 0; i < count; ++i) {
            const std::string_view token = t[i];
            if (EndsBlock(token)) {
                open = false;
                break;
            }
            if (state == State::Vertices) {
                if (textured) {
                    const int at = entry;
                    entry = (entry + 1) % 3;
                    if (at != 0) {
                        continue;
                    }
                }
                const std::int32_t index = ctx.Decimal(token);
                if (!InTable(index)) {
                    if (ctx.observer != nullptr) {
                        ctx.Warn(LoadWarning::OutOfBounds, token);
                    }
                    continue;
                }
                if (n > 0 && tables.polygonIndexList[static_cast<std::size_t>(n - 1)] == index) {
                    continue;  // a repeat of the vertex before collapses into it
                }
                if (n == kTableSize) {
                    if (ctx.observer != nullptr && !fullReported) {
                        ctx.Warn(LoadWarning::OutOfBounds, token);
                        fullReported = true;
                    }
                    continue;
                }
                ctx.CheckWritten(index);
                tables.polygonIndexList[static_cast<std::size_t>(n++)] = index;
                continue;
            }
            if (state == State::Keyword) {
                if (ctx.observer != nullptr) {
                    keyword = KeywordName(token);
                }
                textured = IsWord(token, "TEXPOLY") || IsWord(token, "SHADEDTEXPOLY");
                state = State::Open;
            } else if (state == State::Open) {
                if (!IsOpenBracket(token)) {
                    open = false;
                    break;
                }
                state = State::Header;
            } else {
                // The header's extra tokens are skipped only as far as this line goes.
                const int take = ReadHeader(token, rule);
                i += std::min(take - 1, count - 1 - i);
                state = State::Vertices;
            }
        }
    }
    if (ctx.Failed()) {
        return;
    }
    if (n < 3) {
        if (ctx.observer != nullptr) {
            ctx.WarnAt(LoadWarning::ShortPolygon, keywordLine,
                       std::string(keyword) + ", " + std::to_string(n) +
                           (n == 1 ? " vertex" : " vertices"));
        }
        return;
    }
    const rm::D3DVECTOR normal = PolygonNormal(tables, n);
    const rm::D3DVECTOR reference = rule.towardsUp ? rm::D3DVECTOR{0.0F, 0.1F, 0.0F}
                                                   : PointAt(tables, tables.polygonIndexList[0]);
    const bool nonNegative = rm::D3DRMVectorDotProduct(normal, reference) >= 0.0F;
    if (nonNegative != rule.wantNonNegative) {
        std::reverse(tables.polygonIndexList.begin(), tables.polygonIndexList.begin() + n);
    }
    tables.polygonCount = n;
}

void CTarnoDoc::AddPolygonFace(LoadContext& ctx, bool textured) {
    LoadTables& tables = Tables();
    ctx.MakeRoomForFaces();
    const auto n = static_cast<std::size_t>(tables.polygonCount);
    for (std::size_t k = 0; k < n; ++k) {
        const std::int32_t index = tables.polygonIndexList[k];
        if (!ctx.PositionOf(tables.pointTable[static_cast<std::size_t>(index)], index,
                            ctx.corners[k])) {
            ctx.Fail("cannot create a face of the model");
            return;
        }
    }
    const rm::D3DCOLOR color = textured ? ColorFromCode(0x16, 240) : tables.surfaceColor;
    if (rm::Failed(ctx.mesh.AddFaceAt(std::span(ctx.corners.data(), n), color))) {
        ctx.Fail("cannot create a face of the model");
        return;
    }
    ++ctx.summary.faces;
}

}  // namespace doc
