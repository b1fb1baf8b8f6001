// The line loop: finds each command by the first token of its line and hands the file,
// back at the start of that line, to the command's reader.

#include <algorithm>
#include <array>

#include "doc/keywords.h"
#include "doc/load_context.h"
#include "doc/tarno_doc.h"
#include "doc/tokens.h"

namespace doc {

namespace {

// Commands of the format that stand alone on their line and draw nothing here. Any other
// word followed by "(" is taken for a command too.
constexpr std::array<std::string_view, 7> kBareCommands = {
    "RETURN", "PERSPECTIVE", "MELSE", "MIFEND", "ENDVERSION", "TRANSFORMEND", "ENDOBJECT",
};

std::string_view UpperInto(std::string_view token, std::string& scratch) {
    scratch.assign(token);
    for (char& c : scratch) {
        c = UpperByte(c);
    }
    return scratch;
}

bool StartsWord(std::string_view token) {
    const char c = token[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

void ReportUndrawn(const LoadContext& ctx, std::string_view line, std::string_view first,
                   std::size_t after) {
    if (!StartsWord(first)) {
        return;
    }
    {
        std::string upper;
        const std::string_view likely = LikelyKeyword(UpperInto(first, upper));
        if (!likely.empty()) {
            ctx.Warn(LoadWarning::Misspelt, std::string(first) + " " + std::string(likely));
            return;
        }
    }
    std::string_view next;
    bool command = NextToken(line, after, next) && next == "(";
    if (!command) {
        std::string upper;
        const std::string_view name = UpperInto(first, upper);
        command =
            std::find(kBareCommands.begin(), kBareCommands.end(), name) != kBareCommands.end();
    }
    if (command) {
        ctx.Warn(LoadWarning::UndrawnCommand, first);
    }
}

// Lines after "ENDA" are never read for the model; with an observer, the first one that
// holds a token is reported.
void ReportAfterEnd(LoadContext& ctx) {
    std::string_view text;
    while (ctx.ReadRaw(text)) {
        std::size_t pos = 0;
        std::string_view token;
        if (NextToken(text, pos, token)) {
            ctx.Warn(LoadWarning::AfterEnd, token);
            return;
        }
    }
}

}  // namespace

void CTarnoDoc::RunLineLoop(LoadContext& ctx) {
    std::string_view text;
    const LoadTables& tables = ctx.tables;
    while (ctx.ReadRaw(text)) {
        if (ctx.file.LineStart() >= ctx.stopAt) {
            ctx.reachedStop = true;
            ctx.stoppedExactly = ctx.file.LineStart() == ctx.stopAt;
            (void)ctx.Rewind();
            return;
        }
        if (ctx.cancel != nullptr) {
            if (ctx.cancel->load(std::memory_order_relaxed)) {
                ctx.Fail("cancelled");
                return;
            }
            if (ctx.splitWhen != nullptr && ctx.splitWhen->load(std::memory_order_relaxed)) {
                ctx.splitWhen = nullptr;
                ctx.splitAsked = true;
                (void)ctx.Rewind();
                return;
            }
        }
        // Only the first token decides; the split is kept for the reader, which is handed
        // the same line again.
        if (ctx.SplitRead(text) == 0) {
            continue;
        }
        const std::string_view first = ctx.tokens[0];
        const auto after = static_cast<std::size_t>(first.data() + first.size() - text.data());
        // The token is a view into the file's buffer, which has padding after each line.
        static_assert(rm::TextFile::kLinePadding >= kKeywordPadding);
        const Keyword keyword = MatchPaddedKeyword(first);
        switch (keyword) {
            case Keyword::None:
                if (ctx.observer != nullptr) {
                    ReportUndrawn(ctx, text, first, after);
                }
                continue;
            case Keyword::EndA:
                // Ends the file here; an "ENDA" that a reader takes inside its block only
                // ends that block.
                if (ctx.observer != nullptr) {
                    ReportAfterEnd(ctx);
                }
                return;
            case Keyword::AutoPoints:
                // Deliberate: the command is ignored, and the lines of its block are then
                // read here as ordinary lines.
                if (ctx.observer != nullptr) {
                    ctx.Warn(LoadWarning::UndrawnCommand, first);
                }
                continue;
            default:
                break;
        }
        // Every face the command makes remembers its keyword line: a polygon's own block,
        // a stroke's DRAW block.
        ctx.mesh.SetNewFaceAppData(SourceLineTag(ctx.line));
        if (ctx.observer != nullptr) {
            ctx.keywordName = KeywordNameOf(keyword);
        }
        if (!ctx.Rewind()) {
            return;
        }
        switch (keyword) {
            case Keyword::Points:
            case Keyword::VecPoints:
            case Keyword::VectorPoints:
                ReadPointBlock(ctx);
                break;
            case Keyword::Poly:
            case Keyword::ShadedPoly:
            case Keyword::TexPoly:
            case Keyword::ShadedTexPoly:
                ReadPolygonBlock(ctx);
                if (!ctx.Failed() && tables.polygonCount > 0) {
                    AddPolygonFace(ctx, IsTexturedPolygon(keyword));
                }
                break;
            case Keyword::MoveTo:
            case Keyword::DrawTo:
                if (ReadLineBlock(ctx) == PathBlock::Draw && !ctx.Failed()) {
                    LayCoordinateStrokes(ctx);
                }
                break;
            case Keyword::MoveToPt:
            case Keyword::DrawToPt:
                if (ReadPointLineBlock(ctx) == PathBlock::Draw && !ctx.Failed()) {
                    LayPointStrokes(ctx);
                }
                break;
            case Keyword::LineColor:
            case Keyword::SurfaceColor:
            case Keyword::ShadedColor:
                ReadColorBlock(ctx);
                break;
            default:
                break;
        }
        if (ctx.Failed()) {
            return;
        }
    }
}

}  // namespace doc
