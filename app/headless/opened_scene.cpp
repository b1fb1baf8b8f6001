#include "app/headless/opened_scene.h"

#include <filesystem>
#include <system_error>

namespace app {

namespace {

// One line that names the file once.
std::string Describe(const std::string& path, const doc::CTarnoDoc& document) {
    const std::string& reason = document.LastError();
    if (reason.empty()) return "tarno: " + path + ": cannot be read";
    if (reason.find(path) != std::string::npos) return "tarno: " + reason;
    return "tarno: " + path + ": " + reason;
}

}  // namespace

bool OpenScene(const std::string& path, doc::LoadObserver* observer, OpenedScene& out,
               std::string& error) {
    // A directory opens for reading on this system, so it is refused before the loader
    // sees it.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "tarno: " + path + ": is a directory";
        return false;
    }
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
