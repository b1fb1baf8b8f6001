#pragma once
// The file the command line names is read while the window starts (loading Qt, opening the
// display), on threads of its own. The document's next load takes what was read instead of
// reading again, when the file is still the one that was read and the load starts from the
// tables that read started from: it then ends exactly as reading would have ended. Otherwise
// the read is dropped and the load reads as usual.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "doc/load_tables.h"
#include "doc/recorded_warnings.h"
#include "doc/tarno_doc.h"
#include "platform/io/file_stamp.h"
#include "platform/rm/mesh_builder.h"

namespace doc {

class ReadAhead {
public:
    // A read of more warnings than this is given up: the load itself then reads the file.
    static constexpr std::size_t kMaxWarnings = std::size_t{1} << 16;

    // Starts reading `path` for the next load to take; a read begun before is dropped.
    static void Start(const std::string& path);
    // Stops and drops a read that no load took.
    static void Drop();
    // For the next load, of `path`, that starts from `tables`: the finished read if it
    // stands for that load, else null. Either way no read is left for a later load.
    [[nodiscard]] static std::unique_ptr<ReadAhead> Take(const std::string& path,
                                                         const LoadTables& tables);

    explicit ReadAhead(std::string path);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Ends the load: `mesh` (empty) takes the faces, `tables` the state the read left,
    // `observer` the warnings, `out` the summary. False, with nothing changed, when the
    // mesh cannot take them; the load then reads the file itself.
    [[nodiscard]] bool HandTo(rm::MeshBuilder& mesh, LoadTables& tables, LoadObserver* observer,
                              CTarnoDoc::WholeRead& out);

private:
    void Run();
    void Cancel();
    // The read stands for a load of the file at `path` now, from `tables`.
    [[nodiscard]] bool StandsFor(const std::string& path, const LoadTables& tables) const;

    std::string m_path;
    rm::FileStamp m_before;  // taken before the read
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_hurry{false};  // split what is left of the read
    // Written by the thread, read after it ended.
    LoadTables m_startTables;
    LoadTables m_tables;
    rm::MeshBuilder m_mesh{rm::MeshBuilder::Detached{}};
    RecordedWarnings m_warnings{kMaxWarnings, &m_cancel};
    CTarnoDoc::WholeRead m_read;
    bool m_complete = false;

    std::thread m_thread;  // last: starts once everything above exists
};

}  // namespace doc
