// POINTS, VECPOINTS and VECTORPOINTS blocks: numbered points into the point table.

#include <algorithm>
#include <array>

#include "doc/block_reader.h"
#include "doc/tarno_doc.h"

namespace doc {

namespace {

constexpr int kCoordinates = 3;
// VECPOINTS and VECTORPOINTS carry three more values after each point's coordinates.
constexpr int kValuesWithVector = 6;
constexpr std::size_t kVectorValues = kValuesWithVector - kCoordinates;

bool StartsNumber(std::string_view t) {
    return IsDigit(t[0]) || t[0] == '-';
}

}  // namespace

void CTarnoDoc::ReadPointBlock(LoadContext& ctx) {
    enum class State { Start, X, Y, Z };
    State state = State::Start;
    int valuesPerPoint = kCoordinates;
    // The next point's number. Numbers outside the table are kept as they are, so a block
    // that starts (or runs) outside it keeps its numbering; such points are not stored.
    std::int64_t next = 0;
    LoadTables& tables = ctx.tables;

    const auto onKeyword = [&](std::string_view token) {
        valuesPerPoint = IsWord(token, "POINTS") ? kCoordinates : kValuesWithVector;
    };
    // A value after the start index; returns how many values it takes, from `remaining`
    // more on its line.
    const auto takeValue = [&](std::int32_t v, std::size_t remaining) -> std::size_t {
        const bool inTable = InTable(next);
        if (state == State::X) {
            if (inTable) {
                tables.PointToWrite(static_cast<std::size_t>(next)).x = v;
                ctx.NoteWritten(next);
            } else if (ctx.observer != nullptr) {
                ctx.Warn(LoadWarning::OutOfBounds, "point " + std::to_string(next));
            }
            state = State::Y;
            return 1;
        }
        if (state == State::Y) {
            if (inTable) {
                tables.PointToWrite(static_cast<std::size_t>(next)).y = v;
            }
            state = State::Z;
            return 1;
        }
        if (inTable) {
            tables.PointToWrite(static_cast<std::size_t>(next)).z = v;
            tables.NoteWholePoint(static_cast<std::size_t>(next));
            ++ctx.summary.points;
        }
        ++next;
        state = State::X;
        if (valuesPerPoint == kValuesWithVector) {
            // Deliberate: the extra values are skipped only as far as this line goes; the
            // next line starts with the next point's x.
            return 1 + std::min(kVectorValues, remaining);
        }
        return 1;
    };
    const auto onBody = [&](const BodyTokens& tokens) -> std::size_t {
        const std::string_view token = tokens.Token();
        if (state == State::Start) {
            if (!StartsNumber(token)) {
                // An option word: "A" anywhere means three values per point; the last one
                // before the start index decides.
                valuesPerPoint = token.find_first_of("Aa") != std::string_view::npos
                                     ? kCoordinates
                                     : kValuesWithVector;
                return 1;
            }
            next = ctx.Decimal(token);
            // Deliberate: a block that starts at 0 zeroes the whole table, points of
            // earlier blocks of the same load included.
            if (next == 0) {
                ClearPointTable(tables);
                if (ctx.observer != nullptr) {
                    ctx.ForgetWritten();
                }
            }
            state = State::X;
            return 1;
        }
        return takeValue(ctx.Decimal(token), tokens.Remaining());
    };
    // Most lines of a block are a point's plain numbers: read without splitting the line.
    const auto onLine = [&](std::string_view text) -> bool {
        constexpr int kMostPerLine = 12;
        std::array<std::int32_t, kMostPerLine> values{};
        const int count =
            state == State::Start ? -1 : ReadPlainNumbers(text, values.data(), kMostPerLine);
        if (count <= 0) {
            return false;
        }
        if (count == kCoordinates && state == State::X && InTable(next)) {
            // The usual line: one whole point, as the three values one by one would write it.
            const auto at = static_cast<std::size_t>(next);
            tables.PointToWrite(at) = {values[0], values[1], values[2]};
            ctx.NoteWritten(next);
            tables.NoteWholePoint(at);
            ++ctx.summary.points;
            ++next;
            return true;
        }
        for (int k = 0; k < count;) {
            k += static_cast<int>(takeValue(values[static_cast<std::size_t>(k)],
                                            static_cast<std::size_t>(count - k - 1)));
        }
        return true;
    };
    (void)ReadBlock(ctx, EmptyLines::PassOver, onKeyword, onBody, nullptr, onLine);
}

}  // namespace doc
