// POLY, SHADEDPOLY, TEXPOLY and SHADEDTEXPOLY blocks: one polygon each, ordered so that
// its front faces the way its orientation header asks, then made a face of the model mesh.

#include <algorithm>
#include <span>

#include "doc/block_reader.h"
#include "doc/color_codes.h"
#include "doc/polygon_normal.h"
#include "doc/tarno_doc.h"
#include "platform/core/vector_math.h"

namespace doc {

namespace {

struct FacingRule {
    bool towardsUp = false;  // reference kUp instead of the first vertex
    bool wantNonNegative = false;
};

// The reference direction of the "AU" and "AD" headers.
constexpr rm::D3DVECTOR kUp{0.0F, 0.1F, 0.0F};
// Tokens taken by an "M" header (it and four values) and by a numeric one (four values).
constexpr std::size_t kMatrixHeaderTokens = 5;
constexpr std::size_t kNumericHeaderTokens = 4;
// A textured vertex entry: the index, then two values that are skipped unread.
constexpr int kTexturedEntryTokens = 3;
constexpr int kFewestCorners = 3;

// How many tokens the header takes, and the facing rule it sets.
std::size_t ReadHeader(std::string_view token, FacingRule& rule) {
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
        return kMatrixHeaderTokens;
    }
    // Deliberate: indices right after "(" are taken as a numeric header, four of them.
    if (IsDigit(token[0]) || token[0] == '-') {
        rule = {false, true};
        return kNumericHeaderTokens;
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
    LoadTables& tables = ctx.tables;
    FacingRule rule;  // first vertex, negative, until a header says otherwise
    bool headerRead = false;
    bool textured = false;
    int entry = 0;  // position within a textured vertex entry: 0 is the index
    int n = 0;
    bool fullReported = false;
    std::string_view keyword;  // for warnings only
    const std::int64_t keywordLine = ctx.line + 1;
    tables.polygonCount = 0;

    const auto onKeyword = [&](std::string_view token) {
        textured = IsWord(token, "TEXPOLY") || IsWord(token, "SHADEDTEXPOLY");
    };
    const auto onBody = [&](const BodyTokens& tokens) -> std::size_t {
        const std::string_view token = tokens.Token();
        if (!headerRead) {
            headerRead = true;
            // Deliberate: the header's extra tokens are skipped only as far as this line
            // goes.
            return std::min(ReadHeader(token, rule), 1 + tokens.Remaining());
        }
        if (textured) {
            // The entry counter runs on across lines.
            const int at = entry;
            entry = (entry + 1) % kTexturedEntryTokens;
            if (at != 0) {
                return 1;
            }
        }
        const std::int32_t index = ctx.Decimal(token);
        if (!InTable(index)) {
            if (ctx.observer != nullptr) {
                ctx.Warn(LoadWarning::OutOfBounds, token);
            }
            return 1;
        }
        if (n > 0 && tables.polygonIndexList[static_cast<std::size_t>(n - 1)] == index) {
            return 1;  // a repeat of the vertex before collapses into it
        }
        if (n == kTableSize) {
            if (ctx.observer != nullptr && !fullReported) {
                ctx.Warn(LoadWarning::OutOfBounds, token);
                fullReported = true;
            }
            return 1;
        }
        ctx.CheckWritten(index);
        tables.polygonIndexList[static_cast<std::size_t>(n++)] = index;
        return 1;
    };
    (void)ReadBlock(ctx, EmptyLines::EndBlock, onKeyword, onBody, &keyword);
    tables.NotePolygonList(n);
    if (ctx.Failed()) {
        return;
    }
    if (n < kFewestCorners) {
        if (ctx.observer != nullptr) {
            ctx.WarnAt(LoadWarning::ShortPolygon, keywordLine,
                       std::string(keyword) + ", " + std::to_string(n) +
                           (n == 1 ? " vertex" : " vertices"));
        }
        return;
    }
    if (tables.Partial()) {
        for (int k = 0; k < n; ++k) {
            if (!tables.PointKnown(static_cast<std::size_t>(
                    tables.polygonIndexList[static_cast<std::size_t>(k)]))) {
                ctx.Fail(kNeedsEarlierPart);
                return;
            }
        }
    }
    const rm::D3DVECTOR reference =
        rule.towardsUp ? kUp : PointAt(tables, tables.polygonIndexList[0]);
    const bool nonNegative = PolygonFacesAlong(tables, n, reference);
    if (nonNegative != rule.wantNonNegative) {
        std::reverse(tables.polygonIndexList.begin(), tables.polygonIndexList.begin() + n);
    }
    tables.polygonCount = n;
}

void CTarnoDoc::AddPolygonFace(LoadContext& ctx, bool textured) {
    const LoadTables& tables = ctx.tables;
    if (!textured && !tables.SurfaceColorKnown()) {
        ctx.Fail(kNeedsEarlierPart);
        return;
    }
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
    // A textured polygon takes the shading colour; the current surface colour stays.
    const rm::D3DCOLOR color =
        textured ? ColorFromCode(kShadingCode, kPercentSecond) : tables.surfaceColor;
    if (rm::Failed(ctx.mesh.AddFaceAt(std::span(ctx.corners.data(), n), color))) {
        ctx.Fail("cannot create a face of the model");
        return;
    }
    ++ctx.summary.faces;
}

}  // namespace doc
