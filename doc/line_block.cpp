// MOVETO / DRAWTO blocks (a path of written-out points) and MOVETOPT / DRAWTOPT blocks (a
// path of point-table indices), and the strokes a DRAW block lays along its whole path.

#include <cstdint>
#include <string>

#include "doc/block_reader.h"
#include "doc/tarno_doc.h"

namespace doc {

namespace {

constexpr rm::D3DVALUE kStrokeHalfWidth = 0.05F;
// A point of a MOVETO or DRAWTO block: x, y and z.
constexpr std::size_t kPointTokens = 3;

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

PathBlock CTarnoDoc::ReadLineBlock(LoadContext& ctx) {
    LoadTables& tables = ctx.tables;
    PathBlock result = PathBlock::Unread;
    int added = 0;
    bool fullReported = false;

    const auto onKeyword = [&](std::string_view token) {
        if (IsWord(token, "MOVETO")) {
            // Deliberate: a MOVE block clears the entries of both paths but resets only
            // its own path's count.
            ClearPaths(tables);
            tables.coordinateCount = 0;
            tables.NoteCoordinatePathStarted();
            result = PathBlock::Move;
        } else {
            if (!tables.CoordinatePathKnown()) {
                ctx.Fail(kNeedsEarlierPart);
            }
            result = PathBlock::Draw;
        }
    };
    const auto onBody = [&](const BodyTokens& tokens) -> std::size_t {
        // Deliberate: a point is three tokens of one line, and only its first is tested for
        // the block's end: ")" or "ENDA" in the y or z place reads as 0, and values missing
        // at the end of the line read as 0.
        TablePoint p{0, 0, 0};
        p.x = ctx.Decimal(tokens.Token());
        if (tokens.Remaining() >= 1) {
            p.y = ctx.Decimal(tokens.line[tokens.at + 1]);
        }
        if (tokens.Remaining() >= 2) {
            p.z = ctx.Decimal(tokens.line[tokens.at + 2]);
        }
        const std::int64_t at = std::int64_t{tables.coordinateCount} + added;
        if (InTable(at)) {
            tables.SetCoordinate(static_cast<std::size_t>(at), p);
            ++added;
        } else {
            WarnPathFull(ctx, fullReported, tokens.Token());
        }
        return kPointTokens;
    };
    (void)ReadBlock(ctx, EmptyLines::EndBlock, onKeyword, onBody);
    tables.coordinateCount += added;
    return result;
}

PathBlock CTarnoDoc::ReadPointLineBlock(LoadContext& ctx) {
    LoadTables& tables = ctx.tables;
    PathBlock result = PathBlock::Unread;
    int added = 0;
    bool fullReported = false;

    const auto onKeyword = [&](std::string_view token) {
        if (IsWord(token, "MOVETOPT")) {
            // Deliberate, as for MOVETO: both paths' entries cleared, only this count reset.
            ClearPaths(tables);
            tables.pointPathCount = 0;
            tables.NotePointPathStarted();
            result = PathBlock::Move;
        } else {
            if (!tables.PointPathKnown()) {
                ctx.Fail(kNeedsEarlierPart);
            }
            result = PathBlock::Draw;
        }
    };
    const auto onBody = [&](const BodyTokens& tokens) -> std::size_t {
        const std::string_view token = tokens.Token();
        const std::int32_t index = ctx.Decimal(token);
        if (!InTable(index)) {
            if (ctx.observer != nullptr) {
                ctx.Warn(LoadWarning::OutOfBounds, token);
            }
            return 1;
        }
        const std::int64_t at = std::int64_t{tables.pointPathCount} + added;
        if (!InTable(at)) {
            WarnPathFull(ctx, fullReported, token);
            return 1;
        }
        ctx.CheckWritten(index);
        tables.SetPointPathEntry(static_cast<std::size_t>(at), index);
        ++added;
        return 1;
    };
    (void)ReadBlock(ctx, EmptyLines::EndBlock, onKeyword, onBody);
    tables.pointPathCount += added;
    return result;
}

// Deliberate: each DRAW block strokes its whole path from the first point again, so the
// segments an earlier DRAW block stroked are laid once more, in the line colour of now.
void CTarnoDoc::LayCoordinateStrokes(LoadContext& ctx) {
    const LoadTables& tables = ctx.tables;
    for (int i = 0; i + 1 < tables.coordinateCount && StrokeBudgetLeft(ctx); ++i) {
        if (!tables.LineColorKnown()) {
            ctx.Fail(kNeedsEarlierPart);
            return;
        }
        ctx.MakeRoomForFaces();
        if (AddStroke(ctx.mesh, kStrokeHalfWidth,
                      ToVector(tables.coordinatePath[static_cast<std::size_t>(i)]),
                      ToVector(tables.coordinatePath[static_cast<std::size_t>(i + 1)]),
                      tables.lineColor)) {
            ++ctx.summary.strokes;
        }
    }
}

// The points are read from the table now, as they are when the DRAW block ends.
void CTarnoDoc::LayPointStrokes(LoadContext& ctx) {
    const LoadTables& tables = ctx.tables;
    for (int i = 0; i + 1 < tables.pointPathCount && StrokeBudgetLeft(ctx); ++i) {
        ctx.MakeRoomForFaces();
        // Path entries are always table indices: out-of-table ones are never stored.
        const auto a = static_cast<std::size_t>(tables.pointPath[static_cast<std::size_t>(i)]);
        const auto b = static_cast<std::size_t>(tables.pointPath[static_cast<std::size_t>(i + 1)]);
        if (tables.Partial() &&
            (!tables.LineColorKnown() || !tables.PointKnown(a) || !tables.PointKnown(b))) {
            ctx.Fail(kNeedsEarlierPart);
            return;
        }
        if (AddStroke(ctx.mesh, kStrokeHalfWidth, ToVector(tables.pointTable[a]),
                      ToVector(tables.pointTable[b]), tables.lineColor)) {
            ++ctx.summary.strokes;
        }
    }
}

}  // namespace doc
