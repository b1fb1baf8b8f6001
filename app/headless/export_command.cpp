#include "app/headless/export_command.h"

#include <filesystem>

#include "app/headless/obj_export.h"
#include "app/headless/opened_scene.h"
#include "app/headless/output_path.h"

namespace app {

ExitCode RunExport(const ExportRequest& request, std::ostream& /*out*/, std::ostream& err) {
    const std::string mtlPath = MaterialPathFor(request.output);
    for (const std::string* path : {&request.output, &mtlPath}) {
        if (SameFile(request.input, *path)) {
            err << "tarno: refusing to write over the input file " << request.input << '\n';
            return kExitBadRequest;
        }
    }
    OpenedScene scene;
    std::string error;
    if (!OpenScene(request.input, nullptr, scene, error)) {
        err << error << '\n';
        return kExitBadRequest;
    }
    const doc::CTarnoDoc& document = *scene.document;
    rm::MeshData empty;
    const rm::MeshData& mesh = document.m_pMeshBuilder ? document.m_pMeshBuilder->Data() : empty;
    const ObjText text = ExportObj(mesh, std::filesystem::path(mtlPath).filename().string(),
                                   std::filesystem::path(request.input).filename().string());
    if (!WriteTextFile(mtlPath, text.mtl, error) ||
        !WriteTextFile(request.output, text.obj, error)) {
        err << error << '\n';
        return kExitOutputFailed;
    }
    return kExitDone;
}

}  // namespace app
