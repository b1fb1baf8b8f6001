#include "platform/raster/worker_pool.h"

#include <emmintrin.h>

#include <algorithm>
#include <chrono>

namespace rm::raster {

namespace {

// How long an idle helper keeps polling before it sleeps. The phases of one frame follow
// each other within microseconds, and a futex wake-up costs more than that.
constexpr auto kSpinTime = std::chrono::microseconds(60);
constexpr auto kStragglerWait = std::chrono::microseconds(1000);
constexpr unsigned kSoloLoops = 64;

}  // namespace

WorkerPool::WorkerPool(unsigned threads) {
    if (threads == 0) {
        threads = std::max(1U, std::thread::hardware_concurrency());
    }
    threads = std::min(threads, 64U);
    m_threads.reserve(threads - 1);
    for (unsigned i = 1; i < threads; ++i) {
        m_threads.emplace_back([this, i] { WorkerMain(i); });
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_published.store(~std::uint64_t{0}, std::memory_order_release);
    }
    m_wake.notify_all();
    for (auto& t : m_threads) {
        t.join();
    }
}

void WorkerPool::Drain(unsigned worker) {
    for (;;) {
        const std::uint32_t item = m_next.fetch_add(1, std::memory_order_relaxed);
        if (item >= m_count) {
            return;
        }
        m_call(m_ctx, item, worker);
    }
}

void WorkerPool::Run(std::uint32_t count, Call call, void* ctx) {
    if (count == 0) {
        return;
    }
    if (m_threads.empty() || count == 1 || m_soloLoops > 0) {
        m_soloLoops -= m_soloLoops > 0 ? 1 : 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            call(ctx, i, 0);
        }
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_call = call;
        m_ctx = ctx;
        m_count = count;
        m_next.store(0, std::memory_order_relaxed);
        ++m_generation;
        m_open = true;
        m_published.store(m_generation, std::memory_order_release);
    }
    m_wake.notify_all();
    Drain(0);
    std::unique_lock lock(m_mutex);
    m_open = false;  // helpers that wake up from now on skip this loop
    if (m_active == 0) {
        return;
    }
    const auto waitStart = std::chrono::steady_clock::now();
    m_idle.wait(lock, [this] { return m_active == 0; });
    // A long wait means a helper lost its processor in the middle of an item: the machine
    // is oversubscribed, and waiting for stragglers costs more than the helpers gain. Run
    // the next loops on the calling thread alone, then try the helpers again.
    if (std::chrono::steady_clock::now() - waitStart > kStragglerWait) {
        m_soloLoops = kSoloLoops;
    }
}

void WorkerPool::WorkerMain(unsigned worker) {
    std::uint64_t seen = 0;
    for (;;) {
        const auto spinUntil = std::chrono::steady_clock::now() + kSpinTime;
        for (unsigned i = 0; m_published.load(std::memory_order_acquire) == seen; ++i) {
            _mm_pause();
            if ((i & 63U) == 63U && std::chrono::steady_clock::now() > spinUntil) {
                break;
            }
        }
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
        if (m_stop) {
            return;
        }
        seen = m_generation;
        if (!m_open) {
            continue;
        }
        ++m_active;
        lock.unlock();
        Drain(worker);
        lock.lock();
        if (--m_active == 0) {
            m_idle.notify_one();
        }
    }
}

}  // namespace rm::raster
