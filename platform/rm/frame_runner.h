#pragma once
// A thread that draws viewport frames away from the thread that asked for them, one at a
// time, the newest request winning: a request cancels the frame in flight for the same
// viewport and replaces one still waiting. A request carries everything the frame reads
// (a copy of the job, the meshes kept alive and pinned, the device), so the scene may
// change meanwhile. Presenting the finished picture is left to the caller's thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/raster/render_job.h"
#include "platform/rm/device.h"
#include "platform/rm/mesh_pin.h"

namespace rm {

class Viewport;

struct FrameRequest {
    std::weak_ptr<const Viewport> viewport;  // whose picture; only compared, never locked
    std::uint64_t revision = 0;              // of the scene it shows
    DevicePtr device;                        // drawn into; kept alive for the frame
    D3DCOLOR background = 0;
    RenderJob job;  // its spans point into the two vectors below
    std::vector<DirectionalLightInfo> lights;
    std::vector<MeshInstance> meshes;
    std::atomic<bool> cancel{false};
    std::vector<MeshReadPin> pins;  // after `cancel`, which they refer to

    // Takes over a job prepared on the caller's thread: copies what its spans show and
    // pins the meshes, whose data `owners` keeps alive.
    void Adopt(const RenderJob& prepared, std::vector<std::shared_ptr<const MeshData>> owners);
};

class FrameRunner {
public:
    using Clock = std::chrono::steady_clock;

    // `ready` is called on the runner's thread after each frame that was finished (not
    // cancelled); it must only hand the news on, e.g. wake the caller's event loop.
    explicit FrameRunner(std::function<void()> ready);
    // Cancels what is in flight and waits for the thread to end.
    ~FrameRunner();
    FrameRunner(const FrameRunner&) = delete;
    FrameRunner& operator=(const FrameRunner&) = delete;

    void Submit(std::unique_ptr<FrameRequest> request);
    // True while a frame of `viewport` at `revision` waits or is being drawn.
    [[nodiscard]] bool InFlight(const std::weak_ptr<const Viewport>& viewport,
                                std::uint64_t revision);
    // Waits until nothing of `viewport` waits or is drawn, or until `deadline`.
    [[nodiscard]] bool WaitForViewport(const std::weak_ptr<const Viewport>& viewport,
                                       Clock::time_point deadline);
    // The revision of the last finished frame of `viewport`, once: its picture is in the
    // viewport's device until another frame is drawn there. Nothing while another frame of
    // the viewport waits or is drawn.
    [[nodiscard]] std::optional<std::uint64_t> TakeFinished(
        const std::weak_ptr<const Viewport>& viewport);
    // Frames finished and cancelled so far, for tests and measurements.
    [[nodiscard]] std::uint64_t FinishedCount();
    [[nodiscard]] std::uint64_t CancelledCount();

private:
    struct Finished {
        std::weak_ptr<const Viewport> viewport;
        std::uint64_t revision;
    };
    void ThreadMain();
    [[nodiscard]] bool BusyWith(const std::weak_ptr<const Viewport>& viewport) const;

    std::function<void()> m_ready;
    std::mutex m_mutex;
    std::condition_variable m_wake;                        // the runner: work or stop
    std::condition_variable m_idle;                        // callers: a frame ended
    std::vector<std::unique_ptr<FrameRequest>> m_pending;  // at most one per viewport
    FrameRequest* m_running = nullptr;                     // owned by the runner's thread
    std::weak_ptr<const Viewport> m_runningViewport;
    bool m_busy = false;  // a frame is drawn, from taking it until its end is published
    std::vector<Finished> m_finished;
    std::uint64_t m_finishedCount = 0;
    std::uint64_t m_cancelledCount = 0;
    bool m_stop = false;
    std::thread m_thread;  // last: starts after everything it reads
};

}  // namespace rm
