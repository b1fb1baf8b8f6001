#include "app/headless/command_line.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <system_error>

namespace app {

namespace {

// Shared by the window and --render.
constexpr std::string_view kNoAntialias = "--no-aa";

// "--no-watch" and "--no-aa" are the window's too.
bool IsHeadlessArgument(std::string_view arg) {
    return (arg.starts_with("--") && arg != "--no-watch" && arg != kNoAntialias) || arg == "-h";
}

bool ParseInt(std::string_view text, int& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc{} && ptr == end && !text.empty();
}

bool ParseFloat(std::string_view text, float& out) {
    if (text.starts_with('+')) text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc{} && ptr == end && !text.empty() && std::isfinite(out);
}

// "a,b,c": exactly `count` finite numbers separated by commas.
bool ParseFloatList(std::string_view text, std::size_t count, float* out) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t comma = text.find(',');
        const bool last = i + 1 == count;
        if (last != (comma == std::string_view::npos)) return false;
        if (!ParseFloat(text.substr(0, comma), out[i])) return false;
        if (!last) text.remove_prefix(comma + 1);
    }
    return true;
}

// "WxH", or "N" for a square N by N.
bool ParseSize(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) {
        if (!ParseInt(text, width)) return false;
        height = width;
    } else if (!ParseInt(text.substr(0, x), width) || !ParseInt(text.substr(x + 1), height)) {
        return false;
    }
    return width >= kMinRenderSide && height >= kMinRenderSide && width <= kMaxRenderSide &&
           height <= kMaxRenderSide;
}

// "-", or a name whose extension is ".png" in any letter case, or that has none (the
// picture is PNG whatever the name); any other extension would promise another format.
bool IsPngName(std::string_view name) {
    if (name == kStandardOutput) return true;
    const std::size_t slash = name.rfind('/');
    const std::string_view leaf = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const std::size_t dot = leaf.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return true;  // ".name" is no extension
    const std::string_view extension = leaf.substr(dot + 1);
    constexpr std::string_view kPng = "png";
    if (extension.size() != kPng.size()) return false;
    for (std::size_t i = 0; i < kPng.size(); ++i) {
        const char c = extension[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kPng[i]) return false;
    }
    return true;
}

// Walks the arguments after the command: options (with "--name value" or "--name=value")
// and positional file names; "--" ends the options.
class ArgumentCursor {
public:
    ArgumentCursor(const std::vector<std::string>& args, std::size_t first)
        : m_args(args), m_next(first) {}

    [[nodiscard]] bool Done() const { return m_next >= m_args.size(); }

