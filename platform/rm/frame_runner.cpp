#include "platform/rm/frame_runner.h"

#include <algorithm>

namespace rm {

namespace {

bool Same(const std::weak_ptr<const Viewport>& a, const std::weak_ptr<const Viewport>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

}  // namespace

void FrameRequest::Adopt(const RenderJob& prepared,
                         std::vector<std::shared_ptr<const MeshData>> owners) {
    lights.assign(prepared.lights.begin(), prepared.lights.end());
    meshes.assign(prepared.meshes.begin(), prepared.meshes.end());
    job = prepared;
    job.lights = lights;
    job.meshes = meshes;
    job.cancel = &cancel;
    pins.reserve(owners.size());
    for (std::shared_ptr<const MeshData>& owner : owners) {
        pins.emplace_back(std::move(owner), cancel);
    }
}

FrameRunner::FrameRunner(std::function<void()> ready)
    : m_ready(std::move(ready)), m_thread([this] { ThreadMain(); }) {}

FrameRunner::~FrameRunner() {
    std::vector<std::unique_ptr<FrameRequest>> dropped;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        dropped.swap(m_pending);
        if (m_running != nullptr) m_running->cancel.store(true, std::memory_order_relaxed);
    }
    m_wake.notify_all();
    m_thread.join();
}

void FrameRunner::Submit(std::unique_ptr<FrameRequest> request) {
    if (!request) return;
    std::unique_ptr<FrameRequest> replaced;
    {
        const std::lock_guard lock(m_mutex);
        if (m_running != nullptr && Same(m_runningViewport, request->viewport)) {
            m_running->cancel.store(true, std::memory_order_relaxed);
        }
        const auto it = std::find_if(m_pending.begin(), m_pending.end(), [&](const auto& p) {
            return Same(p->viewport, request->viewport);
        });
        if (it != m_pending.end()) {
            replaced = std::move(*it);
            *it = std::move(request);
            ++m_cancelledCount;
        } else {
            m_pending.push_back(std::move(request));
        }
    }
    m_wake.notify_one();
    // `replaced` lets go of its meshes here, outside the lock.
}

bool FrameRunner::BusyWith(const std::weak_ptr<const Viewport>& viewport) const {
    if (m_busy && Same(m_runningViewport, viewport)) return true;
    return std::any_of(m_pending.begin(), m_pending.end(),
                       [&](const auto& p) { return Same(p->viewport, viewport); });
}

bool FrameRunner::InFlight(const std::weak_ptr<const Viewport>& viewport, std::uint64_t revision) {
    const std::lock_guard lock(m_mutex);
    if (m_running != nullptr && Same(m_runningViewport, viewport) &&
        m_running->revision == revision && !m_running->cancel.load(std::memory_order_relaxed)) {
        return true;
    }
    return std::any_of(m_pending.begin(), m_pending.end(), [&](const auto& p) {
        return Same(p->viewport, viewport) && p->revision == revision;
    });
}

bool FrameRunner::WaitForViewport(const std::weak_ptr<const Viewport>& viewport,
                                  Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_until(lock, deadline, [&] { return !BusyWith(viewport); });
}

std::optional<std::uint64_t> FrameRunner::TakeFinished(
    const std::weak_ptr<const Viewport>& viewport) {
    const std::lock_guard lock(m_mutex);
    // While another frame of the viewport is drawn, its device belongs to this thread.
    if (BusyWith(viewport)) return std::nullopt;
    const auto it = std::find_if(m_finished.begin(), m_finished.end(),
                                 [&](const Finished& f) { return Same(f.viewport, viewport); });
    if (it == m_finished.end()) return std::nullopt;
    const std::uint64_t revision = it->revision;
    m_finished.erase(it);
    return revision;
}

std::uint64_t FrameRunner::FinishedCount() {
    const std::lock_guard lock(m_mutex);
    return m_finishedCount;
}

std::uint64_t FrameRunner::CancelledCount() {
    const std::lock_guard lock(m_mutex);
    return m_cancelledCount;
}

void FrameRunner::ThreadMain() {
    for (;;) {
        std::unique_ptr<FrameRequest> request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_pending.empty(); });
            if (m_stop) return;
            request = std::move(m_pending.front());
            m_pending.erase(m_pending.begin());
            m_running = request.get();
            m_runningViewport = request->viewport;
            m_busy = true;
        }
        Renderer& renderer = request->device->GetRenderer();
        renderer.Clear(request->job.rect, request->background);
        renderer.Render(request->job);
        const bool cancelled = request->cancel.load(std::memory_order_relaxed);
        if (!cancelled) {
            (void)renderer.Picture();  // settles the colour of untouched tiles here
        }
        Finished done{request->viewport, request->revision};
        {
            const std::lock_guard lock(m_mutex);
            m_running = nullptr;
        }
        // The meshes and perhaps the device go here, before anyone hears of the end.
        request.reset();
        {
            const std::lock_guard lock(m_mutex);
            m_runningViewport.reset();
            m_busy = false;
            if (cancelled) {
                ++m_cancelledCount;
            } else {
                std::erase_if(m_finished, [&](const Finished& f) {
                    return f.viewport.expired() || Same(f.viewport, done.viewport);
                });
                m_finished.push_back(std::move(done));
                ++m_finishedCount;
            }
        }
        m_idle.notify_all();
        if (!cancelled && m_ready) m_ready();
    }
}

}  // namespace rm
