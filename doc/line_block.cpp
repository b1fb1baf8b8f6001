// MOVETO / DRAWTO blocks (a path of written-out points) and MOVETOPT / DRAWTOPT blocks (a
// path of point-table indices), and the strokes a DRAW block lays along its whole path.

#include <cstdint>
#include <string>

#include "doc/keywords.h"
#include "doc/load_context.h"
#include "doc/tarno_doc.h"

namespace doc {

namespace {

constexpr rm::D3DVALUE kStrokeHalfWidth = 0.05F;

// Each DRAW block strokes its whole path again, so a few thousand DRAW lines on a long path
// ask for tens of millions of strokes (gigabytes). Past this many in one load no further
// stroke is laid, and the observer hears of it once.
constexpr std::uint32_t kMaxStrokesPerLoad = 500'000;

// True while the load may lay one more stroke.
bool StrokeBudgetLeft(LoadContext& ctx) {
    if (ctx.summary.strokes < kMaxStrokesPerLoad) {
        return true;
    }
    if (ctx.observer != nullptr && !ctx.strokeLimitReported) {
        ctx.Warn(LoadWarning::OutOfBounds,
                 "stroke " + std::to_string(kMaxStrokesPerLoad + 1) + " (limit of a load)");
    }
    ctx.strokeLimitReported = true;
    return false;
}

rm::D3DVECTOR ToVector(const TablePoint& p) {
    return {static_cast<rm::D3DVALUE>(p.x), static_cast<rm::D3DVALUE>(p.y),
            static_cast<rm::D3DVALUE>(p.z)};
}

void WarnPathFull(const LoadContext& ctx, bool& reported, std::string_view token) {
    if (ctx.observer != nullptr && !reported) {
        ctx.Warn(LoadWarning::OutOfBounds, token);
        reported = true;
    }
}

}  // namespace

int CTarnoDoc::ReadLineBlock(LoadContext& ctx) {
    enum class State { Keyword, Open, Points };
    State state = State::Keyword;
    LoadTables& tables = Tables();
    int result = -1;
    int added = 0;
    bool fullReported = false;
    std::string_view keyword;  // for warnings only
    const std::int64_t keywordLine = ctx.line + 1;

    int count = 0;
    bool open = true;
    while (open) {
        const LoadContext::BlockLine got = ctx.NextBlockLine(count);
        if (got != LoadContext::BlockLine::Tokens) {
            ctx.WarnNotClosed(got, keywordLine, keyword);
            break;
        }
        const std::string_view* t = ctx.tokens.data();
        int i = 0;
        while (i < count) {
            const std::string_view token = t[i];
            // Only the first token of a point is tested: ")" in the y or z place reads 0.
            if (EndsBlock(token)) {
                open = false;
                break;
            }
            if (state == State::Keyword) {
                if (ctx.observer != nullptr) {
                    keyword = KeywordName(token);
                }
                if (IsWord(token, "MOVETO")) {
                    ClearPaths();
                    tables.coordinateCount = 0;
                    result = 0;
                } else {
                    result = 1;
                }
                state = State::Open;
                ++i;
                continue;
            }
            if (state == State::Open) {
                if (!IsOpenBracket(token)) {
                    open = false;
                    break;
                }
                state = State::Points;
                ++i;
                continue;
            }
            // A point is three tokens of one line; those missing at its end read as 0.
            TablePoint p{0, 0, 0};
            p.x = ctx.Decimal(token);
            if (i + 1 < count) {
                p.y = ctx.Decimal(t[i + 1]);
            }
            if (i + 2 < count) {
                p.z = ctx.Decimal(t[i + 2]);
            }
            const std::int64_t at = std::int64_t{tables.coordinateCount} + added;
            if (InTable(at)) {
                tables.SetCoordinate(static_cast<std::size_t>(at), p);
                ++added;
            } else {
                WarnPathFull(ctx, fullReported, token);
            }
            i += 3;
        }
    }
    tables.coordinateCount += added;
    return result;
}

int CTarnoDoc::ReadPointLineBlock(LoadContext& ctx) {
    enum class State { Keyword, Open, Indices };
    State state = State::Keyword;
    LoadTables& tables = Tables();
    int result = -1;
    int added = 0;
    bool fullReported = false;
    std::string_view keyword;  // for warnings only
    const std::int64_t keywordLine = ctx.line + 1;

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
            if (state == State::Keyword) {
                if (ctx.observer != nullptr) {
                    keyword = KeywordName(token);
                }
                if (IsWord(token, "MOVETOPT")) {
                    ClearPaths();
                    tables.pointPathCount = 0;
                    result = 0;
                } else {
                    result = 1;
                }
                state = State::Open;
                continue;
            }
            if (state == State::Open) {
                if (!IsOpenBracket(token)) {
                    open = false;
                    break;
                }
                state = State::Indices;
                continue;
            }
            const std::int32_t index = ctx.Decimal(token);
            if (!InTable(index)) {
                if (ctx.observer != nullptr) {
                    ctx.Warn(LoadWarning::OutOfBounds, token);
                }
                continue;
            }
            const std::int64_t at = std::int64_t{tables.pointPathCount} + added;
            if (!InTable(at)) {
                WarnPathFull(ctx, fullReported, token);
                continue;
            }
            ctx.CheckWritten(index);
            tables.SetPointPathEntry(static_cast<std::size_t>(at), index);
            ++added;
        }
    }
    tables.pointPathCount += added;
    return result;
}

void CTarnoDoc::LayCoordinateStrokes(LoadContext& ctx) {
    const LoadTables& tables = Tables();
    for (int i = 0; i + 1 < tables.coordinateCount && StrokeBudgetLeft(ctx); ++i) {
        ctx.MakeRoomForFaces();
        if (AddStroke(ctx.mesh, kStrokeHalfWidth,
                      ToVector(tables.coordinatePath[static_cast<std::size_t>(i)]),
                      ToVector(tables.coordinatePath[static_cast<std::size_t>(i + 1)]),
                      tables.lineColor)) {
            ++ctx.summary.strokes;
        }
    }
}

void CTarnoDoc::LayPointStrokes(LoadContext& ctx) {
    const LoadTables& tables = Tables();
    for (int i = 0; i + 1 < tables.pointPathCount && StrokeBudgetLeft(ctx); ++i) {
        ctx.MakeRoomForFaces();
        // Path entries are always table indices: out-of-table ones are never stored.
        const auto a = static_cast<std::size_t>(tables.pointPath[static_cast<std::size_t>(i)]);
        const auto b = static_cast<std::size_t>(tables.pointPath[static_cast<std::size_t>(i + 1)]);
        if (AddStroke(ctx.mesh, kStrokeHalfWidth, ToVector(tables.pointTable[a]),
                      ToVector(tables.pointTable[b]), tables.lineColor)) {
            ++ctx.summary.strokes;
        }
    }
}

}  // namespace doc
