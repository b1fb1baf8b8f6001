#pragma once
// Shared helpers of the headless tests: scratch files and picture measurements.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image/picture.h"
#include "platform/rm/mesh_builder.h"

namespace tarno_test {

// A path in the running test's own scratch folder.
std::string TempPath(std::string_view name);
// Writes `bytes` to TempPath(name) and returns the path.
std::string WriteTemp(std::string_view name, std::string_view bytes);
std::string ReadWhole(const std::string& path);

// Runs the headless entry with these arguments (the program name is added).
struct CommandResult {
    int exitCode = -1;
    bool handled = false;  // false: the arguments were left to the window
    std::string out;
    std::string err;
};
CommandResult Run(std::vector<std::string> args);

// Pixels that differ from the scene's background (black; alpha ignored, as PNG files
// may not keep it), and their centre of mass. Black faces count as background.
struct Coverage {
    std::size_t pixels = 0;
    double centreX = 0.0;
    double centreY = 0.0;
};
Coverage Measure(const rm::Picture& picture);

// Every face's corners name existing positions and normals, and every position and
// normal is finite. Returns a description of the first fault, or "".
std::string MeshFault(const rm::MeshData& mesh);

}  // namespace tarno_test
