// The byte counter adds lanes up in blocks; it must count as a plain loop does at every
// start, length and density, past a lane's 255 and at bytes with the top bit set.

#include "platform/io/byte_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

std::size_t Plain(std::string_view text, char byte) {
    std::size_t n = 0;
    for (const char c : text) n += c == byte ? 1 : 0;
    return n;
}

}  // namespace

TEST(ByteCount, EveryStartAndLengthAroundTheBlocks) {
    std::mt19937 random(7);
    std::string text(300, 'a');
    for (char& c : text) c = "a\n\r b"[random() % 5];
    for (std::size_t start = 0; start < 17; ++start) {
        for (std::size_t length = 0; start + length <= text.size(); ++length) {
            const std::string_view part(text.data() + start, length);
            ASSERT_EQ(rm::CountByte(part, '\n'), Plain(part, '\n'))
                << "start " << start << " length " << length;
        }
    }
}

TEST(ByteCount, LongRunsOfTheByteOverflowNoLane) {
    // Every byte the wanted one: each lane reaches 255 in one sum and would wrap at 256.
    for (const std::size_t size : {16u * 255u, 16u * 255u + 1u, 16u * 256u, 100000u}) {
        const std::string all(size, '\n');
        EXPECT_EQ(rm::CountByte(all, '\n'), size);
        EXPECT_EQ(rm::CountByte(all, 'x'), 0u);
    }
}

TEST(ByteCount, AnyByteValueAndRandomText) {
    std::mt19937 random(11);
    std::string text(70000, '\0');
    for (char& c : text) c = static_cast<char>(random() % 256);
    for (const int value : {0, 10, 13, 26, 127, 128, 200, 255}) {
        const char byte = static_cast<char>(value);
        EXPECT_EQ(rm::CountByte(text, byte), Plain(text, byte)) << value;
        EXPECT_EQ(rm::CountByte(std::string_view(text).substr(3, 65537), byte),
                  Plain(std::string_view(text).substr(3, 65537), byte))
            << value;
    }
}
