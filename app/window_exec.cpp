// RunWindow for the program that links no Qt: the window is the program `tarno-window`,
// started in this process's place with the same arguments and environment. It lies beside
// this program in the build, and in the installation's libexec folder.

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "app/window_main.h"

namespace app {

namespace {

constexpr const char* kWindowProgram = "tarno-window";

}  // namespace

int RunWindow(int& /*argc*/, char** argv) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    int lastError = error ? ENOENT : 0;
    if (!error) {
        const std::filesystem::path folder = self.parent_path();
        for (const std::filesystem::path& candidate :
             {folder / kWindowProgram, folder / TARNO_WINDOW_FROM_BINDIR / kWindowProgram}) {
            // Returns only if the program cannot be started.
            ::execv(candidate.c_str(), argv);
            if (errno != ENOENT || lastError == 0) {
                lastError = errno;  // "not there" says less than why one that is there failed
            }
        }
    }
    std::cerr << "tarno: cannot start the window (" << kWindowProgram
              << "): " << std::strerror(lastError)
              << "; the headless commands still work (see tarno --help)\n";
    return 1;
}

}  // namespace app
