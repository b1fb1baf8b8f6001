#pragma once
// The window's half of the entry point: everything that needs Qt. A build without the window
// links a stand-in that says so.

namespace app {

// Starts the application object and runs the window until it closes; returns the exit code.
// `argc` must outlive the call (Qt keeps a reference to it).
int RunWindow(int& argc, char** argv);

}  // namespace app
