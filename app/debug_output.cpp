#include "app/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace app {

bool DebugOutputEnabled() {
    const char* value = std::getenv("TARNO_DEBUG");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void OutputDebugText(const char* text) {
    if (!DebugOutputEnabled()) return;
    std::fputs(text, stderr);
    std::fflush(stderr);
}

}  // namespace app
