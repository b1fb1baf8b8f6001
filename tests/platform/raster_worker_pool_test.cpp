// The rasterizer's worker pool: every item runs exactly once, on a valid worker.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/raster/worker_pool.h"

namespace rm::raster {
namespace {

TEST(RasterWorkerPool, RunsEveryItemOnceWhateverTheSizes) {
    for (const unsigned threads : {1U, 2U, 5U}) {
        WorkerPool pool(threads);
        EXPECT_EQ(pool.Size(), threads);
        for (const std::uint32_t count : {0U, 1U, 2U, 7U, 1000U}) {
            std::vector<std::atomic<int>> hits(count);
            std::atomic<bool> badWorker{false};
            for (int round = 0; round < 20; ++round) {
                pool.ParallelFor(count, [&](std::uint32_t item, unsigned worker) {
                    hits[item].fetch_add(1, std::memory_order_relaxed);
                    if (worker >= pool.Size()) {
                        badWorker = true;
                    }
                });
            }
            for (std::uint32_t i = 0; i < count; ++i) {
                ASSERT_EQ(hits[i].load(), 20)
                    << threads << " threads, item " << i << " of " << count;
            }
            EXPECT_FALSE(badWorker.load());
        }
    }
}

TEST(RasterWorkerPool, LoopsRunBackToBackSeeEachOthersResults) {
    WorkerPool pool(2);
    std::vector<int> data(4096, 0);
    for (int round = 1; round <= 50; ++round) {
        pool.ParallelFor(static_cast<std::uint32_t>(data.size()),
                         [&](std::uint32_t i, unsigned) { data[i] += 1; });
        long sum = 0;
        pool.ParallelFor(1, [&](std::uint32_t, unsigned) {
            for (const int v : data) {
                sum += v;
            }
        });
        ASSERT_EQ(sum, static_cast<long>(round) * 4096);
    }
}

}  // namespace
}  // namespace rm::raster
