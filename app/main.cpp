// The viewer's entry point: the headless commands first (they need no display), then the
// window.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/headless/headless_main.h"
#include "app/window_main.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    if (const std::optional<int> code = app::RunHeadlessCommand(args, std::cout, std::cerr)) {
        return *code;
    }
    return app::RunWindow(argc, argv);
}
