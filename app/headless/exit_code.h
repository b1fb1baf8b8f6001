#pragma once
// What the exit status of a headless command means. `tarno --help` (UsageText) tells the
// user the same; change both together.

namespace app {

// Unscoped so that main() can return it as the int the system takes.
enum [[nodiscard]] ExitCode : int{
    // The command did what was asked; for --check, the file gave nothing to report.
    kExitDone = 0,
    // The command ran but found something: --check listed warnings or errors, --pick found
    // no face at the pixel.
    kExitFound = 1,
    // The input was read but an output could not be made or written (or the render failed).
    kExitOutputFailed = 1,
    // Nothing was done: a bad command line, an input that cannot be read, or an output
    // that would overwrite the input.
    kExitBadRequest = 2,
};

}  // namespace app