    // Takes the next argument. `isOption` tells whether it is an option name; `value`
    // holds an attached "=value" if there was one.
    std::string_view Take(bool& isOption, std::optional<std::string_view>& value) {
        std::string_view arg = m_args[m_next++];
        value.reset();
        isOption = false;
        if (!m_optionsEnded && arg == "--") {
            m_optionsEnded = true;
            if (Done()) return {};
            arg = m_args[m_next++];
        }
        if (m_optionsEnded || !arg.starts_with("--")) return arg;
        isOption = true;
        if (const std::size_t eq = arg.find('='); eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        return arg;
    }

    // The value of an option: the attached one, or the next argument whatever it looks
    // like (so that "--camera -10,0,-200" works).
    std::optional<std::string_view> Value(std::optional<std::string_view> attached) {
        if (attached) return attached;
        if (Done()) return std::nullopt;
        return std::string_view(m_args[m_next++]);
    }

private:
    const std::vector<std::string>& m_args;
    std::size_t m_next;
    bool m_optionsEnded = false;
};

UsageError Usage(std::string text) {
    return UsageError{"tarno: " + std::move(text)};
}

// The options of --render from args[first] on; --pick takes the same ones but --output and
// --wireframe. Nothing, or the mistake.
std::optional<UsageError> ParseViewOptions(const std::vector<std::string>& args, std::size_t first,
                                           bool pick, RenderRequest& request) {
    const std::string command = pick ? "--pick" : "--render";
    bool haveInput = false;
    bool haveOutput = false;
    ArgumentCursor cursor(args, first);
    while (!cursor.Done()) {
        bool isOption = false;
        std::optional<std::string_view> attached;
        const std::string name(cursor.Take(isOption, attached));
        if (!isOption) {
            if (name.empty()) continue;
            if (haveInput) {
                return Usage(command + " takes one input file, got a second: " + name);
            }
            request.input = name;
            haveInput = true;
            continue;
        }
        if (pick && (name == "--output" || name == "--wireframe")) {
            return Usage("unknown option for --pick: " + name + " (see tarno --help)");
        }
        if (name == "--wireframe" || name == "--fit") {
            if (attached) return Usage(name + " takes no value");
            (name == "--fit" ? request.fit : request.wireframe) = true;
            continue;
        }
        if (name == kNoAntialias) {
            if (attached) return Usage("--no-aa takes no value");
            request.antialias = false;
            continue;
        }
        if (name != "--output" && name != "--size" && name != "--camera" && name != "--turn") {
            return Usage("unknown option for " + command + ": " + name + " (see tarno --help)");
        }
        const auto value = cursor.Value(attached);
        if (!value) return Usage(name + " needs a value (see tarno --help)");
        if (name == "--output") {
            if (value->empty()) return Usage("--output needs a file name");
            if (!IsPngName(*value)) {
                return Usage(
                    "--output writes PNG: give a name ending in .png (or without an "
                    "extension), or - for standard output, not '" +
                    std::string(*value) + "'");
            }
            request.output = std::string(*value);
            haveOutput = true;
        } else if (name == "--size") {
            if (!ParseSize(*value, request.width, request.height)) {
                return Usage("--size wants WxH or N, each from " + std::to_string(kMinRenderSide) +
                             " to " + std::to_string(kMaxRenderSide) + ", not '" +
                             std::string(*value) + "'");
            }
        } else if (name == "--camera") {
            float v[3] = {};
            if (!ParseFloatList(*value, 3, v)) {
                return Usage("--camera wants X,Y,Z (three numbers), not '" + std::string(*value) +
                             "'");
            }
            request.camera = Vector3{v[0], v[1], v[2]};
        } else {
            float v[4] = {};
            if (!ParseFloatList(*value, 4, v)) {
                return Usage("--turn wants AX,AY,AZ,RADIANS (four numbers), not '" +
                             std::string(*value) + "'");
            }
            request.turn = Turn{{v[0], v[1], v[2]}, v[3]};
        }
    }
    if (!haveInput) return Usage(command + " needs an input file (see tarno --help)");
    if (!haveOutput && !pick) return Usage("--render needs --output OUT.png (see tarno --help)");
    return std::nullopt;
}

HeadlessRequest ParseRender(const std::vector<std::string>& args) {
    RenderRequest request;
    if (auto error = ParseViewOptions(args, 2, false, request)) return *error;
    return request;
}

// "X,Y": a pixel of the picture, counted from its top left corner.
HeadlessRequest ParsePick(const std::vector<std::string>& args) {
    PickRequest request;
    const std::string_view where = args.size() > 2 ? std::string_view(args[2]) : "";
    const std::size_t comma = where.find(',');
    if (comma == std::string_view::npos || !ParseInt(where.substr(0, comma), request.x) ||
        !ParseInt(where.substr(comma + 1), request.y) || request.x < 0 || request.y < 0) {
        return Usage("--pick wants the pixel X,Y first (two whole numbers from 0), not '" +
                     std::string(where) + "'");
    }
    if (auto error = ParseViewOptions(args, 3, true, request.view)) return *error;
    if (request.x >= request.view.width || request.y >= request.view.height) {
        return Usage("--pick pixel " + std::string(where) + " lies outside the " +
                     std::to_string(request.view.width) + "x" +
                     std::to_string(request.view.height) + " picture");
    }
    return request;
}

// Commands that take only file names: exactly `count` of them.
bool ParseFileNames(const std::vector<std::string>& args, std::size_t count,
                    std::vector<std::string>& names, UsageError& error) {
    const std::string& command = args[1];
    ArgumentCursor cursor(args, 2);
    while (!cursor.Done()) {
        bool isOption = false;
        std::optional<std::string_view> attached;
        const std::string name(cursor.Take(isOption, attached));
        if (isOption) {
            error = Usage("unknown option for " + command + ": " + name + " (see tarno --help)");
            return false;
        }
        if (name.empty()) continue;
        if (names.size() == count) {
            error = Usage(command + " takes " + std::to_string(count) +
                          (count == 1 ? " file" : " files") + ", got another: " + name);
            return false;
        }
        names.push_back(name);
    }
    if (names.size() != count) {
        error = Usage(command + (count == 1 ? " needs IN.api" : " needs IN.api OUT.obj") +
                      " (see tarno --help)");
        return false;
    }
    return true;
}

}  // namespace

