#include "app/headless/pick_command.h"

#include "app/headless/render_command.h"
#include "doc/source_line.h"

namespace app {

PickOutcome PickLine(const PickRequest& request, PickedLine& out, std::string& error) {
    PosedScene posed;
    switch (PoseScene(request.view, posed, error)) {
        case RenderOutcome::Drawn:
            break;
        case RenderOutcome::UnreadableInput:
            return PickOutcome::UnreadableInput;
        case RenderOutcome::Failed:
            return PickOutcome::Failed;
    }
    const doc::CTarnoDoc& document = *posed.scene.document;
    const std::string where = std::to_string(request.x) + "," + std::to_string(request.y);
    rm::PickResult hit;
    const rm::Result r = posed.offscreen.Surface().viewport->Pick(document.m_pSceneFrame.get(),
                                                                  request.x, request.y, hit);
    if (r == rm::Result::NotFound || (rm::Succeeded(r) && document.m_pMeshBuilder &&
                                      hit.mesh != &document.m_pMeshBuilder->Data())) {
        error = "tarno: no face at pixel " + where + " of " + request.view.input;
        return PickOutcome::NoFace;
    }
    if (rm::Failed(r)) {
        error = std::string("tarno: picking failed: ") + rm::ResultName(r);
        return PickOutcome::Failed;
    }
    out.line = document.FaceSourceLine(hit.face);
    std::string text;
    out.text = doc::ReadSourceLine(request.view.input, out.line, text) ? doc::PrintableLine(text)
                                                                       : std::string();
    return PickOutcome::Found;
}

ExitCode RunPick(const PickRequest& request, std::ostream& out, std::ostream& err) {
    PickedLine picked;
    std::string error;
    switch (PickLine(request, picked, error)) {
        case PickOutcome::Found:
            out << request.view.input << ':' << picked.line << ": " << picked.text << '\n';
            return kExitDone;
        case PickOutcome::NoFace:
            err << error << '\n';
            return kExitFound;
        case PickOutcome::Failed:
            err << error << '\n';
            return kExitOutputFailed;
        case PickOutcome::UnreadableInput:
            err << error << '\n';
            return kExitBadRequest;
    }
    return kExitOutputFailed;
}

}  // namespace app
