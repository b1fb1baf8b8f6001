// The heap's room on huge pages, placed as the program places it: before anything else of
// this test program allocates, so that its blocks are what the program's own would be.

#include "platform/core/huge_heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "platform/core/huge_page.h"
#include "tests/support/sanitized.h"

namespace {

constexpr std::size_t kRoomBytes = std::size_t{32} << 20;

__attribute__((init_priority(101))) const rm::HeapRoom g_room =
    rm::PlaceHeapOnHugePages(kRoomBytes);

bool InRoom(const void* p, std::size_t bytes) {
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    return at >= g_room.start && at + bytes <= g_room.end;
}

// The system's own word on the room's mapping: "THPeligible" in its smaps entry.
std::string HugePagesEligible(std::uintptr_t address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0;
        std::uintptr_t to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 &&
            line.find(':') > line.find(' ')) {
            inside = address >= from && address < to;
        } else if (inside && line.starts_with("THPeligible:")) {
            std::string value = line.substr(line.find(':') + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            return value;
        }
    }
    return "";
}

bool HugePagesOff() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(mode, text);
    return text.empty() || text.find("[never]") != std::string::npos;
}

TEST(HugeHeap, MiddleSizedBlocksOfEveryThreadComeFromTheRoom) {
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizers keep a heap of their own";
    }
    ASSERT_FALSE(g_room.Empty());
    EXPECT_EQ(g_room.start % rm::kHugePageBytes, 0U);
    EXPECT_GE(g_room.end - g_room.start, kRoomBytes - 2 * rm::kHugePageBytes);
    // Blocks under a huge page, from this thread and another: tile lists, scratch, tables.
    // (Small ones may come from free space below the room.)
    for (const std::size_t bytes : {std::size_t{200} << 10, std::size_t{1} << 20,
                                    rm::kHugePageBytes - 64}) {
        void* here = std::malloc(bytes);
        void* there = nullptr;
        std::thread([&there, bytes] { there = std::malloc(bytes); }).join();
        ASSERT_NE(here, nullptr);
        ASSERT_NE(there, nullptr);
        EXPECT_TRUE(InRoom(here, bytes)) << bytes;
        EXPECT_TRUE(InRoom(there, bytes)) << bytes;
        std::memset(here, 0x5A, bytes);
        std::memset(there, 0xA5, bytes);
        EXPECT_EQ(static_cast<unsigned char*>(here)[bytes - 1], 0x5A);
        std::free(here);
        std::free(there);
    }
    if (HugePagesOff()) {
        GTEST_SKIP() << "this system gives no huge pages";
    }
    EXPECT_EQ(HugePagesEligible(g_room.start), "1");
}

TEST(HugeHeap, TheRoomStaysAfterItsBlocksAreFreed) {
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizers keep a heap of their own";
    }
    ASSERT_FALSE(g_room.Empty());
    // Freed blocks at the heap's end do not trim the room away.
    void* blocks[12] = {};
    for (void*& b : blocks) {
        b = std::malloc(std::size_t{1} << 20);
        ASSERT_NE(b, nullptr);
        std::memset(b, 1, 64);
    }
    for (void* b : blocks) {
        std::free(b);
    }
    void* again = std::malloc(std::size_t{1} << 20);
    EXPECT_TRUE(InRoom(again, std::size_t{1} << 20));
    std::free(again);
    if (!HugePagesOff()) {
        EXPECT_EQ(HugePagesEligible(g_room.start), "1");
    }
    // Asked for no room, none is placed.
    EXPECT_TRUE(rm::PlaceHeapOnHugePages(0).Empty());
}

}  // namespace
