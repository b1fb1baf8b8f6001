#include "platform/core/huge_blocks.h"

#include <pthread.h>
#include <sys/mman.h>

#include <array>
#include <atomic>
#include <cstdint>

#include "platform/core/huge_page.h"

namespace rm {

namespace {

constexpr std::uintptr_t kPage = kHugePageBytes;

struct Block {
    std::uintptr_t start = 0;
    std::size_t bytes = 0;
};

// The blocks held, behind a lock of one flag. It is built at compile time: the allocation
// functions that use it run before any constructor does.
class Registry {
public:
    // Held across a fork, so that the child never starts with the list half changed or the
    // lock taken by a thread it does not have.
    void Lock() noexcept {
        while (m_busy.test_and_set(std::memory_order_acquire)) {
            m_busy.wait(true, std::memory_order_relaxed);
        }
    }
    void Unlock() noexcept {
        m_busy.clear(std::memory_order_release);
        m_busy.notify_one();
    }

    bool Add(Block block) noexcept {
        const Guard guard(*this);
        if (m_count == m_blocks.size()) {
            return false;
        }
        m_blocks[m_count++] = block;
        return true;
    }
    // The block that starts at `start`, taken out; bytes 0 when none does.
    Block Take(std::uintptr_t start) noexcept {
        const Guard guard(*this);
        for (std::size_t i = 0; i < m_count; ++i) {
            if (m_blocks[i].start == start) {
                const Block found = m_blocks[i];
                m_blocks[i] = m_blocks[--m_count];
                return found;
            }
        }
        return {};
    }

private:
    class Guard {
    public:
        explicit Guard(Registry& registry) noexcept : m_registry(registry) { m_registry.Lock(); }
        ~Guard() { m_registry.Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        Registry& m_registry;
    };

    std::atomic_flag m_busy;
    std::array<Block, kMaxHugeBlocks> m_blocks{};
    std::size_t m_count = 0;
};

constinit Registry g_blocks;

// Registered at start-up; a block mapped before then is looked up all the same.
[[maybe_unused]] const int g_forkHandlers =
    ::pthread_atfork([] { g_blocks.Lock(); }, [] { g_blocks.Unlock(); }, [] { g_blocks.Unlock(); });

}  // namespace

void* MapHugeBlock(std::size_t size) noexcept {
    if (size == 0 || size > SIZE_MAX / 2) {
        return nullptr;
    }
    const std::size_t bytes = (size + kPage - 1) & ~(kPage - 1);
    // A huge page more than asked for, so that an aligned run of `bytes` lies inside; what
    // lies outside it is unmapped at once.
    const std::size_t span = bytes + kPage;
    void* const mapped =
        ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    const auto first = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = (first + kPage - 1) & ~(kPage - 1);
    if (start > first) {
        (void)::munmap(mapped, start - first);
    }
    if (first + span > start + bytes) {
        (void)::munmap(reinterpret_cast<void*>(start + bytes), first + span - (start + bytes));
    }
    auto* const block = reinterpret_cast<void*>(start);
    (void)::madvise(block, bytes, MADV_HUGEPAGE);  // a hint: its result does not matter
    if (!g_blocks.Add({start, bytes})) {
        (void)::munmap(block, bytes);
        return nullptr;
    }
    return block;
}

bool UnmapHugeBlock(void* block) noexcept {
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    if (start == 0 || (start & (kPage - 1)) != 0) {
        return false;  // not on a huge page, so not one of these: no need to look
    }
    const Block found = g_blocks.Take(start);
    if (found.bytes == 0) {
        return false;
    }
    (void)::munmap(block, found.bytes);
    return true;
}

}  // namespace rm
