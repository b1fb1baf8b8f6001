#include "tests/headless/command_run.h"

#include <sstream>

#include "app/headless/headless_main.h"

namespace tarno_test {

CommandResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "tarno");
    std::ostringstream out;
    std::ostringstream err;
    const auto code = app::RunHeadlessCommand(args, out, err);
    CommandResult result;
    result.handled = code.has_value();
    result.exitCode = code.value_or(-1);
    result.out = out.str();
    result.err = err.str();
    return result;
}

}  // namespace tarno_test
