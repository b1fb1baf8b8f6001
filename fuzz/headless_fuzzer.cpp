// libFuzzer entry for the headless render path with framing (`--render --fit`) and for
// `--pick`: every input is a file the commands open, load, frame, draw and pick in. The
// first byte chooses the options (solid or wireframe, a turn, the picture's size); the
// rest is the file.
// The sanitizers turn any fault of the loader, the framing or the renderer into a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/headless/command_line.h"
#include "app/headless/pick_command.h"
#include "app/headless/render_command.h"
#include "fuzz/scratch_file.h"
#include "platform/image/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile scratch;
    const std::uint8_t options = size > 0 ? data[0] : 0;
    {
        std::ofstream out(scratch.Path(), std::ios::binary | std::ios::trunc);
        if (size > 1) {
            out.write(reinterpret_cast<const char*>(data + 1),
                      static_cast<std::streamsize>(size - 1));
        }
        if (!out) std::abort();
    }
    app::RenderRequest request;
    request.input = scratch.Path();
    request.output = app::kStandardOutput;
    request.fit = true;
    request.wireframe = (options & 1U) != 0;
    // Small pictures keep each run fast; odd sizes reach the edges of the tiles.
    request.width = app::kMinRenderSide + (options >> 1 & 7U) * 9;
    request.height = app::kMinRenderSide + (options >> 4 & 3U) * 7;
    if ((options & 0x40U) != 0) {
        request.turn = app::Turn{{0.3F, 1.0F, -0.2F}, 0.7F};
    }
    rm::Picture picture;
    std::string error;
    const app::RenderOutcome outcome = app::RenderPicture(request, picture, error);
    if (outcome == app::RenderOutcome::UnreadableInput) {
        // The scratch file is a readable regular file: only a load that stopped part way
        // may say so, and it must say why.
        if (error.empty()) std::abort();
        return 0;
    }
    if (outcome == app::RenderOutcome::Drawn &&
        (picture.width != request.width || picture.height != request.height ||
         picture.pixels.size() !=
             static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))) {
        std::abort();
    }
    if (outcome == app::RenderOutcome::Failed && error.empty()) std::abort();
    if (outcome != app::RenderOutcome::Drawn) return 0;

    // Pick where the picture has something, else at its middle: a face found must name a
    // line of the file, and no face must say why.
    app::PickRequest pick{request.width / 2, request.height / 2, request};
    for (int i = 0; i < picture.width * picture.height; ++i) {
        if ((picture.pixels[static_cast<std::size_t>(i)] & 0x00FFFFFFU) != 0) {
            pick.x = i % picture.width;
            pick.y = i / picture.width;
            break;
        }
    }
    app::PickedLine picked;
    error.clear();
    const app::PickOutcome found = app::PickLine(pick, picked, error);
    if (found == app::PickOutcome::Found && picked.line <= 0) std::abort();
    if (found != app::PickOutcome::Found && error.empty()) std::abort();
    return 0;
}
