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
#include <string_view>
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

// A field of the system's own account of the mapping that holds `address` (its smaps
// entry): "THPeligible", "Rss", "AnonHugePages"; "" when there is none.
std::string MappingField(std::uintptr_t address, std::string_view field) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0;
        std::uintptr_t to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 &&
            line.find(':') > line.find(' ')) {
            inside = address >= from && address < to;
        } else if (inside && line.starts_with(field) && line[field.size()] == ':') {
            std::string value = line.substr(field.size() + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            return value;
        }
    }
    return "";
}

long Kilobytes(const std::string& value) {
    return value.empty() ? -1 : std::atol(value.c_str());
}

// Faults the system served with small pages where a huge one was asked for.
long HugePageFallbacks() {
    std::ifstream vmstat("/proc/vmstat");
    std::string name;
    long count = 0;
    while (vmstat >> name >> count) {
        if (name == "thp_fault_fallback") {
            return count;
        }
    }
    return 0;
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
    for (const std::size_t bytes :
         {std::size_t{200} << 10, std::size_t{1} << 20, rm::kHugePageBytes - 64}) {
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
    EXPECT_EQ(MappingField(g_room.start, "THPeligible"), "1");
    // What is written in the room lies on huge pages, its first one included: a small page
    // there, written before the room was advised, would keep that one small.
    const long fallbacks = HugePageFallbacks();
    void* block = std::malloc(std::size_t{3} << 20 >> 1);
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, std::size_t{3} << 20 >> 1);
    const long rss = Kilobytes(MappingField(g_room.start, "Rss"));
    const long huge = Kilobytes(MappingField(g_room.start, "AnonHugePages"));
    std::free(block);
    if (HugePageFallbacks() != fallbacks) {
        GTEST_SKIP() << "the system had no huge page to give";
    }
    EXPECT_GT(rss, 0);
    EXPECT_EQ(huge, rss);
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
        EXPECT_EQ(MappingField(g_room.start, "THPeligible"), "1");
    }
    // Asked for no room, none is placed.
    EXPECT_TRUE(rm::PlaceHeapOnHugePages(0).Empty());
}

}  // namespace
