#pragma once
// The shape every block reader shares: the keyword line is read first, its first token is
// the keyword, the next token must be "(", and the body follows token by token, over as
// many lines as it takes, until ")" or "ENDA" stands where the reader tests for it, an
// empty line (for the blocks that end there) or the end of the file. Each reader supplies
// only what its keyword chooses and what its body does with a token.

#include <cstdint>
#include <span>
#include <string_view>

#include "doc/keywords.h"
#include "doc/load_context.h"
#include "doc/tokens.h"

namespace doc {

// How a block came to its end.
enum class BlockEnd {
    Closed,     // ")" or "ENDA" where the reader tests for it
    NoBracket,  // the token after the keyword is not "("
    EmptyLine,  // a line of no characters
    EndOfFile,  // the end of the file, or a read error
};

// What an empty line means to a block.
enum class EmptyLines {
    EndBlock,  // colour, polygon and both path blocks
    PassOver,  // point blocks go on over them
};

// The part of a block's line that the body looks at: the line's tokens and the one to take.
struct BodyTokens {
    std::span<const std::string_view> line;
    std::size_t at = 0;

    [[nodiscard]] std::string_view Token() const { return line[at]; }
    // How many tokens of this line follow the current one.
    [[nodiscard]] std::size_t Remaining() const { return line.size() - at - 1; }
};

// Runs one block. `onKeyword(token)` sees the block's keyword. `onBody(tokens)` sees each
// further token after "(" that the skeleton found not to end the block, and returns how
// many tokens it took (at least 1); tokens it takes past the first are not tested for the
// block's end. Every block reader is called with the file at its keyword line, which is
// therefore the first line read here. `keyword`, when given, receives the keyword's name
// (only with an observer, for warnings).
// `onLine(text)`, when given, is offered each fresh line of the body before it is split;
// it returns true when it read the line whole, as its tokens would have been read.
struct NoWholeLines {
    bool operator()(std::string_view /*text*/) const { return false; }
};

template <typename OnKeyword, typename OnBody, typename OnLine = NoWholeLines>
BlockEnd ReadBlock(LoadContext& ctx, EmptyLines emptyLines, OnKeyword&& onKeyword, OnBody&& onBody,
                   std::string_view* keyword = nullptr, OnLine&& onLine = {}) {
    enum class Stage { Keyword, Open, Body };
    Stage stage = Stage::Keyword;
    std::string_view name;  // for warnings only
    const std::int64_t keywordLine = ctx.line + 1;
    int count = 0;
    for (;;) {
        const LoadContext::BlockLine got =
            stage == Stage::Body ? ctx.NextBlockLine(count, onLine) : ctx.NextBlockLine(count);
        if (got == LoadContext::BlockLine::Empty && emptyLines == EmptyLines::PassOver) {
            continue;
        }
        if (got != LoadContext::BlockLine::Tokens) {
            ctx.WarnNotClosed(got, keywordLine, name);
            return got == LoadContext::BlockLine::Empty ? BlockEnd::EmptyLine : BlockEnd::EndOfFile;
        }
        BodyTokens tokens{
            std::span<const std::string_view>(ctx.tokens.data(), static_cast<std::size_t>(count)),
            0};
        while (tokens.at < tokens.line.size()) {
            const std::string_view token = tokens.Token();
            if (EndsBlock(token)) {
                return BlockEnd::Closed;
            }
            switch (stage) {
                case Stage::Keyword:
                    if (ctx.observer != nullptr) {
                        // The line loop found the keyword of this very token.
                        name = ctx.keywordName.empty() ? KeywordName(token) : ctx.keywordName;
                        ctx.keywordName = {};
                        if (keyword != nullptr) {
                            *keyword = name;
                        }
                    }
                    onKeyword(token);
                    stage = Stage::Open;
                    ++tokens.at;
                    break;
                case Stage::Open:
                    if (!IsOpenBracket(token)) {
                        return BlockEnd::NoBracket;
                    }
                    stage = Stage::Body;
                    ++tokens.at;
                    break;
                case Stage::Body:
                    tokens.at += onBody(tokens);
                    break;
            }
        }
    }
}

}  // namespace doc
