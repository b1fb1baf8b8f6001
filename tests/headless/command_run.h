#pragma once
// Runs the headless commands in the test's own process, as `tarno ARGS...` would.

#include <string>
#include <vector>

namespace tarno_test {

struct CommandResult {
    int exitCode = -1;
    bool handled = false;  // false: the arguments were left to the window
    std::string out;
    std::string err;
};
// Runs the headless entry with these arguments (the program name is added).
CommandResult Run(std::vector<std::string> args);

}  // namespace tarno_test
