#pragma once
// Counting one byte value in a block of text (line feeds, mostly): the line reader counts
// the lines before a place in a big file, and the check counts every line of it.

#include <cstddef>
#include <string_view>

namespace rm {

// How many bytes of `text` equal `byte`; the same as std::count, 16 bytes at a time.
[[nodiscard]] std::size_t CountByte(std::string_view text, char byte);

}  // namespace rm
