#include "tests/support/paths.h"

#include <algorithm>

#include "tests/support/scratch.h"

namespace tarno_test {

std::string SourcePath(const std::string& relative) {
    return (std::filesystem::path(TARNO_SOURCE_DIR) / relative).string();
}

std::string ExamplePath(const std::string& name) {
    return SourcePath("examples/" + name);
}

std::string CopyExample(const std::string& name, const std::string& copyName) {
    const std::string target = TempPath(copyName);
    std::filesystem::copy_file(ExamplePath(name), target,
                               std::filesystem::copy_options::overwrite_existing);
    return target;
}

std::filesystem::path CorpusDir() {
    return TARNO_CORPUS_DIR;
}

std::vector<std::filesystem::path> CorpusFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir(), ec)) {
        if (entry.path().extension() == ".api") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace tarno_test
