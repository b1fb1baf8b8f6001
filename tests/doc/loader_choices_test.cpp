// What the loader does where a file goes beyond the format, or where reading the format
// literally would go wrong.

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/loader_test_support.h"
#include "tests/support/sanitized.h"
#include "tests/support/scratch.h"

namespace {

using doc_test::IsPoint;
using doc_test::LoaderTest;

// A file that uses every kind of block, with its lines ended by `end`.
std::string Sample(const std::string& end) {
    const char* lines[] = {
        "; sample",
        "POINTS ( 0",
        " 0 0 10  10 0 10  10 10 10  0 10 10",
        ")",
        "VECPOINTS ( 4 0 0 20 1 2 3 10 0 20 4 5 6 )",
        "SURFACECOLOR ( 5 0 )",
        "POLY ( A 0 1 2 3 )",
        "TEXPOLY ( AI 0 7 7 1 7 7 2 7 7 )",
        "LINECOLOR ( 11 0 )",
        "MOVETO ( 0 0 0 )",
        "DRAWTO ( 3 0 0 3 3 0 )",
        "MOVETOPT ( 4 5 )",
        "DRAWTOPT ( 0 )",
        "POLY ( AI 3 2 1 )",
    };
    std::string text;
    for (const char* line : lines) text += std::string(line) + end;
    return text;
}

struct MeshPicture {
    std::vector<rm::D3DVECTOR> positions;
    std::vector<std::uint32_t> colors;
    std::vector<std::uint32_t> counts;
    bool operator==(const MeshPicture&) const = default;
};

class LoaderChoices : public LoaderTest {
protected:
    MeshPicture Picture() const {
        MeshPicture p;
        p.positions = Mesh().positions;
        for (const rm::FaceRecord& f : Mesh().faces) {
            p.colors.push_back(f.color);
            p.counts.push_back(f.cornerCount);
        }
        return p;
    }
};

TEST_F(LoaderChoices, AnyLineEndsLoadAsCrLf) {
    ASSERT_TRUE(Load(Sample("\r\n"), nullptr, "_crlf"));
    const MeshPicture crlf = Picture();
    ASSERT_EQ(crlf.counts.size(), 3U + 40U);  // three polygons, four strokes
    ASSERT_TRUE(Load(Sample("\n"), nullptr, "_lf"));
    EXPECT_EQ(Picture(), crlf);
    std::string mixed = Sample("\n");
    for (std::size_t at = 0, n = 0; (at = mixed.find('\n', at)) != std::string::npos;
         at += 2, ++n) {
        if (n % 2 == 0) mixed.insert(at, "\r");
    }
    ASSERT_TRUE(Load(mixed, nullptr, "_mixed"));
    EXPECT_EQ(Picture(), crlf);
    std::string noFinal = Sample("\n");
    noFinal.pop_back();
    ASSERT_TRUE(Load(noFinal, nullptr, "_nofinal"));
    EXPECT_EQ(Picture(), crlf);
}

TEST_F(LoaderChoices, LastLineWithoutLineEndIsReadByItsReader) {
    ASSERT_TRUE(Load("POINTS ( 0 0 0 0 0 10 0 10 0 0 )\nPOLY ( A 0 1 2 )"));
    EXPECT_EQ(FaceCount(), 1U);
    ASSERT_TRUE(Load("POLY"));
    EXPECT_EQ(FaceCount(), 0U);
}

TEST_F(LoaderChoices, ByteOrderMarkIsSkipped) {
    ASSERT_TRUE(Load("\xEF\xBB\xBFPOINTS ( 0 1 2 3 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 1, 2, 3));
    // Only at the very start of the file.
    ASSERT_TRUE(Load("POINTS ( 0 1 2 3 )\r\n\xEF\xBB\xBFPOINTS ( 1 4 5 6 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(1), 0, 0, 0));
}

TEST_F(LoaderChoices, PointsNumberedOutsideTheTableAreDropped) {
    ASSERT_TRUE(Load("POINTS ( 4094 1 1 1 2 2 2 3 3 3 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(4094), 1, 1, 1));
    EXPECT_TRUE(IsPoint(Point(4095), 2, 2, 2));
    EXPECT_TRUE(IsPoint(Point(0), -1, -1, -1));
    EXPECT_EQ(m_doc->LastLoadSummary().points, 2U);
    // A block that starts before the table keeps its numbering: its second point is 0.
    ASSERT_TRUE(Load("POINTS ( -1 1 1 1 2 2 2 )\r\n"));
    EXPECT_TRUE(IsPoint(Point(0), 2, 2, 2));
    EXPECT_TRUE(IsPoint(Point(1), -1, -1, -1));
    ASSERT_TRUE(Load("POINTS ( 2147483647 1 1 1 2 2 2 )\r\nPOINTS ( 4096 5 5 5 )\r\n"));
    EXPECT_EQ(m_doc->LastLoadSummary().points, 0U);
}

TEST_F(LoaderChoices, PolygonIndicesOutsideTheTableAreDropped) {
    ASSERT_TRUE(
        Load("POINTS ( 0 0 0 0 1 0 10 2 10 10 )\r\n"
             "POLY ( AI 0 -1 1 4096 2 2147483647 -2147483648 )\r\n"
             "POLY ( AI 0 9999 0 1 2 )\r\n"));
    ASSERT_EQ(FaceCount(), 2U);
    EXPECT_EQ(FaceVertices(0).size(), 3U);
    // A dropped index stands between nothing: the repeat around it still collapses.
    EXPECT_EQ(FaceVertices(1).size(), 3U);
}

TEST_F(LoaderChoices, PathIndicesAndEntriesStayInTheirTables) {
    ASSERT_TRUE(Load("POINTS ( 0 0 0 0 5 0 0 )\r\nDRAWTOPT ( 0 -1 4096 1 )\r\n"));
    EXPECT_EQ(T().pointPathCount, 2);
    EXPECT_EQ(FaceCount(), 10U);
    std::string longPath = "MOVETO (\r\n";
    for (int i = 0; i < 4100; ++i) longPath += std::to_string(i) + " 0 0\r\n";
    ASSERT_TRUE(Load(longPath + ")\r\n"));
    EXPECT_EQ(T().coordinateCount, 4096);
    EXPECT_TRUE(IsPoint(T().coordinatePath[4095], 4095, 0, 0));
    std::string longPointPath = "DRAWTOPT (";
    for (int i = 0; i < 5000; ++i)
        longPointPath += (i % 50 == 0 ? "\r\n" : " ") + std::to_string(i % 7);
    ASSERT_TRUE(Load("POINTS ( 0 1 0 0 2 0 0 3 0 0 4 0 0 5 0 0 6 0 0 7 0 0 )\r\n" + longPointPath +
                     " )\r\n"));
    EXPECT_EQ(T().pointPathCount, 4096);
    EXPECT_EQ(m_doc->LastLoadSummary().strokes, 4095U);
}

TEST_F(LoaderChoices, VeryLongLinesStayInsideTheTokenArray) {
    std::string line = "POINTS ( 0";
    for (int i = 0; i < 3000; ++i) line += " " + std::to_string(i / 3);
    ASSERT_TRUE(Load(line + " )\r\n)\r\n"));
    // Every token past the 512 slots is read too: points 0 to 999, then ")".
    EXPECT_TRUE(IsPoint(Point(168), 168, 168, 168));
    EXPECT_TRUE(IsPoint(Point(169), 169, 169, 169));
    EXPECT_TRUE(IsPoint(Point(999), 999, 999, 999));
    EXPECT_TRUE(IsPoint(Point(1000), 0, 0, 0));
}

TEST_F(LoaderChoices, PolygonKeepsItsFirst4096Indices) {
    std::string text = "POINTS ( 0";
    for (int i = 0; i < 4096; ++i) text += " " + std::to_string(i) + " 0 0\r\n";
    text += ")\r\nPOLY ( AI\r\n";
    for (int i = 0; i < 5000; ++i) text += std::to_string(i % 4096) + (i % 8 == 7 ? "\r\n" : " ");
    ASSERT_TRUE(Load(text + ")\r\n"));
    ASSERT_EQ(FaceCount(), 1U);
    EXPECT_EQ(FaceVertices(0).size(), 4096U);
}

TEST_F(LoaderChoices, MoreThan4096FacesLoadWhole) {
    std::string text = "POINTS ( 0 0 0 0 0 10 0 10 0 0 )\n";
    text.reserve(200000 * 18);
    for (int i = 0; i < 200000; ++i) text += "POLY ( A 0 1 2 )\n";
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(FaceCount(), 200000U);
    EXPECT_EQ(m_doc->LastLoadSummary().faces, 200000U);
}

TEST_F(LoaderChoices, PathCountsStartAtZeroEveryLoad) {
    ASSERT_TRUE(Load("MOVETO ( 0 0 0 1 0 0 )\r\nMOVETOPT ( 0 1 2 )\r\n", nullptr, "_first"));
    ASSERT_TRUE(Load("DRAWTO ( 2 0 0 )\r\nDRAWTOPT ( 3 )\r\n", nullptr, "_second"));
    EXPECT_EQ(FaceCount(), 0U);
    EXPECT_EQ(T().coordinateCount, 1);
    EXPECT_EQ(T().pointPathCount, 1);
}

TEST_F(LoaderChoices, StrokeOfNoLengthIsNotLaid) {
    ASSERT_TRUE(
        Load("MOVETO ( 1 1 1 )\r\nDRAWTO ( 1 1 1 2 2 2 2 2 2 )\r\n"
             "POINTS ( 5 1 1 1 )\r\nDRAWTOPT ( 5 5 )\r\n"));
    EXPECT_EQ(FaceCount(), 10U);
    EXPECT_EQ(m_doc->LastLoadSummary().strokes, 1U);
    for (const rm::D3DVECTOR& p : Mesh().positions) {
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    }
    for (const rm::D3DVECTOR& n : Mesh().normals) {
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
}

TEST_F(LoaderChoices, NoBracketAfterTheKeywordEndsTheBlock) {
    T().surfaceColor = 0xFF123456U;
    ASSERT_TRUE(
        Load("POINTS 0 1 2 3\r\n( 0 4 5 6 )\r\nSURFACECOLOR 5 0\r\n( 5 0 )\r\n"
             "POINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\nPOLY A 0 1 2\r\n( A 0 1 2 )\r\n"
             "MOVETO 1 2 3\r\n( 4 5 6 )\r\nMOVETOPT [ 1 2 ]\r\n"));
    EXPECT_EQ(T().surfaceColor, 0xFF123456U);
    EXPECT_TRUE(IsPoint(Point(0), 0, 0, 0));
    EXPECT_EQ(FaceCount(), 0U);
    EXPECT_EQ(T().coordinateCount, 0);
    EXPECT_EQ(T().pointPathCount, 0);
}

TEST_F(LoaderChoices, HexPrefixIsRead) {
    ASSERT_TRUE(Load("SurfaceColor( 0x05 0xF0 )\r\nLineColor( 0X11 0X0 )\r\n"));
    EXPECT_EQ(T().surfaceColor, 0xFFFF0000U);
    EXPECT_EQ(T().lineColor, 0xFF0000FFU);
    ASSERT_TRUE(Load("SURFACECOLOR ( 0x 0 )\r\nLINECOLOR ( 0xG 0 )\r\n"));
    EXPECT_EQ(T().surfaceColor, 0xFF333333U);
    EXPECT_EQ(T().lineColor, 0xFF333333U);
}

TEST_F(LoaderChoices, ReadErrorFailsTheLoadAndLeavesNoModelShown) {
    ASSERT_TRUE(
        Load("SURFACECOLOR ( 5 0 )\r\nPOINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\nPOLY ( A 0 1 2 )\r\n"));
    ASSERT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    // A folder is refused before anything changes (it is no file)...
    EXPECT_FALSE(m_doc->LoadApiFile(tarno_test::ScratchDir("folder")));
    EXPECT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    // ...while a regular file that opens but cannot be read fails the load part way.
    if (::access("/proc/self/mem", R_OK) != 0) GTEST_SKIP() << "no /proc/self/mem here";
    EXPECT_FALSE(m_doc->LoadApiFile("/proc/self/mem"));
    EXPECT_NE(m_doc->LastError().find("read error"), std::string::npos) << m_doc->LastError();
    EXPECT_TRUE(m_doc->m_pModelFrame->Visuals().empty());
    ASSERT_TRUE(m_doc->m_pMeshBuilder);
    EXPECT_EQ(T().surfaceColor, 0xFFFF0000U);
    // The next load that succeeds shows its model again.
    ASSERT_TRUE(
        Load("POINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\nPOLY ( A 0 1 2 )\r\n", nullptr, "_again"));
    EXPECT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    EXPECT_TRUE(m_doc->LastError().empty());
}

// Runs in a child process: loads with a little more address space than is mapped now,
// and exits 0 when the load failed cleanly, with a message.
[[noreturn]] void LoadUnderTightMemory(doc::CTarnoDoc& document, const std::string& path) {
    // Heap that earlier tests of this process freed would otherwise count as room: big
    // blocks are mapped on their own, in address space the limit counts.
    malloc_trim(0);
    (void)mallopt(M_MMAP_THRESHOLD, 64 << 10);
    unsigned long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    const auto bytes = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                       (rlim_t{24} << 20);
    const rlimit tight{bytes, bytes};
    if (pages == 0 || setrlimit(RLIMIT_AS, &tight) != 0) std::_Exit(0);
    const bool loaded = document.LoadApiFile(path);
    std::_Exit(!loaded && !document.LastError().empty() ? 0 : 3);
}

TEST_F(LoaderChoices, RunningOutOfMemoryFailsTheLoadWithoutACrash) {
    if (kSanitized) {
        GTEST_SKIP() << "an address-space limit does not mix with the sanitizers";
    }
    std::string text = "POINTS ( 0 0 0 0 0 10 0 10 0 0 )\n";
    text.reserve(1500000 * 17 + 64);
    for (int i = 0; i < 1500000; ++i) text += "POLY ( A 0 1 2 )\n";
    const std::string path = tarno_test::WriteTemp("model.api", text);
    // In a fresh process: one forked from this one would keep the room earlier tests'
    // threads reserved for their blocks, where malloc turns when the limit refuses more.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LoadUnderTightMemory(*m_doc, path), ::testing::ExitedWithCode(0), "");
}

}  // namespace
