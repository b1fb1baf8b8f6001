// A thousand opens and reloads of a file that keeps changing: every load shows exactly the
// file as it is at that moment, and memory does not grow from one load to the next.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/loader_test_support.h"
#include "tests/support/sanitized.h"
#include "tests/support/scratch.h"

namespace {

using doc_test::LoaderTest;

long ResidentKilobytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

// Round `round`'s file: a number of polygons and strokes that changes every time.
std::string Version(int round, std::size_t& faces) {
    const int polygons = 1 + (round * 37) % 300;
    const int segments = round % 5;  // a DRAW block of this many points strokes n - 1 times
    std::string text = "SURFACECOLOR ( " + std::to_string(round % 0x17) + " 0 )\r\nPOINTS ( 0";
    for (int i = 0; i < 8; ++i) {
        text += " " + std::to_string(i * 10 + round % 7) + " " + std::to_string(i % 2 * 10) + " " +
                std::to_string(i / 4 * 10 + 5);
    }
    text += " )\r\n";
    for (int p = 0; p < polygons; ++p) text += "POLY ( A 0 1 3 2 )\r\n";
    if (segments > 0) {
        text += "MOVETO ( )\r\nDRAWTO (";
        for (int s = 0; s < segments; ++s) text += " " + std::to_string(s * 3) + " 0 " + "1";
        text += " )\r\n";
    }
    faces = static_cast<std::size_t>(polygons) +
            (segments > 1 ? static_cast<std::size_t>(segments - 1) * 10 : 0);
    return text;
}

TEST_F(LoaderTest, AThousandOpensAndReloadsOfAChangingFile) {
    const std::string path = tarno_test::TempPath("soak.api");
    long settled = 0;
    for (int round = 0; round < 1000; ++round) {
        std::size_t faces = 0;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << Version(round, faces);
        const bool loaded = round % 2 == 0 ? m_doc->OnOpenDocument(path) : m_doc->LoadApiFile(path);
        ASSERT_TRUE(loaded) << round << ": " << m_doc->LastError();
        ASSERT_EQ(FaceCount(), faces) << round;
        ASSERT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U) << round;
        ASSERT_EQ(m_doc->m_pModelFrame->Visuals()[0], m_doc->m_pMeshBuilder) << round;
        if (round == 100) settled = ResidentKilobytes();
    }
    // The sanitizers keep freed memory aside for a while, so only a plain build can tell
    // growth by the resident size; under them the leak checker does the job.
    if (!kSanitized && settled > 0) {
        EXPECT_LT(ResidentKilobytes() - settled, 4096) << "memory grew over 900 loads";
    }
}

}  // namespace
