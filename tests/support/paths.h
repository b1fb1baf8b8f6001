#pragma once
// Files the tests read but never write: the bundled examples, committed files of the source
// tree, and the real third-party files kept beside the repository.

#include <filesystem>
#include <string>
#include <vector>

namespace tarno_test {

// A file of the source tree, `relative` to its top.
std::string SourcePath(const std::string& relative);
// A bundled example, by file name.
std::string ExamplePath(const std::string& name);
// A copy of a bundled example in the running test's scratch folder, for tests that change it.
std::string CopyExample(const std::string& name, const std::string& copyName);

// The folder of real files; it may be missing on a machine without them.
std::filesystem::path CorpusDir();
// Its .api files in name order; empty when the folder is missing.
std::vector<std::filesystem::path> CorpusFiles();

}  // namespace tarno_test
