#pragma once
// Diagnostic texts for the developer. They reach standard error only when the environment
// variable TARNO_DEBUG is set (to anything but "0"); the user sees nothing of them.

namespace app {

[[nodiscard]] bool DebugOutputEnabled();
void OutputDebugText(const char* text);

}  // namespace app
