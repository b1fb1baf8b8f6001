#pragma once
// The command-line commands that need no display: --render, --export, --check, --help,
// --version.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace app {

// Runs the headless command named in args (args[0] is the program name). Returns the exit
// code (an ExitCode, exit_code.h), or nothing when args name no headless command and the
// window should start.
std::optional<int> RunHeadlessCommand(const std::vector<std::string>& args, std::ostream& out,
                                      std::ostream& err);

}  // namespace app
