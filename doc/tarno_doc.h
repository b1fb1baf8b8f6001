#pragma once
// The viewer's one document: the fixed scene graph (scene frame with an ambient light,
// light frame with a directional light, model frame) and the model mesh built from the
// .api file that is open.

#include <string>
#include <vector>

#include "doc/document.h"
#include "doc/load_observer.h"
#include "doc/tarno_block.h"
#include "platform/rm/root.h"

namespace doc {

class CTarnoDoc : public CDocument {
public:
    // Builds the fixed scene graph with `root`, which must outlive the document.
    explicit CTarnoDoc(rm::Root& root);
    ~CTarnoDoc() override;

    bool OnNewDocument() override;
    bool OnOpenDocument(const std::string& path) override;
    // Builds a new model mesh from the file; false if it cannot be opened (nothing changed)
    // or a read error or failed creation stopped the load part way.
    bool LoadApiFile(const std::string& path, LoadObserver* observer = nullptr);
    // What the last successful load made.
    [[nodiscard]] const LoadSummary& LastLoadSummary() const { return m_summary; }

    CObArray m_blockArray;               // declared data model; stays empty
    rm::MeshBuilderPtr m_pMeshBuilder;   // the model mesh builder
    rm::FramePtr m_pModelFrame;          // the model frame (the view turns it)
    rm::FramePtr m_pLightFrame;          // carries the directional light
    rm::FramePtr m_pSceneFrame;          // root of the scene graph

private:
    rm::Root& m_root;
    LoadSummary m_summary;
};

}  // namespace doc
