#pragma once
// tarno --check: the warnings of one load, then a summary line.

#include <ostream>

#include "app/headless/command_line.h"

namespace app {

// Exit code 0 without warnings, 1 with warnings, 2 when the file cannot be read.
int RunCheck(const CheckRequest& request, std::ostream& out, std::ostream& err);

}  // namespace app
