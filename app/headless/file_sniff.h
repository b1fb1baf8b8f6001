#pragma once
// Reasons a file cannot be the text an .api file must be, found from its bytes alone:
// binary content, a UTF-16 or UTF-32 byte-order mark, line ends of CR alone. The loader
// reads such a file without complaint, and draws nothing useful from it.

#include <cstdint>
#include <string>
#include <vector>

namespace app {

struct FileProblem {
    std::int64_t line = 1;  // where it shows first, counting from 1
    std::string text;
};

// Reads `path` up to its end (or a 0x1A byte, where the loader stops). Nothing when the
// file cannot be read: the load says why.
[[nodiscard]] std::vector<FileProblem> SniffTextFile(const std::string& path);

}  // namespace app
