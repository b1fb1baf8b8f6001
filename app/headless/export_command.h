#pragma once
// tarno --export: the model mesh as OBJ + MTL.

#include <ostream>

#include "app/headless/command_line.h"
#include "app/headless/exit_code.h"

namespace app {

// Returns the exit code. Refuses (without writing anything) when either file it would
// write is the input.
ExitCode RunExport(const ExportRequest& request, std::ostream& out, std::ostream& err);

}  // namespace app
