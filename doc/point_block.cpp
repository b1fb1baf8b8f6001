// POINTS, VECPOINTS and VECTORPOINTS blocks: numbered points into the point table.

#include <algorithm>

#include "doc/keywords.h"
#include "doc/load_context.h"
#include "doc/tarno_doc.h"

namespace doc {

namespace {

bool StartsNumber(std::string_view t) {
    return IsDigit(t[0]) || t[0] == '-';
}

}  // namespace

void CTarnoDoc::ReadPointBlock(LoadContext& ctx) {
    enum class State { Keyword, Open, Start, X, Y, Z };
    State state = State::Keyword;
    int valuesPerPoint = 3;
    // The next point's number. Numbers outside the table are kept as they are, so a block
    // that starts (or runs) outside it keeps its numbering; such points are not stored.
    std::int64_t next = 0;
    std::string_view keyword;  // for warnings only
    const std::int64_t keywordLine = ctx.line + 1;
    LoadTables& tables = Tables();

    int count = 0;
    for (;;) {
        const LoadContext::BlockLine got = ctx.NextBlockLine(count);
        if (got == LoadContext::BlockLine::End) {
            ctx.WarnNotClosed(got, keywordLine, keyword);
            return;
        }
        if (got == LoadContext::BlockLine::Empty) {
            continue;  // a point block goes on over empty lines
        }
        const std::string_view* t = ctx.tokens.data();
        for (int i = 0; i < count; ++i) {
            const std::string_view token = t[i];
            if (EndsBlock(token)) {
                return;
            }
            switch (state) {
                case State::Keyword:
                    if (ctx.observer != nullptr) {
                        keyword = KeywordName(token);
                    }
                    valuesPerPoint = IsWord(token, "POINTS") ? 3 : 6;
                    state = State::Open;
                    break;
                case State::Open:
                    if (!IsOpenBracket(token)) {
                        return;
                    }
                    state = State::Start;
                    break;
                case State::Start:
                    if (!StartsNumber(token)) {
                        // An option word: "A" anywhere means three values per point.
                        valuesPerPoint =
                            token.find_first_of("Aa") != std::string_view::npos ? 3 : 6;
                        break;
                    }
                    next = ctx.Decimal(token);
                    if (next == 0) {
                        ClearPointTable();
                        if (ctx.observer != nullptr) {
                            ctx.ForgetWritten();
                        }
                    }
                    state = State::X;
                    break;
                case State::X:
                case State::Y:
                case State::Z: {
                    const std::int32_t v = ctx.Decimal(token);
                    const bool inTable = InTable(next);
                    if (!inTable && state == State::X && ctx.observer != nullptr) {
                        ctx.Warn(LoadWarning::OutOfBounds, "point " + std::to_string(next));
                    }
                    if (state == State::X) {
                        if (inTable) {
                            tables.PointToWrite(static_cast<std::size_t>(next)).x = v;
                            ctx.NoteWritten(next);
                        }
                        state = State::Y;
                        break;
                    }
                    if (state == State::Y) {
                        if (inTable) {
                            tables.PointToWrite(static_cast<std::size_t>(next)).y = v;
                        }
                        state = State::Z;
                        break;
                    }
                    if (inTable) {
                        tables.PointToWrite(static_cast<std::size_t>(next)).z = v;
                        ++ctx.summary.points;
                    }
                    ++next;
                    state = State::X;
                    if (valuesPerPoint == 6) {
                        // The three extra values are skipped only as far as this line goes.
                        i += std::min(3, count - 1 - i);
                    }
                    break;
                }
            }
        }
    }
}

}  // namespace doc
