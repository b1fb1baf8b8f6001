#include "doc/tarno_doc.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>

#include "doc/load_context.h"
#include "doc/load_tables.h"
#include "doc/read_ahead.h"
#include "doc/rest_of_file.h"
#include "platform/io/text_file.h"

namespace doc {

namespace {

// Ends a mesh's detached fill on every way out of a load.
struct AttachWhenDone {
    rm::MeshBuilder& mesh;
    ~AttachWhenDone() { mesh.Attach(); }
};

}  // namespace

std::int64_t CTarnoDoc::s_splitBytes = CTarnoDoc::kDefaultSplitBytes;

CTarnoDoc::CTarnoDoc(rm::Root& root) : m_root(root) {
    using rm::D3DRMLIGHTTYPE;
    // Nothing here can be reported to the user yet; a piece that could not be made is
    // left null and the first load says so.
    (void)root.CreateFrame(nullptr, m_pSceneFrame);
    if (m_pSceneFrame) {
        (void)root.CreateFrame(m_pSceneFrame, m_pLightFrame);
    }
    if (m_pLightFrame) {
        (void)m_pLightFrame->SetPosition(m_pSceneFrame.get(), 100.0F, 100.0F, -100.0F);
        (void)m_pLightFrame->SetOrientation(m_pSceneFrame.get(), {-1.0F, -1.0F, 1.0F},
                                            {-1.0F, 1.0F, 1.0F});
        rm::LightPtr directional;
        if (rm::Succeeded(root.CreateLightRGB(D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL, 1.0F, 1.0F,
                                              1.0F, directional))) {
            (void)m_pLightFrame->AddLight(directional);
        }
    }
    if (m_pSceneFrame) {
        rm::LightPtr ambient;
        if (rm::Succeeded(root.CreateLightRGB(D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 0.3F, 0.3F, 0.3F,
                                              ambient))) {
            (void)m_pSceneFrame->AddLight(ambient);
        }
        (void)root.CreateFrame(m_pSceneFrame, m_pModelFrame);
    }
    (void)root.CreateMeshBuilder(m_pMeshBuilder);
}

CTarnoDoc::~CTarnoDoc() = default;

bool CTarnoDoc::OnNewDocument() {
    return CDocument::OnNewDocument();
}

bool CTarnoDoc::OnOpenDocument(const std::string& path) {
    const std::string previous = GetPathName();
    m_loadChangedScene = false;
    if (!CDocument::OnOpenDocument(path)) {
        return false;
    }
    if (!LoadApiFile(path)) {
        if (!m_loadChangedScene) {
            SetPathName(previous);  // nothing was replaced: the old file is still shown
        }
        return false;
    }
    (void)m_pModelFrame->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_REPLACE, 0.0F, 0.0F, 0.0F,
                                     0.0F);
    return true;
}

std::uint32_t CTarnoDoc::FaceSourceLine(std::uint32_t face) const {
    if (!m_pMeshBuilder) {
        return 0;
    }
    const rm::MeshData& mesh = m_pMeshBuilder->Data();
    return face < mesh.faceAppData.size() ? mesh.faceAppData[face] : 0;
}

bool CTarnoDoc::LoadApiFile(const std::string& path, LoadObserver* observer) {
    LoadObserver* const watcher = observer != nullptr ? observer : m_pLoadObserver;
    if (watcher != nullptr) watcher->OnLoadStart(path);
    const bool loaded = LoadFile(path, watcher);
    if (watcher != nullptr) watcher->OnLoadEnd(loaded);
    return loaded;
}

