// LINECOLOR, SURFACECOLOR and SHADEDCOLOR blocks, and the colour palette.

#include <array>

#include "doc/keywords.h"
#include "doc/load_context.h"
#include "doc/tarno_doc.h"

namespace doc {

namespace {

constexpr std::array<rm::D3DCOLOR, 23> kPalette = {
    0xFF333333U,  // 0x00 dark grey
    0xFF666666U,  // 0x01 grey
    0xFF999999U,  // 0x02 light grey
    0xFFCCCCCCU,  // 0x03 pale grey
    0xFFFFFFFFU,  // 0x04 white
    0xFFFF0000U,  // 0x05 red
    0xFF00FF00U,  // 0x06 green
    0xFF000000U,  // 0x07 black
    0xFFFF7F00U,  // 0x08 orange
    0xFFFFFF00U,  // 0x09 yellow
    0xFF7F3F3FU,  // 0x0A dull red-brown
    0xFFBFBF3FU,  // 0x0B olive yellow
    0xFF7F3F00U,  // 0x0C brown
    0xFF007F00U,  // 0x0D dark green
    0xFF00FFFFU,  // 0x0E cyan
    0xFFFF0000U,  // 0x0F red
    0xFF00FF00U,  // 0x10 green
    0xFF0000FFU,  // 0x11 blue
    0xFF007F7FU,  // 0x12 teal
    0xFFFF7F00U,  // 0x13 orange
    0xFFFFFF00U,  // 0x14 yellow
    0xFFFFFFFFU,  // 0x15 white
    0xFFCCCCCCU,  // 0x16 pale grey, the shading code
};

constexpr std::int32_t kShadingCode = 0x16;
constexpr std::int32_t kPercentSecond = 0xF0;

std::int32_t ColorValue(const LoadContext& ctx, std::string_view token, std::int32_t percent) {
    bool isNumber = true;
    const std::int32_t v = ReadColorValue(token, percent, isNumber);
    if (!isNumber && ctx.observer != nullptr) {
        ctx.Warn(LoadWarning::NotANumber, token);
    }
    return v;
}

}  // namespace

rm::D3DCOLOR CTarnoDoc::ColorFromCode(std::int32_t code, std::int32_t /*second*/) {
    if (code < 0 || code >= static_cast<std::int32_t>(kPalette.size())) {
        return 0xFFFFFFFFU;
    }
    return kPalette[static_cast<std::size_t>(code)];
}

void CTarnoDoc::ReadColorBlock(LoadContext& ctx) {
    enum class State { Keyword, Open, Pair };
    State state = State::Keyword;
    LoadTables& tables = Tables();
    rm::D3DCOLOR* target = &tables.surfaceColor;
    std::string_view keyword;  // for warnings only
    const std::int64_t keywordLine = ctx.line + 1;

    int count = 0;
    for (;;) {
        const LoadContext::BlockLine got = ctx.NextBlockLine(count);
        if (got != LoadContext::BlockLine::Tokens) {
            ctx.WarnNotClosed(got, keywordLine, keyword);
            return;
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
                    target = IsWord(token, "LINECOLOR") ? &tables.lineColor : &tables.surfaceColor;
                    state = State::Open;
                    break;
                case State::Open:
                    if (!IsOpenBracket(token)) {
                        return;
                    }
                    state = State::Pair;
                    break;
                case State::Pair: {
                    const std::int32_t code = ColorValue(ctx, token, kShadingCode);
                    // The second value is taken as it comes, ")" and "ENDA" included; at
                    // the end of the line it is an empty token.
                    std::int32_t second = 0;
                    if (i + 1 < count) {
                        ++i;
                        second = ColorValue(ctx, t[i], kPercentSecond);
                    }
                    *target = ColorFromCode(code, second);
                    break;
                }
            }
        }
    }
}

}  // namespace doc
