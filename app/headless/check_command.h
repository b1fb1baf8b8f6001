#pragma once
// tarno --check: the warnings of one load, then a summary line.

#include <ostream>

#include "app/headless/command_line.h"
#include "app/headless/exit_code.h"

namespace app {

// kExitDone without warnings, kExitFound with warnings or errors, kExitBadRequest when
// the file cannot be read.
ExitCode RunCheck(const CheckRequest& request, std::ostream& out, std::ostream& err);

}  // namespace app
