#include "doc/read_ahead.h"

#include <mutex>
#include <system_error>
#include <utility>

#include "platform/io/text_file.h"

namespace doc {

namespace {

std::mutex s_slotLock;
std::unique_ptr<ReadAhead>& Slot() {
    static std::unique_ptr<ReadAhead> pending;
    return pending;
}

std::unique_ptr<ReadAhead> TakeSlot() {
    const std::lock_guard lock(s_slotLock);
    return std::move(Slot());
}

}  // namespace

void ReadAhead::Start(const std::string& path) {
    std::unique_ptr<ReadAhead> fresh;
    try {
        fresh = std::make_unique<ReadAhead>(path);
    } catch (const std::system_error&) {
        // No thread to be had: the load reads the file when it comes.
    }
    std::unique_ptr<ReadAhead> old;
    {
        const std::lock_guard lock(s_slotLock);
        old = std::exchange(Slot(), std::move(fresh));
    }
    if (old) {
        old->Cancel();
    }
}

void ReadAhead::Drop() {
    if (std::unique_ptr<ReadAhead> old = TakeSlot()) {
        old->Cancel();
    }
}

std::unique_ptr<ReadAhead> ReadAhead::Take(const std::string& path, const LoadTables& tables) {
    std::unique_ptr<ReadAhead> ahead = TakeSlot();
    if (!ahead) {
        return nullptr;
    }
    if (!ahead->StandsFor(path, tables)) {
        ahead->Cancel();  // a read of another file, or of this one before it changed
        return nullptr;
    }
    ahead->m_hurry.store(true, std::memory_order_relaxed);
    if (ahead->m_thread.joinable()) {
        ahead->m_thread.join();
    }
    // A write during the read changed the stamp: what was read may be neither version.
    if (!ahead->m_complete || rm::StampOf(path) != ahead->m_before) {
        return nullptr;
    }
    return ahead;
}

ReadAhead::ReadAhead(std::string path)
    : m_path(std::move(path)), m_before(rm::StampOf(m_path)), m_thread([this] { Run(); }) {}

ReadAhead::~ReadAhead() {
    Cancel();
}

void ReadAhead::Cancel() {
    m_cancel.store(true, std::memory_order_relaxed);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool ReadAhead::StandsFor(const std::string& path, const LoadTables& tables) const {
    // Only the colours carry over from one load to the next; the rest is reset.
    return m_before.IsRegular() && rm::StampOf(path) == m_before &&
           tables.lineColor == m_startTables.lineColor &&
           tables.surfaceColor == m_startTables.surfaceColor;
}

void ReadAhead::Run() {
    try {
        rm::TextFile file;
        if (!m_before.IsRegular() || !file.OpenRegular(m_path)) {
            return;
        }
        m_tables = m_startTables;
        m_tables.ResetForLoad();
        // While the window starts, one part at a time beside it; the rest in two once the
        // load that takes the read waits for it.
        m_read = CTarnoDoc::ReadWholeFile(m_path, file, m_tables, m_mesh, &m_warnings, &m_cancel,
                                          &m_hurry);
        m_complete = !m_read.failed && !m_warnings.Overflowed() &&
                     !m_cancel.load(std::memory_order_relaxed);
    } catch (...) {
        // Whatever stopped the read, the load meets it again and reports it.
        m_complete = false;
    }
}

bool ReadAhead::HandTo(rm::MeshBuilder& mesh, LoadTables& tables, LoadObserver* observer,
                       CTarnoDoc::WholeRead& out) {
    if (rm::Failed(mesh.TakeAll(m_mesh))) {
        return false;
    }
    tables = m_tables;
    if (observer != nullptr) {
        m_warnings.Replay(*observer, 0);
    }
    out = m_read;
    out.summary.readAhead = true;
    return true;
}

}  // namespace doc
