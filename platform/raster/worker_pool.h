#pragma once
// A fixed pool of worker threads that share out the items of one parallel loop at a time.
// The calling thread works too, so a pool of size 1 has no helper threads at all. Nothing
// is allocated per loop: the work is passed as a function pointer and a context. When the
// machine is so busy that a helper keeps the caller waiting, the pool runs a few loops on
// the caller alone; results never depend on which thread ran an item.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace rm::raster {

class WorkerPool {
public:
    // `threads` counts the caller; 0 means one per hardware thread.
    explicit WorkerPool(unsigned threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    [[nodiscard]] unsigned Size() const { return static_cast<unsigned>(m_threads.size()) + 1; }

    // Calls fn(item, worker) once for every item in [0, count); worker < Size() tells which
    // thread runs it, so callers can keep scratch space per worker. Returns when all are done.
    template <class F>
    void ParallelFor(std::uint32_t count, F&& fn) {
        using Fn = std::remove_reference_t<F>;
        Run(
            count,
            [](void* ctx, std::uint32_t item, unsigned worker) {
                (*static_cast<Fn*>(ctx))(item, worker);
            },
            const_cast<void*>(static_cast<const void*>(&fn)));
    }

private:
    using Call = void (*)(void*, std::uint32_t, unsigned);
    void Run(std::uint32_t count, Call call, void* ctx);
    void WorkerMain(unsigned worker);
    void Drain(unsigned worker);

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::uint64_t m_generation = 0;  // bumped for every loop, guarded by m_mutex
    bool m_open = false;             // helpers may still join the current loop
    bool m_stop = false;
    unsigned m_active = 0;  // helpers inside the current loop
    Call m_call = nullptr;
    void* m_ctx = nullptr;
    std::uint32_t m_count = 0;
    std::atomic<std::uint32_t> m_next{0};
    std::atomic<std::uint64_t> m_published{0};  // m_generation, for helpers that poll
    unsigned m_soloLoops = 0;  // loops left to run without helpers; caller's thread only
};

}  // namespace rm::raster
