#include "platform/rm/mesh_pin.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/rm/mesh_builder.h"

namespace rm {

namespace {

struct PinEntry {
    const MeshData* mesh;
    std::atomic<bool>* cancel;
};

// Pins are few (one per mesh of a frame in flight), so one list for the process will do.
struct PinTable {
    std::mutex mutex;
    std::condition_variable released;
    std::vector<PinEntry> entries;
};

PinTable& Table() {
    static PinTable table;
    return table;
}

}  // namespace

MeshReadPin::MeshReadPin(std::shared_ptr<const MeshData> mesh, std::atomic<bool>& cancel)
    : m_mesh(std::move(mesh)), m_cancel(&cancel) {
    if (!m_mesh) return;
    PinTable& t = Table();
    const std::lock_guard lock(t.mutex);
    t.entries.push_back(PinEntry{m_mesh.get(), m_cancel});
    m_mesh->pins.m_count.fetch_add(1, std::memory_order_acq_rel);
}

MeshReadPin::MeshReadPin(MeshReadPin&& other) noexcept
    : m_mesh(std::move(other.m_mesh)), m_cancel(other.m_cancel) {}

MeshReadPin::~MeshReadPin() {
    if (!m_mesh) return;
    PinTable& t = Table();
    {
        const std::lock_guard lock(t.mutex);
        const auto it = std::find_if(t.entries.begin(), t.entries.end(), [&](const PinEntry& e) {
            return e.mesh == m_mesh.get() && e.cancel == m_cancel;
        });
        if (it != t.entries.end()) t.entries.erase(it);
        m_mesh->pins.m_count.fetch_sub(1, std::memory_order_acq_rel);
    }
    t.released.notify_all();
}

void WaitForMeshReaders(const MeshData& mesh) {
    if (!mesh.pins.Any()) return;
    PinTable& t = Table();
    std::unique_lock lock(t.mutex);
    for (const PinEntry& e : t.entries) {
        if (e.mesh == &mesh) e.cancel->store(true, std::memory_order_relaxed);
    }
    t.released.wait(lock, [&] { return !mesh.pins.Any(); });
}

}  // namespace rm
