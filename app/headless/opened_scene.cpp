#include "app/headless/opened_scene.h"

namespace app {

namespace {

// One line that names the file once, as it was given.
std::string Describe(const std::string& path, const doc::CTarnoDoc& document) {
    const std::string& reason = document.LastError();
    return "tarno: " + path + ": " + (reason.empty() ? std::string("cannot be read") : reason);
}

}  // namespace

bool OpenScene(const std::string& path, doc::LoadObserver* observer, OpenedScene& out,
               std::string& error) {
    if (rm::Failed(rm::Direct3DRMCreate(out.root)) || !out.root) {
        error = "tarno: cannot create the 3D root object";
        return false;
    }
    out.document = std::make_unique<doc::CTarnoDoc>(*out.root);
    doc::CTarnoDoc& document = *out.document;
    const bool opened = observer == nullptr ? document.OnOpenDocument(path)
                                            : document.doc::CDocument::OnOpenDocument(path) &&
                                                  document.LoadApiFile(path, observer);
    if (!opened) {
        error = Describe(path, document);
        return false;
    }
    return true;
}

}  // namespace app