bool CTarnoDoc::LoadFile(const std::string& path, LoadObserver* observer) {
    m_loadChangedScene = false;
    SetLastError(std::string());
    if (!m_pModelFrame) {
        SetLastError("Cannot load: the scene could not be created");
        return false;
    }
    rm::TextFile file;
    // Only a regular file: a pipe would block here and a device would never end. Refused
    // before anything is reset, so a Reload of such a path changes nothing.
    if (!file.OpenRegular(path)) {
        SetLastError("Cannot open: " + file.Error());
        return false;
    }
    LoadTables& tables = Tables();
    // The file read while the window started stands for this load if it is still the file
    // that was read and this load starts from the tables that read started from.
    std::unique_ptr<ReadAhead> ahead = ReadAhead::Take(path, tables);
    tables.ResetForLoad();

    // Replace the mesh: from here on the previous model is no longer part of the scene.
    m_loadChangedScene = true;
    (void)m_pModelFrame->DeleteVisual(m_pMeshBuilder.get());
    rm::MeshBuilderPtr fresh;
    if (rm::Failed(m_root.CreateMeshBuilder(fresh)) || !fresh) {
        // The old builder stays held (never a null handle for the view), but unshown.
        SetLastError("Cannot load: no mesh could be created");
        return false;
    }
    m_pMeshBuilder = std::move(fresh);
    // Nothing shows the new mesh until the load is done: its faces need not each announce
    // a revision (an atomic add per face, half a million times on a big file). However the
    // load ends, the mesh announces itself and its later changes again.
    m_pMeshBuilder->Detach();
    const AttachWhenDone attach{*m_pMeshBuilder};

    WholeRead read;
    if (!ahead || !ahead->HandTo(*m_pMeshBuilder, tables, observer, read)) {
        read = ReadWholeFile(path, file, tables, *m_pMeshBuilder, observer, nullptr, nullptr);
    }
    file.Close();
    if (read.failed) {
        // The model frame stays without a visual until the next load that succeeds.
        SetLastError("Stopped at line " +
                     std::to_string(std::max<std::int64_t>(read.failureLine, 1)) + ": " +
                     read.failureText);
        return false;
    }
    (void)m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_FLAT);
    (void)m_pModelFrame->AddVisual(m_pMeshBuilder);
    m_summary = read.summary;
    return true;
}

CTarnoDoc::WholeRead CTarnoDoc::ReadWholeFile(const std::string& path, rm::TextFile& file,
                                              LoadTables& tables, rm::MeshBuilder& mesh,
                                              LoadObserver* observer,
                                              const std::atomic<bool>* cancel,
                                              const std::atomic<bool>* splitLater) {
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    const std::int64_t fileSize = sizeError ? 0 : static_cast<std::int64_t>(size);
    LoadContext ctx(file, fileSize, tables, mesh, observer);
    ctx.cancel = cancel;
    try {
        std::unique_ptr<RestOfFile> rest;
        // The rest of the file from `from` on, read in two halves at once when it is big.
        const auto split = [&](std::int64_t from) {
            if (fileSize - from < s_splitBytes || std::thread::hardware_concurrency() < 2) {
                return;
            }
            const std::int64_t start =
                RestOfFile::FindStart(path, from + (fileSize - from) / 2, fileSize);
            if (start <= from) {
                return;
            }
            try {
                rest = std::make_unique<RestOfFile>(path, start, fileSize, observer != nullptr);
                ctx.stopAt = start;
            } catch (const std::system_error&) {
                // No thread to be had: the whole file is read in order.
            }
        };
        if (splitLater != nullptr && cancel != nullptr) {
            ctx.splitWhen = splitLater;
        } else {
            split(0);
        }
        RunLineLoop(ctx);
        if (ctx.splitAsked) {
            ctx.splitAsked = false;
            split(ctx.file.LineStart());
            RunLineLoop(ctx);
        }
        if (rest && !ctx.reachedStop) {
            rest->Abandon();  // "ENDA", the end of the text or a failure came first
        } else if (rest && !rest->JoinInto(ctx)) {
            ctx.stopAt = INT64_MAX;
            RunLineLoop(ctx);  // read on in order from where the loop stopped
        }
    } catch (const std::bad_alloc&) {
        // The retained-mode layer reports its own failures; this catches the loader's.
        ctx.Fail("out of memory");
    }
    WholeRead read;
    read.failed = ctx.Failed();
    read.failureLine = ctx.FailureLine();
    read.failureText = ctx.FailureText();
    read.summary = ctx.summary;
    return read;
}

}  // namespace doc
