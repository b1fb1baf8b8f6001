#pragma once
// The viewer's one document: the fixed scene graph (scene frame with an ambient light,
// light frame with a directional light, model frame) and the model mesh built from the
// .api file that is open.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "doc/document.h"
#include "doc/load_observer.h"
#include "doc/tarno_block.h"
#include "platform/rm/root.h"

namespace rm {
class TextFile;
}

namespace doc {

class LoadContext;
struct LoadTables;

// What a path block's reader tells the line loop; the values are the readers' results as
// the format gives them (only Draw lays strokes).
enum class PathBlock : int {
    Unread = -1,  // the block ended before its keyword
    Move = 0,     // MOVETO or MOVETOPT: the path starts again, nothing is drawn
    Draw = 1,     // DRAWTO or DRAWTOPT: the whole path is stroked
};

class CTarnoDoc : public CDocument {
public:
    // Builds the fixed scene graph with `root`, which must outlive the document.
    explicit CTarnoDoc(rm::Root& root);
    ~CTarnoDoc() override;

    bool OnNewDocument() override;
    [[nodiscard]] bool OnOpenDocument(const std::string& path) override;
    // Builds a new model mesh from the file; false if it cannot be opened (nothing changed)
    // or a read error or failed creation stopped the load part way. Without an observer of
    // its own the load reports to the document's (SetLoadObserver), if any.
    [[nodiscard]] bool LoadApiFile(const std::string& path, LoadObserver* observer = nullptr);
    // The last open or load got as far as replacing the model before it failed: the old
    // model is gone and the document names the file that failed, so that Reload tries it
    // again.
    [[nodiscard]] bool LastLoadReplacedModel() const { return m_loadChangedScene; }
    // The observer of every load that names none (open, reload); null for none. It must
    // outlive its attachment.
    void SetLoadObserver(LoadObserver* observer) { m_pLoadObserver = observer; }
    // The file line (1-based) whose command made face `face` of the model mesh: a polygon's
    // keyword line, or for a stroke the keyword line of the DRAW block that laid it. 0 when
    // there is no such face.
    [[nodiscard]] std::uint32_t FaceSourceLine(std::uint32_t face) const;
    // A line number as faces keep it (lines past the 32-bit range keep the last one).
    static constexpr std::uint32_t SourceLineTag(std::int64_t line) {
        return line < 0 ? 0 : line > 0xFFFFFFFF ? 0xFFFFFFFFU : static_cast<std::uint32_t>(line);
    }
    // Files of at least this many bytes are read in two parts at once (when the machine
    // has more than one hardware thread); the result is the same as reading in order.
    static constexpr std::int64_t kDefaultSplitBytes = std::int64_t{4} << 20;
    static void SetSplitBytes(std::int64_t bytes) { s_splitBytes = bytes; }
    [[nodiscard]] static std::int64_t SplitBytes() { return s_splitBytes; }
    // What the last successful load made.
    [[nodiscard]] const LoadSummary& LastLoadSummary() const { return m_summary; }
    // What reading a whole file made, besides the mesh and the tables.
    struct WholeRead {
        bool failed = false;
        std::int64_t failureLine = 0;
        std::string failureText;
        LoadSummary summary;
    };
    // A load's reading of the file, apart from any document: reads `file`, open at its
    // start, into `mesh` with `tables` (reset for this load), in two parts at once when it
    // is big. `cancel`, when given, stops the read as a failure once it is set. With it,
    // `splitLater` makes the read start in one part and read what is left in two once
    // `splitLater` is set (the read ahead while the window starts leaves Qt a core).
    static WholeRead ReadWholeFile(const std::string& path, rm::TextFile& file,
                                   LoadTables& tables, rm::MeshBuilder& mesh,
                                   LoadObserver* observer, const std::atomic<bool>* cancel,
                                   const std::atomic<bool>* splitLater);

    // The token array's size, and how many of its slots each split empties first.
    static constexpr int kTokenSlots = 512;
    static constexpr int kClearedSlots = 256;
    // Splits `line` into tokens in `tokens` (kTokenSlots slots): words separated by blanks,
    // tabs and line feeds, each of ( ) [ ] { } a token of its own, ";" starts a remark.
    // Returns the number of tokens. An empty line changes nothing and gives 0; otherwise
    // slots 0 to kClearedSlots - 1 are emptied first. Nothing is ever written outside the
    // array: tokens past its last slot go to `overflow` (emptied first) and are counted;
    // without one they are dropped and the count stops at kTokenSlots.
    static int SplitLine(std::string_view line, std::string* tokens,
                         std::vector<std::string>* overflow = nullptr);
    // The palette colour of a colour code (0x00 to 0x16; any other code is white). The
    // second value has no effect.
    static rm::D3DCOLOR ColorFromCode(std::int32_t code, std::int32_t second);
    // Every point-table coordinate to 0.
    static void ClearPointTable(LoadTables& tables);
    // Every entry of both paths to 0; the counts stay.
    static void ClearPaths(LoadTables& tables);
    // Adds one stroke, an octagonal prism of the given half-width around a to b, coloured
    // `color`. False (nothing added) when a and b coincide or the mesh refuses the faces.
    [[nodiscard]] static bool AddStroke(rm::MeshBuilder& mesh, rm::D3DVALUE halfWidth,
                                        const rm::D3DVECTOR& a, const rm::D3DVECTOR& b,
                                        rm::D3DCOLOR color);

    CObArray m_blockArray;              // declared data model; stays empty
    rm::MeshBuilderPtr m_pMeshBuilder;  // the model mesh builder
    rm::FramePtr m_pModelFrame;         // the model frame (the view turns it)
    rm::FramePtr m_pLightFrame;         // carries the directional light
    rm::FramePtr m_pSceneFrame;         // root of the scene graph

private:
    // The line loop and the block readers; each reader starts at its keyword line.
    static void RunLineLoop(LoadContext& ctx);
    static void ReadPointBlock(LoadContext& ctx);
    static void ReadColorBlock(LoadContext& ctx);
    static void ReadPolygonBlock(LoadContext& ctx);
    static void AddPolygonFace(LoadContext& ctx, bool textured);
    static PathBlock ReadLineBlock(LoadContext& ctx);
    static PathBlock ReadPointLineBlock(LoadContext& ctx);
    static void LayCoordinateStrokes(LoadContext& ctx);
    static void LayPointStrokes(LoadContext& ctx);
    [[nodiscard]] bool LoadFile(const std::string& path, LoadObserver* observer);
    friend class RestOfFile;

    static std::int64_t s_splitBytes;

    rm::Root& m_root;
    LoadSummary m_summary;
    bool m_loadChangedScene = false;  // the last load got as far as replacing the mesh
    LoadObserver* m_pLoadObserver = nullptr;
};

}  // namespace doc
