#pragma once
// The headless command line: which command, its file names and its options.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "view/surface_constants.h"

namespace app {

struct HelpRequest {};
struct VersionRequest {};

struct Vector3 {
    float x = 0.0F;
    float y = 0.0F;
    float z = 0.0F;
};

struct Turn {
    Vector3 axis;
    float radians = 0.0F;
};

struct RenderRequest {
    std::string input;
    std::string output;
    int width = 640;
    int height = 480;
    bool wireframe = false;
    bool antialias = true;          // --no-aa: the aliased picture
    std::optional<Vector3> camera;  // nothing: where the window puts it
    std::optional<Turn> turn;
    bool fit = false;  // frame the model after camera and turn are applied
};

// tarno --pick X,Y IN.api: the face drawn at pixel (x, y) of the picture --render would
// make with the same options (`view.output` and `view.wireframe` unused).
struct PickRequest {
    int x = 0;
    int y = 0;
    RenderRequest view;
};

struct ExportRequest {
    std::string input;
    std::string output;
};

struct CheckRequest {
    std::string input;
};

// The command line asked for something headless but got it wrong; `message` is one line.
struct UsageError {
    std::string message;
};

using HeadlessRequest = std::variant<HelpRequest, VersionRequest, RenderRequest, ExportRequest,
                                     CheckRequest, PickRequest, UsageError>;

// Sizes the device accepts. The largest is the renderer's own limit, so that a size it
// cannot make is refused before anything is loaded or allocated.
inline constexpr int kMinRenderSide = view::kMinSurfaceSide;
inline constexpr int kMaxRenderSide = 8192;

// The --output name that means standard output.
inline constexpr const char* kStandardOutput = "-";

// args[0] is the program name. Nothing when the arguments are the window's (none, a file
// name, the window's single-dash and slash switches, or --no-aa): every other "--" option
// and "-h" belong to the headless commands.
[[nodiscard]] std::optional<HeadlessRequest> ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
[[nodiscard]] std::string UsageText();

}  // namespace app
