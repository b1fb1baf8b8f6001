// A big file read in two parts at once gives exactly what reading it in order gives: the
// same faces in the same order with the same positions, colours and lines, the same
// warnings, the same tables afterwards; and where the second part depends on the first, the
// load reads on in order instead.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "doc/read_ahead.h"
#include "doc/rest_of_file.h"
#include "platform/io/text_file.h"
#include "tests/support/loader_test_support.h"
#include "tests/support/scratch.h"

namespace {

using doc_test::LoaderTest;
using doc_test::RecordingObserver;

struct Outcome {
    bool loaded = false;
    rm::MeshData mesh;
    std::vector<doc_test::Warning> warnings;
    doc::LoadSummary summary;
    doc::LoadTables tables;
};

bool SameVectors(const rm::D3DVECTOR& a, const rm::D3DVECTOR& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class SplitLoad : public LoaderTest {
protected:
    void TearDown() override {
        doc::ReadAhead::Drop();
        doc::CTarnoDoc::SetSplitBytes(doc::CTarnoDoc::kDefaultSplitBytes);
    }

    // Both loads of a comparison start from the same process-wide state, `before`.
    Outcome LoadWith(const std::string& text, std::int64_t splitBytes,
                     const doc::LoadTables& before) {
        doc::CTarnoDoc::SetSplitBytes(splitBytes);
        return LoadFrom(tarno_test::WriteTemp("model.api", text), before);
    }

    // Loads `text` in order and split; expects the same outcome. Returns the number of parts
    // the split load used.
    std::uint32_t ExpectSameAsInOrder(const std::string& text) {
        const doc::LoadTables before = T();
        const Outcome inOrder = LoadWith(text, INT64_MAX, before);
        const Outcome split = LoadWith(text, 0, before);
        EXPECT_TRUE(inOrder.loaded);
        EXPECT_EQ(inOrder.summary.parts, 1U);
        ExpectSame(inOrder, split);
        return split.summary.parts;
    }

    // Loads the file at `path` (unchanged) from `before`, with the split size set before.
    Outcome LoadFrom(const std::string& path, const doc::LoadTables& before) {
        T() = before;
        RecordingObserver seen;
        Outcome out;
        out.loaded = m_doc->LoadApiFile(path, &seen);
        out.mesh = Mesh();
        out.warnings = seen.warnings;
        out.summary = m_doc->LastLoadSummary();
        out.tables = T();
        return out;
    }

    static void ExpectSame(const Outcome& inOrder, const Outcome& split) {
        EXPECT_EQ(split.loaded, inOrder.loaded);
        const rm::MeshData& a = inOrder.mesh;
        const rm::MeshData& b = split.mesh;
        EXPECT_EQ(b.positions.size(), a.positions.size());
        for (std::size_t i = 0; i < std::min(a.positions.size(), b.positions.size()); ++i) {
            EXPECT_TRUE(SameVectors(a.positions[i], b.positions[i])) << "position " << i;
        }
        EXPECT_EQ(b.normals.size(), a.normals.size());
        for (std::size_t i = 0; i < std::min(a.normals.size(), b.normals.size()); ++i) {
            EXPECT_TRUE(SameVectors(a.normals[i], b.normals[i])) << "normal " << i;
        }
        EXPECT_EQ(b.corners.size(), a.corners.size());
        for (std::size_t i = 0; i < std::min(a.corners.size(), b.corners.size()); ++i) {
            EXPECT_EQ(b.corners[i].position, a.corners[i].position) << "corner " << i;
            EXPECT_EQ(b.corners[i].normal, a.corners[i].normal) << "corner " << i;
        }
        EXPECT_EQ(b.prisms.size(), a.prisms.size());
        for (std::size_t i = 0; i < std::min(a.prisms.size(), b.prisms.size()); ++i) {
            EXPECT_EQ(b.prisms[i].firstPosition, a.prisms[i].firstPosition) << "prism " << i;
            EXPECT_EQ(b.prisms[i].firstNormal, a.prisms[i].firstNormal) << "prism " << i;
        }
        EXPECT_EQ(b.faces.size(), a.faces.size());
        for (std::size_t i = 0; i < std::min(a.faces.size(), b.faces.size()); ++i) {
            EXPECT_EQ(b.faces[i].prism, a.faces[i].prism) << "face " << i;
            EXPECT_EQ(b.faces[i].firstCorner, a.faces[i].firstCorner) << "face " << i;
            EXPECT_EQ(b.faces[i].cornerCount, a.faces[i].cornerCount) << "face " << i;
            EXPECT_EQ(b.faces[i].color, a.faces[i].color) << "face " << i;
            EXPECT_EQ(b.faces[i].flags, a.faces[i].flags) << "face " << i;
        }
        EXPECT_EQ(b.faceAppData, a.faceAppData);

        EXPECT_EQ(split.warnings.size(), inOrder.warnings.size());
        for (std::size_t i = 0; i < std::min(split.warnings.size(), inOrder.warnings.size()); ++i) {
            EXPECT_EQ(split.warnings[i].kind, inOrder.warnings[i].kind) << "warning " << i;
            EXPECT_EQ(split.warnings[i].line, inOrder.warnings[i].line) << "warning " << i;
            EXPECT_EQ(split.warnings[i].text, inOrder.warnings[i].text) << "warning " << i;
        }
        EXPECT_EQ(split.summary.points, inOrder.summary.points);
        EXPECT_EQ(split.summary.faces, inOrder.summary.faces);
        EXPECT_EQ(split.summary.strokes, inOrder.summary.strokes);

        const doc::LoadTables& s = split.tables;
        const doc::LoadTables& o = inOrder.tables;
        EXPECT_EQ(std::memcmp(s.pointTable.data(), o.pointTable.data(), sizeof o.pointTable), 0);
        EXPECT_EQ(
            std::memcmp(s.coordinatePath.data(), o.coordinatePath.data(), sizeof o.coordinatePath),
            0);
        EXPECT_EQ(s.pointPath, o.pointPath);
        EXPECT_EQ(s.polygonIndexList, o.polygonIndexList);
        EXPECT_EQ(s.coordinateCount, o.coordinateCount);
        EXPECT_EQ(s.pointPathCount, o.pointPathCount);
        EXPECT_EQ(s.polygonCount, o.polygonCount);
        EXPECT_EQ(s.surfaceColor, o.surfaceColor);
        EXPECT_EQ(s.lineColor, o.lineColor);
    }
};

// One box: its own point block from 0, a colour, six faces (two textured), an outline.
std::string Box(int i, bool withColor = true, bool withStrokes = true) {
    const int x = i * 10;
    std::string s = "POINTS( 0\r\n";
    for (int c = 0; c < 8; ++c) {
        s += "  " + std::to_string(x + (c & 4 ? 5 : 0)) + " " + std::to_string(c & 2 ? 5 : 0) +
             " " + std::to_string(100 + (c & 1 ? 5 : 0)) + "\r\n";
    }
    s += ")\r\n";
    if (withColor) s += "SURFACECOLOR( " + std::to_string(i % 23) + " F0 )\r\n";
    s += "POLY( A 0 1 3 2 )\r\nTEXPOLY( AI 4 0 0 6 0 0 7 0 0 5 0 0 )\r\n"
         "SHADEDPOLY( A 0 4 5 1 )\r\nPOLY( A 2 3 7 6 )\r\nshadedtexpoly( AI 0 0 0 2 0 0 6 0 0 4 "
         "0 0 )\r\nPOLY( A 1 5 7 3 )\r\n";
    if (withStrokes && i % 3 == 0)
        s += "LINECOLOR( " + std::to_string(i % 7) +
             " 0 )\r\nMOVETOPT( 2 3 7 )\r\n"
             "DRAWTOPT( 6 2 )\r\nMOVETO( 0 0 0 1 1 1 )\r\nDRAWTO( 2 0 0 )\r\n";
    return s;
}

std::string Boxes(int from, int to, bool withColor = true, bool withStrokes = true) {
    std::string s;
    for (int i = from; i < to; ++i) s += Box(i, withColor, withStrokes);
    return s;
}

// Warnings on both sides of the middle: a misspelt keyword, an index outside the table, a
// short polygon, a block left open at the end of the file.
std::string BoxesWithWarnings() {
    return "; boxes\r\n" + Boxes(0, 40) + "POYL( A 0 1 2 )\r\n" + Boxes(40, 80) +
           "POLY( A 0 9999 1 )\r\n" + Boxes(80, 120) + "POLY( A 0 1 )\r\nSURFACECOLOR( 5 0 \r\n";
}

TEST_F(SplitLoad, BoxesWithColoursStrokesAndWarnings) {
    EXPECT_EQ(ExpectSameAsInOrder(BoxesWithWarnings()), 2U);
    EXPECT_EQ(FaceCount(), 120U * 6 + 40U * 6 * 10);
}

TEST_F(SplitLoad, AFileOfManyMegabytesLoadsAsInOrder) {
    // Big enough that each part's pools start a huge page long and are then sized from
    // what the part has read: neither may change what is loaded.
    constexpr int kBoxes = 24000;
    const std::string text = Boxes(0, kBoxes);
    ASSERT_GE(text.size(), std::size_t{8} << 20);
    EXPECT_EQ(ExpectSameAsInOrder(text), 2U);
    EXPECT_EQ(FaceCount(), std::uint32_t{kBoxes} * 6 + kBoxes / 3 * 6 * 10);
}

TEST_F(SplitLoad, SecondPartReusesThePositionsTheFirstLeft) {
    // Every box writes the same eight points again, so read in order every polygon after
    // the first box shares the first box's positions.
    std::string text;
    for (int i = 0; i < 100; ++i) text += Box(7);
    EXPECT_EQ(ExpectSameAsInOrder(text), 2U);
    EXPECT_EQ(Mesh().positions.size(), 8U);
}

TEST_F(SplitLoad, SecondPartThatNeedsTheFirstIsReadInOrder) {
    T().surfaceColor = 0xFF123456U;
    T().lineColor = 0xFF654321U;
    struct Case {
        const char* name;
        std::string text;
    };
    const auto repeat = [](int times, const std::string& lines) {
        std::string s;
        for (int i = 0; i < times; ++i) s += lines;
        return s;
    };
    const Case cases[] = {
        // Points of a block before the middle, read after point blocks that start at 1.
        {"points", Boxes(0, 5) + repeat(400, "POINTS( 1 1 1 1 )\r\nPOLY( A 0 1 2 )\r\n")},
        // The surface colour set once, at the top.
        {"surface colour", "SURFACECOLOR( 9 0 )\r\n" + Boxes(0, 100, false)},
        // A coordinate path begun before the middle, drawn on after it.
        {"path", "MOVETO( 0 0 0 )\r\n" + Boxes(0, 50, true, false) + "DRAWTO( 5 5 5 )\r\n"},
        // The line colour set before the middle only.
        {"line colour",
         "LINECOLOR( 3 0 )\r\n" + Boxes(0, 50, true, false) + "MOVETOPT( 0 1 )\r\nDRAWTOPT( )\r\n"},
        // A point path begun before the middle, drawn on after it.
        {"point path", "POINTS( 0 1 1 1 2 2 2 )\r\nMOVETOPT( 0 1 )\r\n" +
                           Boxes(0, 50, true, false) + "DRAWTOPT( 2 )\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExpectSameAsInOrder(c.text), 1U);
    }
}

TEST_F(SplitLoad, MiddleInsideABlockOrAfterTheEndIsReadInOrder) {
    // A polygon block whose indices run over many lines across the middle, one of them a
    // point block's keyword that the polygon reader takes as an index.
    std::string inBlock = Boxes(0, 20) + "POLY( A 0 1 2\r\n";
    for (int i = 0; i < 400; ++i)
        inBlock += (i == 200 ? "POINTS( 0 1 2 3 )" : "3 1 2") + std::string("\r\n");
    inBlock += ")\r\n" + Boxes(20, 30);
    EXPECT_EQ(ExpectSameAsInOrder(inBlock), 1U);

    // "ENDA" before the middle: nothing after it counts.
    EXPECT_EQ(ExpectSameAsInOrder(Boxes(0, 30) + "ENDA\r\n" + Boxes(30, 90)), 1U);
    EXPECT_EQ(FaceCount(), 30U * 6 + 10U * 6 * 10);
}

TEST_F(SplitLoad, LinesOfTheSecondPartAreNumberedFromTheFileStart) {
    // The second part numbers its lines from its own start until it is joined: every face's
    // line, every warning's line, and a line named in a warning's text must come out as the
    // file's. Blocks left open by an empty line, on both sides of the middle, name that line.
    const std::string openPolygon = "POLY( A 0 1 2\r\n\r\n";
    const std::string text = "; boxes\r\n\r\n" + Boxes(0, 40) + openPolygon + Boxes(40, 80) +
                             "POLY( A 0 1 5000 )\r\n" + openPolygon + Boxes(80, 120) +
                             "SURFACECOLOR( 1 0\r\n\r\n" + Boxes(120, 130);
    EXPECT_EQ(ExpectSameAsInOrder(text), 2U);

    RecordingObserver seen;
    doc::CTarnoDoc::SetSplitBytes(0);
    ASSERT_TRUE(Load(text, &seen));
    ASSERT_EQ(m_doc->LastLoadSummary().parts, 2U);
    // The last face is the last box's stroke, laid by the file's last line.
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_EQ(m_doc->FaceSourceLine(static_cast<std::uint32_t>(FaceCount() - 1)),
              static_cast<std::uint32_t>(lines));
    // Each open block's keyword line is followed by the empty line its warning names.
    int named = 0;
    for (const doc_test::Warning& w : seen.warnings) {
        if (w.text.find("empty line") != std::string::npos) {
            EXPECT_EQ(w.text.substr(w.text.rfind(' ') + 1), std::to_string(w.line + 1)) << w.text;
            ++named;
        }
    }
    EXPECT_EQ(named, 3);
}

TEST_F(SplitLoad, EndOfTextMarkBeforeTheMiddleIsReadInOrder) {
    // Nothing after the end mark counts, though the second part starts after it.
    const std::string text = Boxes(0, 30) + "\x1A" + Boxes(30, 90);
    EXPECT_EQ(ExpectSameAsInOrder(text), 1U);
    EXPECT_EQ(FaceCount(), 30U * 6 + 10U * 6 * 10);
}

// A file read while the window started stands for the document's load of it: the same
// faces, tables, warnings and summary as reading it then, in order or in two parts.
TEST_F(SplitLoad, AFileReadAheadLoadsAsReadingItThen) {
    const std::string text = BoxesWithWarnings();
    const std::string path = tarno_test::WriteTemp("ahead.api", text);
    const doc::LoadTables before = T();
    for (const std::int64_t splitBytes : {INT64_MAX, std::int64_t{0}}) {
        SCOPED_TRACE(splitBytes);
        doc::CTarnoDoc::SetSplitBytes(INT64_MAX);
        const Outcome inOrder = LoadFrom(path, before);
        doc::CTarnoDoc::SetSplitBytes(splitBytes);
        doc::ReadAhead::Start(path);
        const Outcome ahead = LoadFrom(path, before);
        EXPECT_TRUE(ahead.summary.readAhead);
        EXPECT_FALSE(inOrder.summary.readAhead);
        ExpectSame(inOrder, ahead);
        // Taken once: the next load reads the file itself.
        EXPECT_FALSE(LoadFrom(path, before).summary.readAhead);
    }
}

// A read ahead stands only for a load of the same, unchanged file from the colours it began
// with; any other load reads as usual and the read is gone.
TEST_F(SplitLoad, AReadAheadIsDroppedWhereItWouldNotStandForTheLoad) {
    const doc::LoadTables before = T();
    const std::string path = tarno_test::WriteTemp("ahead.api", Boxes(0, 20));
    const std::string other = tarno_test::WriteTemp("other.api", Boxes(20, 25));

    // The file written again after it was read.
    doc::ReadAhead::Start(path);
    const std::string changed = Boxes(0, 30);
    (void)tarno_test::WriteTemp("ahead.api", changed);
    Outcome got = LoadFrom(path, before);
    EXPECT_FALSE(got.summary.readAhead);
    EXPECT_EQ(got.mesh.faces.size(), 30U * 6 + 10U * 6 * 10);

    // Another file opened first: neither it nor the file read ahead takes the read.
    doc::ReadAhead::Start(path);
    EXPECT_FALSE(LoadFrom(other, before).summary.readAhead);
    EXPECT_FALSE(LoadFrom(path, before).summary.readAhead);

    // Other current colours than those the read began with.
    doc::LoadTables tinted = before;
    tinted.surfaceColor = 0xFF204060U;
    const Outcome inOrder = LoadFrom(path, tinted);
    doc::ReadAhead::Start(path);
    got = LoadFrom(path, tinted);
    EXPECT_FALSE(got.summary.readAhead);
    ExpectSame(inOrder, got);
}

// A read that starts in one part and is asked part way through to read the rest in two
// gives what reading in order gives, wherever it is asked.
TEST_F(SplitLoad, ASplitAskedForPartWayGivesTheSameLoad) {
    // An undrawn command after every box: a warning on every box's last line.
    std::string text;
    for (int i = 0; i < 200; ++i) text += Box(i) + "BITMAP( 1 )\r\n";
    const std::string path = tarno_test::WriteTemp("partway.api", text);
    const doc::LoadTables before = T();
    doc::CTarnoDoc::SetSplitBytes(INT64_MAX);
    const Outcome inOrder = LoadFrom(path, before);
    ASSERT_TRUE(inOrder.loaded);

    // Sets the flag at its `at`-th warning: the line loop sees it before its next line.
    class AskAt : public RecordingObserver {
    public:
        AskAt(int at, std::atomic<bool>& flag) : m_at(at), m_flag(flag) {}
        void OnWarning(doc::LoadWarning kind, std::int64_t line, const std::string& text) override {
            RecordingObserver::OnWarning(kind, line, text);
            if (static_cast<int>(warnings.size()) == m_at) m_flag = true;
        }

    private:
        int m_at;
        std::atomic<bool>& m_flag;
    };
    doc::CTarnoDoc::SetSplitBytes(0);
    for (const int at : {1, 7, 60, 150, 199, 100000}) {
        SCOPED_TRACE(at);
        std::atomic<bool> cancel{false};
        std::atomic<bool> split{false};
        AskAt seen(at, split);
        doc::LoadTables tables = before;
        tables.ResetForLoad();
        rm::MeshBuilder mesh{rm::MeshBuilder::Detached{}};
        rm::TextFile file;
        ASSERT_TRUE(file.OpenRegular(path));
        const doc::CTarnoDoc::WholeRead read =
            doc::CTarnoDoc::ReadWholeFile(path, file, tables, mesh, &seen, &cancel, &split);
        Outcome got;
        got.loaded = !read.failed;
        got.mesh = mesh.Data();
        got.warnings = seen.warnings;
        got.summary = read.summary;
        got.tables = tables;
        ExpectSame(inOrder, got);
        // Asked before the last box, the rest was read as a second part.
        EXPECT_EQ(read.summary.parts, at < 190 ? 2U : 1U);
    }
}

// Where the second part starts: the first point block's line that begins after the line the
// middle falls in and less than a megabyte past the middle, wherever the reads at the middle
// cut the lines.
TEST(SplitStart, FirstPointBlockLineAfterTheMiddle) {
    // `head` then `tail`, padded with a remark so that the middle is `head.size() + at`.
    const auto startOf = [](const std::string& head, std::int64_t at, const std::string& tail) {
        std::string text = head + tail;
        const auto size = 2 * (static_cast<std::int64_t>(head.size()) + at);
        EXPECT_GE(size, static_cast<std::int64_t>(text.size()));
        text.resize(static_cast<std::size_t>(size), ';');
        return doc::RestOfFile::FindStart(tarno_test::WriteTemp("split_start.api", text), size / 2,
                                          size);
    };
    const auto line = [](std::size_t length) { return std::string(length, ';') + "\n"; };
    const std::string head = line(100'000);
    const auto after = [&head](std::size_t offset) {
        return static_cast<std::int64_t>(head.size() + offset);
    };

    // The line the middle falls in opens a point block, yet it is not a line of the rest.
    std::string tail = "POINTS( 0 1 2 3 )\r\nPOLY( A 0 1 2 )\r\nvecpoints( 0 1 1 1 )\r\n";
    EXPECT_EQ(startOf(head, 5, tail), after(tail.find("vecpoints")));

    // A point block line at every offset around the end of the first read from the middle,
    // so that the reads cut its keyword, or a line before it longer than a read.
    for (std::size_t gap = 16'330; gap < 16'400; gap += 3) {
        SCOPED_TRACE(gap);
        tail = std::string(gap, 'x') + "\n  VectorPoints( 0 1 1 1 )\r\n";
        EXPECT_EQ(startOf(head, -10, tail), after(gap + 1));
    }

    // A first token longer than a read, then the point block.
    tail = std::string(40'000, 'P') + " (\nPOINTS(\n";
    EXPECT_EQ(startOf(head, -10, tail), after(40'003));

    // None within a megabyte of the middle; none at all.
    tail = line(std::size_t{1} << 20) + "POINTS( 0 1 2 3 )\n";
    EXPECT_EQ(startOf(line(std::size_t{2} << 20), -10, tail), -1);
    EXPECT_EQ(startOf(head, -10, line(1000)), -1);
    // The last line, without a line end, within the first read.
    const std::string shortHead = line(5000);
    tail = line(100) + "POINTS( 0 1 2 3 )";
    EXPECT_EQ(startOf(shortHead, -10, tail),
              static_cast<std::int64_t>(shortHead.size() + tail.find("POINTS")));
}

TEST_F(SplitLoad, SmallFilesAreReadInOrder) {
    doc::CTarnoDoc::SetSplitBytes(doc::CTarnoDoc::kDefaultSplitBytes);
    ASSERT_TRUE(Load(Boxes(0, 100)));
    EXPECT_EQ(m_doc->LastLoadSummary().parts, 1U);
}

}  // namespace
