#pragma once
// Scratch files of the tests. ctest runs every test in a process of its own and several at
// once, so each test writes only below a folder named after itself.

#include <string>
#include <string_view>
#include <vector>

namespace tarno_test {

// A path in the running test's scratch folder (the folder is made if missing).
std::string TempPath(std::string_view name);
// Writes `bytes` to TempPath(name), replacing what was there, and returns the path.
std::string WriteTemp(std::string_view name, std::string_view bytes);
// Writes `bytes` to `path`, replacing what was there.
void WriteFile(const std::string& path, std::string_view bytes);
// An empty folder TempPath(name), made anew.
std::string ScratchDir(std::string_view name);
// A pipe and a folder in the test's scratch folder, both named like .api files, and
// /dev/zero: paths a loader must refuse before it reads, as a pipe with no writer would
// block the open for ever and /dev/zero would never end.
std::vector<std::string> PathsThatAreNoFiles();
// The bytes of a file ("" when it cannot be read).
std::string ReadWhole(const std::string& path);

}  // namespace tarno_test
