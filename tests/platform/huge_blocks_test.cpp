// Blocks of huge pages mapped one by one: aligned, zeroed, given back only by their own
// call, and never mistaken for memory from elsewhere.

#include "platform/core/huge_blocks.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/core/huge_page.h"

namespace {

bool OnHugePage(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % rm::kHugePageBytes == 0;
}

TEST(HugeBlocks, BlocksAreAlignedZeroedAndWholeToTheirLastByte) {
    for (const std::size_t size : {rm::kHugePageBytes, rm::kHugePageBytes + 1,
                                   3 * rm::kHugePageBytes - 8, std::size_t{7} << 20}) {
        auto* block = static_cast<unsigned char*>(rm::MapHugeBlock(size));
        ASSERT_NE(block, nullptr) << size;
        EXPECT_TRUE(OnHugePage(block));
        EXPECT_EQ(block[0], 0);
        EXPECT_EQ(block[size - 1], 0);
        // Every byte asked for, and the rest of the last huge page, may be written.
        const std::size_t rounded =
            (size + rm::kHugePageBytes - 1) / rm::kHugePageBytes * rm::kHugePageBytes;
        std::memset(block, 0xA5, rounded);
        EXPECT_EQ(block[rounded - 1], 0xA5);
        EXPECT_TRUE(rm::UnmapHugeBlock(block));
    }
    EXPECT_EQ(rm::MapHugeBlock(0), nullptr);
    EXPECT_EQ(rm::MapHugeBlock(SIZE_MAX), nullptr);
}

TEST(HugeBlocks, OnlyItsOwnBlocksAreGivenBackAndEachOnce) {
    void* block = rm::MapHugeBlock(rm::kHugePageBytes);
    ASSERT_NE(block, nullptr);
    EXPECT_FALSE(rm::UnmapHugeBlock(nullptr));
    EXPECT_FALSE(rm::UnmapHugeBlock(static_cast<char*>(block) + 4096));
    // Memory from malloc on a huge page: the caller frees that itself.
    void* other = nullptr;
    ASSERT_EQ(::posix_memalign(&other, rm::kHugePageBytes, rm::kHugePageBytes), 0);
    EXPECT_FALSE(rm::UnmapHugeBlock(other));
    std::free(other);
    EXPECT_TRUE(rm::UnmapHugeBlock(block));
    EXPECT_FALSE(rm::UnmapHugeBlock(block));
}

TEST(HugeBlocks, AFullRegistryRefusesUntilABlockIsGivenBack) {
    // Address space only: nothing of these blocks is written.
    std::vector<void*> held;
    for (std::size_t i = 0; i <= rm::kMaxHugeBlocks; ++i) {
        void* block = rm::MapHugeBlock(rm::kHugePageBytes);
        if (block == nullptr) {
            break;
        }
        held.push_back(block);
    }
    EXPECT_EQ(held.size(), rm::kMaxHugeBlocks);
    ASSERT_FALSE(held.empty());
    EXPECT_TRUE(rm::UnmapHugeBlock(held.back()));
    held.pop_back();
    void* again = rm::MapHugeBlock(rm::kHugePageBytes);
    EXPECT_NE(again, nullptr);
    held.push_back(again);
    // Given back in another order than taken: every one is still found.
    for (std::size_t i = 0; i < held.size(); i += 2) {
        EXPECT_TRUE(rm::UnmapHugeBlock(held[i]));
    }
    for (std::size_t i = 1; i < held.size(); i += 2) {
        EXPECT_TRUE(rm::UnmapHugeBlock(held[i]));
    }
}

// The list of blocks is locked across a fork and unlocked on both sides after it, so that
// a child never starts with it half changed or locked by a thread it does not have: a child
// forked while another thread maps and unmaps blocks maps its own as the parent does.
TEST(HugeBlocks, AForkedChildMapsBlocksWhileTheParentKeepsMapping) {
    std::atomic<bool> stop{false};
    std::thread busy([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            if (void* block = rm::MapHugeBlock(rm::kHugePageBytes)) {
                (void)rm::UnmapHugeBlock(block);
            }
        }
    });
    int failed = 0;
    for (int i = 0; i < 50 && failed == 0; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(10);  // a child stuck on the lock ends here, and fails the test
            void* block = rm::MapHugeBlock(rm::kHugePageBytes);
            ::_exit(block != nullptr && rm::UnmapHugeBlock(block) ? 0 : 1);
        }
        if (child < 0) {
            break;
        }
        int status = 0;
        failed +=
            ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0
                ? 0
                : 1;
    }
    stop = true;
    busy.join();
    EXPECT_EQ(failed, 0);
}

}  // namespace
