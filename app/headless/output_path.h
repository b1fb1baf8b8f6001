#pragma once
// Guards for the files the headless commands write: they never write over their input.

#include <string>

namespace app {

// True when `output` names the same file as `input` (same path, a link to it, another
// hard link). A file that does not exist yet is never the input.
[[nodiscard]] bool SameFile(const std::string& input, const std::string& output);

// The material file beside an OBJ file: "x.obj" gives "x.mtl", any other name gets ".mtl"
// appended.
[[nodiscard]] std::string MaterialPathFor(const std::string& objPath);

// Writes `text` to `path`; false with `error` set (and no partial file left) on failure.
[[nodiscard]] bool WriteTextFile(const std::string& path, const std::string& text,
                                 std::string& error);

}  // namespace app