std::optional<HeadlessRequest> ParseCommandLine(const std::vector<std::string>& args) {
    bool headless = false;
    for (std::size_t i = 1; i < args.size(); ++i)
        headless = headless || IsHeadlessArgument(args[i]);
    if (!headless) return std::nullopt;

    const std::string& command = args[1];
    const bool alone = args.size() == 2;
    if (command == "--help" || command == "-h") {
        if (!alone) return Usage(command + " takes no arguments");
        return HelpRequest{};
    }
    if (command == "--version") {
        if (!alone) return Usage("--version takes no arguments");
        return VersionRequest{};
    }
    if (command == "--render") return ParseRender(args);
    if (command == "--pick") return ParsePick(args);
    if (command == "--export" || command == "--check") {
        std::vector<std::string> names;
        UsageError error;
        if (!ParseFileNames(args, command == "--export" ? 2 : 1, names, error)) return error;
        if (command == "--check") return CheckRequest{names[0]};
        return ExportRequest{names[0], names[1]};
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--output" || arg == "--size" || arg == "--wireframe" || arg == "--camera" ||
            arg == "--turn" || arg == "--fit") {
            return Usage(arg + " is an option of --render, which must come first");
        }
        if (arg == "--render" || arg == "--export" || arg == "--check" || arg == "--help" ||
            arg == "--version" || arg == "--pick") {
            return Usage(arg + " must be the first argument");
        }
        if (IsHeadlessArgument(arg)) return Usage("unknown option " + arg + " (see tarno --help)");
    }
    return Usage("unknown arguments (see tarno --help)");
}

std::string UsageText() {
    return "Usage:\n"
           "  tarno [--no-watch] [--no-aa] [FILE.api]\n"
           "                         open the viewer, on FILE.api if given; the window\n"
           "                         reloads the file when it changes, unless --no-watch;\n"
           "                         --no-aa draws without smoothing edges this time\n"
           "  tarno --render IN.api --output OUT.png [--size WxH|N] [--wireframe]\n"
           "                         [--camera X,Y,Z] [--turn AX,AY,AZ,RADIANS] [--fit]\n"
           "                         [--no-aa]\n"
           "                         draw IN.api as the window would and write a PNG\n"
           "                         (OUT.png, or - for standard output); default size\n"
           "                         640x480, each side 8 to 8192; camera at 0,0,-200;\n"
           "                         --turn turns the model about the axis by RADIANS;\n"
           "                         --fit moves the camera so that the whole model fills\n"
           "                         the picture; --no-aa leaves edges unsmoothed\n"
           "  tarno --pick X,Y IN.api [--size WxH|N] [--camera X,Y,Z]\n"
           "                         [--turn AX,AY,AZ,RADIANS] [--fit]\n"
           "                         print IN.api:LINE: TEXT for the face drawn at pixel X,Y\n"
           "                         (0,0 top left) of that picture; exit 1 if none is there\n"
           "  tarno --export IN.api OUT.obj\n"
           "                         write the model as Wavefront OBJ, with its materials\n"
           "                         in an MTL file beside it (OUT.mtl)\n"
           "  tarno --check IN.api   list what the viewer accepts silently but an author\n"
           "                         would want to know, with line numbers\n"
           "  tarno --help           this text\n"
           "  tarno --version        the version\n"
           "\n"
           "Options take their value as the next argument or after '='.\n"
           "Exit status: 0 done (--check: no warnings); 1 --check found warnings, --pick\n"
           "found no face, or an output could not be written; 2 bad command line or\n"
           "unreadable input.\n"
           "Tarno never writes the files it reads.\n";
}

}  // namespace app
