#pragma once
// The text of one line of a model file, for showing where a face came from.

#include <cstdint>
#include <string>
#include <string_view>

namespace doc {

// Reads line `line` (1-based, as the loader counts: CR LF or LF end a line, a byte-order
// mark opening the file is left out) of the file at `path` into `text`. False when the
// file cannot be read or is shorter.
[[nodiscard]] bool ReadSourceLine(const std::string& path, std::int64_t line, std::string& text);

// The line made safe to print on a terminal or show in one line of a window: tabs become
// spaces, other control bytes '?', outer blanks go, and a line longer than `limit` bytes
// ends in "...".
[[nodiscard]] std::string PrintableLine(std::string_view text, std::size_t limit = 200);

}  // namespace doc
