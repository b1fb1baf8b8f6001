#pragma once
// The loader's side of the tokenizer: the block readers split each line into views, which
// splits exactly as SplitLine does but copies no token.

#include <string>
#include <string_view>

namespace doc {

// Splits `line` as SplitLine does into at most `slots` views. `dropped` is set when the
// line holds more tokens than that; those are left out.
int SplitIntoViews(std::string_view line, std::string_view* tokens, int slots, bool& dropped);

// The same for a line followed in memory by at least kPaddingNeeded readable bytes (as the
// text-file reader guarantees): it classifies 64 bytes at a time.
inline constexpr std::size_t kPaddingNeeded = 64;
int SplitPaddedLine(std::string_view line, std::string_view* tokens, int slots, bool& dropped);

// The token that starts at or after `pos`, as the split would make it; `pos` moves past
// it. False when the rest of the line holds no token (only blanks, or a remark).
[[nodiscard]] bool NextToken(std::string_view line, std::size_t& pos, std::string_view& token);

}  // namespace doc
