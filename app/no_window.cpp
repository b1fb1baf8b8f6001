// RunWindow for the build without Qt: the headless commands are all it has.

#include <cstdio>

#include "app/window_main.h"

namespace app {

int RunWindow(int& /*argc*/, char** /*argv*/) {
    std::fputs(
        "tarno: this build has no window; use --render, --export, --check or --pick "
        "(see tarno --help)\n",
        stderr);
    return 1;
}

}  // namespace app
