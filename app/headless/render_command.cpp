#include "app/headless/render_command.h"

#include <memory>
#include <system_error>
#include <thread>

#include "app/headless/output_path.h"
#include "platform/image/png_writer.h"

namespace app {

namespace {

std::string Failure(const char* what, rm::Result r) {
    return std::string("tarno: ") + what + " failed: " + rm::ResultName(r);
}

ExitCode WritePicture(const RenderRequest& request, const rm::Picture& picture, std::ostream& out,
                      std::ostream& err);

}  // namespace

RenderOutcome PoseScene(const RenderRequest& request, PosedScene& out, std::string& error) {
    if (!OpenScene(request.input, nullptr, out.scene, error)) {
        return RenderOutcome::UnreadableInput;
    }
    doc::CTarnoDoc& document = *out.scene.document;
    if (const auto r = out.offscreen.Create(*out.scene.root, document.m_pSceneFrame, request.width,
                                            request.height, request.antialias);
        rm::Failed(r)) {
        error = Failure("building the render surface", r);
        return RenderOutcome::Failed;
    }
    if (request.camera) {
        const Vector3& c = *request.camera;
        (void)out.offscreen.Surface().camera->SetPosition(document.m_pSceneFrame.get(), c.x, c.y,
                                                          c.z);
    }
    if (request.turn) {
        const Turn& t = *request.turn;
        (void)document.m_pModelFrame->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER,
                                                  t.axis.x, t.axis.y, t.axis.z, t.radians);
    }
    if (request.fit && document.m_pMeshBuilder && document.m_pModelFrame) {
        // An empty model leaves the camera where it is.
        (void)view::FrameModel(*out.offscreen.Surface().viewport, *document.m_pModelFrame,
                               document.m_pMeshBuilder->Data());
    }
    if (request.wireframe && document.m_pMeshBuilder) {
        (void)document.m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_WIREFRAME);
    }
    return RenderOutcome::Drawn;
}

RenderOutcome RenderPicture(const RenderRequest& request, rm::Picture& picture,
                            std::string& error) {
    PosedScene posed;
    return RenderPicture(request, posed, picture, error);
}

RenderOutcome RenderPicture(const RenderRequest& request, PosedScene& posed, rm::Picture& picture,
                            std::string& error) {
    if (const RenderOutcome o = PoseScene(request, posed, error); o != RenderOutcome::Drawn) {
        return o;
    }
    if (const rm::Result r = posed.offscreen.Draw(*posed.scene.document->m_pSceneFrame);
        rm::Failed(r)) {
        error = Failure("drawing", r);
        return RenderOutcome::Failed;
    }
    picture = posed.offscreen.TakeLastPicture();
    return RenderOutcome::Drawn;
}

ExitCode RunRender(const RenderRequest& request, std::ostream& out, std::ostream& err) {
    const bool toStandardOutput = request.output == kStandardOutput;
    if (!toStandardOutput && SameFile(request.input, request.output)) {
        err << "tarno: refusing to write over the input file " << request.input << '\n';
        return kExitBadRequest;
    }
    rm::Picture picture;
    std::string error;
    auto posed = std::make_unique<PosedScene>();
    if (const RenderOutcome outcome = RenderPicture(request, *posed, picture, error);
        outcome != RenderOutcome::Drawn) {
        err << error << '\n';
        return outcome == RenderOutcome::UnreadableInput ? kExitBadRequest : kExitOutputFailed;
    }
    // A big model's scene takes tens of milliseconds to give its memory back: that happens
    // on a second thread while the PNG is made.
    std::thread release;
    try {
        release = std::thread([scene = std::move(posed)]() mutable { scene.reset(); });
    } catch (const std::system_error&) {
        // No thread to be had: the scene went with the closure, here and now.
    }
    const ExitCode code = WritePicture(request, picture, out, err);
    if (release.joinable()) {
        release.join();
    }
    return code;
}

namespace {

ExitCode WritePicture(const RenderRequest& request, const rm::Picture& picture, std::ostream& out,
                      std::ostream& err) {
    const bool toStandardOutput = request.output == kStandardOutput;
    std::string writeError;
    if (toStandardOutput) {
        std::string bytes;
        if (!rm::EncodePng(picture, bytes, &writeError)) {
            err << "tarno: cannot make the PNG: " << writeError << '\n';
            return kExitOutputFailed;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            err << "tarno: cannot write to standard output\n";
            return kExitOutputFailed;
        }
        return kExitDone;
    }
    if (!rm::WritePng(request.output, picture, &writeError)) {
        // The writer's text names the file already.
        err << "tarno: " << (writeError.empty() ? "cannot write " + request.output : writeError)
            << '\n';
        return kExitOutputFailed;
    }
    return kExitDone;
}

}  // namespace

}  // namespace app
