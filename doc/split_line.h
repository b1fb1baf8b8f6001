#pragma once
// The loader's side of the tokenizer: the process-wide token array, and a split that also
// upper-cases (as the block readers need) and says whether tokens were dropped.

#include <string>
#include <string_view>

namespace doc {

// The 512 slots every reader shares.
[[nodiscard]] std::string* TokenArray();

// Splits into TokenArray(). With `upper`, the letters a to z of every token become capitals
// (the same as upper-casing the whole line first). `dropped` is set when the line holds more
// tokens than the array has slots; those are left out.
int SplitIntoTokenArray(std::string_view line, bool upper, bool& dropped);

// The token that starts at or after `pos`, as the split would make it; `pos` moves past
// it. False when the rest of the line holds no token (only blanks, or a remark).
bool NextToken(std::string_view line, std::size_t& pos, std::string_view& token);

// Upper-cases a to z only; other bytes, including those above 0x7F, stay.
[[nodiscard]] constexpr char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace doc
