// Inputs no author writes on purpose: whatever they hold, a load ends, stays inside every
// table (the sanitizer build checks that) and leaves a mesh without a non-finite value.

#include <cmath>
#include <string>

#include "tests/doc/loader_test_support.h"

namespace {

using doc_test::LoaderTest;

class HostileInput : public LoaderTest {
protected:
    void ExpectSound() const {
        for (const rm::D3DVECTOR& p : Mesh().positions) {
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        }
        for (const rm::D3DVECTOR& n : Mesh().normals) {
            ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
        }
    }
};

TEST_F(HostileInput, RandomBytesOfTheFormatsAlphabet) {
    const std::string alphabet = "()[]{};% \t\r\n\n\n-0123456789AEIMUDPOLYTXNSVCRHaeimu\x1A";
    const char* words[] = {"POLY",     "TEXPOLY",  "POINTS",     "VECPOINTS",    "MOVETO", "DRAWTO",
                           "MOVETOPT", "DRAWTOPT", "LINECOLOR",  "SURFACECOLOR", "ENDA",   "4095",
                           "4096",     "-1",       "2147483647", "AUTOPOINTS"};
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int length = static_cast<int>(next() % 4000);
        while (static_cast<int>(text.size()) < length) {
            if (next() % 4 == 0) {
                text += words[next() % std::size(words)];
            } else {
                text += alphabet[next() % alphabet.size()];
            }
        }
        ASSERT_TRUE(Load(text)) << "round " << round;
        ExpectSound();
    }
}

TEST_F(HostileInput, ZeroBytesAndControlBytes) {
    std::string text = "POINTS ( 0 1 2 3 4 5 6 7 8 9 )\r\nPOLY ( A 0";
    text += std::string(5, '\0');
    text += " 1 2 )\r\n\x01\x02\x7F\xFF POLY\r\nPOLY ( A 0\x00 1 2 )";
    ASSERT_TRUE(Load(text));
    ExpectSound();
}

TEST_F(HostileInput, TenMegabyteLine) {
    std::string text = "POLY ( A";
    text.reserve(10U << 20);
    while (text.size() < (10U << 20)) text += " 1 2 3";
    // Every token of the line is read, its ")" too; the polygon keeps the first 4096
    // indices its list holds, and the stray ")" line after it is skipped.
    ASSERT_TRUE(Load(text + " )\r\n)\r\nPOINTS ( 0 1 2 3 )\r\n"));
    ASSERT_EQ(FaceCount(), 1U);
    EXPECT_EQ(FaceVertices(0).size(), static_cast<std::size_t>(doc::kTableSize));
    EXPECT_EQ(Point(0).x, 1);
}

TEST_F(HostileInput, EveryBlockCutShortAtEveryToken) {
    const std::string blocks[] = {
        "POINTS ( A 0 1 2 3 4 5 6 )", "VECPOINTS ( 0 1 2 3 4 5 6 7 8 9 )",
        "POLY ( M 1 2 3 4 0 1 2 )",   "TEXPOLY ( 1 2 3 4 0 7 7 1 7 7 2 7 7 )",
        "LINECOLOR ( 5 0 % % )",      "MOVETO ( 1 2 3 4 5 6 )",
        "DRAWTOPT ( 0 1 2 )",
    };
    for (const std::string& block : blocks) {
        for (std::size_t cut = 0; cut <= block.size(); ++cut) {
            ASSERT_TRUE(Load("POINTS ( 0 0 0 0 1 1 1 2 2 2 )\r\n" + block.substr(0, cut)))
                << block << " cut at " << cut;
            ExpectSound();
        }
    }
}

TEST_F(HostileInput, ExtremeCoordinates) {
    ASSERT_TRUE(
        Load("POINTS ( 0 2147483647 2147483647 2147483647 -2147483648 -2147483648 "
             "-2147483648 2147483647 -2147483648 0 )\r\nPOLY ( A 0 1 2 )\r\n"
             "MOVETOPT ( 0 1 2 0 )\r\nDRAWTOPT ( 1 )\r\n"
             "MOVETO ( 2147483647 0 0 2147483646 0 0 )\r\nDRAWTO ( )\r\n"));
    ExpectSound();
    EXPECT_EQ(FaceCount() % 10, 1U);
}

}  // namespace

namespace {

// Every DRAW block strokes its whole path again: a few hundred of them on a long path would
// otherwise ask for gigabytes of strokes.
TEST_F(HostileInput, RepeatedDrawBlocksStopAtTheStrokeBudget) {
    std::string text = "MOVETO (";
    for (int i = 0; i <= 1000; ++i) {
        text += " " + std::to_string(i) + " 0 0" + (i % 10 == 9 ? "\n" : "");
    }
    text += " )\n";
    for (int i = 0; i < 501; ++i) {
        text += "DRAWTO ( )\n";  // 1000 strokes each
    }
    doc_test::RecordingObserver observer;
    ASSERT_TRUE(Load(text, &observer));
    EXPECT_EQ(m_doc->LastLoadSummary().strokes, 500'000U);
    EXPECT_EQ(FaceCount(), 500'000U * 10U);
    EXPECT_EQ(observer.Of(doc::LoadWarning::OutOfBounds).size(), 1U);
    ExpectSound();
}

}  // namespace
