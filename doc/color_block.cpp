// LINECOLOR, SURFACECOLOR and SHADEDCOLOR blocks, and the colour palette.

#include <array>

#include "doc/block_reader.h"
#include "doc/color_codes.h"
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

std::int32_t ColorValue(const LoadContext& ctx, std::string_view token, std::int32_t percent) {
    bool isNumber = true;
    const std::int32_t v = ReadColorValue(token, percent, isNumber);
    if (!isNumber && ctx.observer != nullptr) {
        ctx.Warn(LoadWarning::NotANumber, token);
    }
    return v;
}

}  // namespace

// Deliberate: a pair's second value is read, and may be passed, but never changes the
// colour; files carry one in every pair all the same.
rm::D3DCOLOR CTarnoDoc::ColorFromCode(std::int32_t code, std::int32_t /*second*/) {
    if (code < 0 || code >= static_cast<std::int32_t>(kPalette.size())) {
        return kWhite;
    }
    return kPalette[static_cast<std::size_t>(code)];
}

void CTarnoDoc::ReadColorBlock(LoadContext& ctx) {
    LoadTables& tables = ctx.tables;
    rm::D3DCOLOR* target = &tables.surfaceColor;
    const auto onKeyword = [&](std::string_view token) {
        // SURFACECOLOR and SHADEDCOLOR both set the surface colour.
        target = IsWord(token, "LINECOLOR") ? &tables.lineColor : &tables.surfaceColor;
    };
    const auto onBody = [&](const BodyTokens& tokens) -> std::size_t {
        const std::int32_t code = ColorValue(ctx, tokens.Token(), kShadingCode);
        // Deliberate: the second value is taken as it comes, ")" and "ENDA" included, so
        // neither ends the block there; at the end of the line it is an empty token and
        // the next line starts a new pair.
        std::int32_t second = 0;
        std::size_t taken = 1;
        if (tokens.Remaining() > 0) {
            second = ColorValue(ctx, tokens.line[tokens.at + 1], kPercentSecond);
            taken = 2;
        }
        *target = ColorFromCode(code, second);  // the last pair of the block wins
        if (target == &tables.lineColor) {
            tables.NoteLineColorSet();
        } else {
            tables.NoteSurfaceColorSet();
        }
        return taken;
    };
    (void)ReadBlock(ctx, EmptyLines::EndBlock, onKeyword, onBody);
}

}  // namespace doc
