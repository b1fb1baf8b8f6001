#pragma once
// A big file is read in two parts at once: the rest of it, from a point block's line near
// the middle, on a thread of its own, while the line loop reads the part before. The rest
// joins the load only where it stands for exactly what reading on in order makes: it
// needed nothing the part before leaves in the tables, and the line loop reached its first
// line as a line of its own. Otherwise the line loop simply reads on.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "doc/load_context.h"
#include "doc/load_observer.h"
#include "doc/load_tables.h"
#include "doc/recorded_warnings.h"
#include "platform/rm/mesh_builder.h"

namespace doc {

class RestOfFile {
public:
    // Where the rest may start: the start of the first line of a point block a little past
    // `from`; -1 for none.
    [[nodiscard]] static std::int64_t FindStart(const std::string& path, std::int64_t from,
                                                std::int64_t fileSize);

    // Starts loading `path` from offset `start` on a thread of its own; with `observed`
    // its warnings are kept for the load's observer.
    RestOfFile(std::string path, std::int64_t start, std::int64_t fileSize, bool observed);
    ~RestOfFile();
    RestOfFile(const RestOfFile&) = delete;
    RestOfFile& operator=(const RestOfFile&) = delete;

    // Waits for the rest and adds it to `ctx`'s load, whose line loop has stopped exactly
    // at the start: faces, tables, summary and warnings. False, with `ctx` unchanged, when
    // the rest cannot stand for the file read on in order from there.
    [[nodiscard]] bool JoinInto(LoadContext& ctx);
    // Stops the rest early; its result is not wanted.
    void Abandon();

private:
    void Run();
    void Wait();

    std::string m_path;
    std::int64_t m_start = 0;
    std::int64_t m_fileSize = 0;
    bool m_observed = false;
    std::atomic<bool> m_cancel{false};

    // Written by the thread, read after it ended.
    std::unique_ptr<LoadTables> m_tables = std::make_unique<LoadTables>();
    rm::MeshBuilder m_mesh{rm::MeshBuilder::Detached{}};
    RecordedWarnings m_warnings;  // lines counted from the rest's start
    LoadSummary m_summary;
    std::vector<LoadContext::FirstPosition> m_firstPositions;
    std::int64_t m_lastLine = 0;  // counted from the start
    bool m_strokeLimitReached = false;
    bool m_complete = false;

    std::thread m_thread;  // last: starts once everything above exists
};

}  // namespace doc
