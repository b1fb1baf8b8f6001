#pragma once
// tarno --pick: the file line that made the face seen at one pixel of a render.

#include <cstdint>
#include <ostream>
#include <string>

#include "app/headless/command_line.h"
#include "app/headless/exit_code.h"

namespace app {

enum class PickOutcome { Found, NoFace, UnreadableInput, Failed };

struct PickedLine {
    std::int64_t line = 0;
    std::string text;  // printable (see doc::PrintableLine); empty if it cannot be read
};

// Opens and poses the scene as --render would and finds the face drawn at the pixel.
// Anything but Found comes with `error` set (one line).
[[nodiscard]] PickOutcome PickLine(const PickRequest& request, PickedLine& out, std::string& error);

// The whole command: prints "IN.api:LINE: TEXT" and returns the exit code.
ExitCode RunPick(const PickRequest& request, std::ostream& out, std::ostream& err);

}  // namespace app
