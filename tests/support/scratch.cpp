#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarno_test {

namespace {

std::filesystem::path TestFolder() {
    std::string name = "no-test";
    if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
        name = std::string(test->test_suite_name()) + "." + test->name();
    }
    // Parameterised tests have slashes in their names.
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    std::filesystem::path dir = std::filesystem::path(TARNO_TEST_TMP) / name;
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

std::string TempPath(std::string_view name) {
    return (TestFolder() / name).string();
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string WriteTemp(std::string_view name, std::string_view bytes) {
    std::string path = TempPath(name);
    WriteFile(path, bytes);
    return path;
}

std::string ScratchDir(std::string_view name) {
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::vector<std::string> PathsThatAreNoFiles() {
    const std::string pipe = TempPath("pipe.api");
    std::filesystem::remove(pipe);
    EXPECT_EQ(::mkfifo(pipe.c_str(), 0600), 0) << pipe;
    const std::string folder = ScratchDir("folder.api");
    return {pipe, folder, "/dev/zero"};
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tarno_test
