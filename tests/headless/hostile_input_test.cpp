// Inputs no author writes on purpose, through all that runs without the window: whatever
// they hold, a load ends, stays inside every table (the sanitizer build checks that) and
// leaves a sound mesh; a second load under the check report makes the same mesh and names
// real lines; the OBJ export of the result holds no non-finite number.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>

#include "app/headless/check_report.h"
#include "app/headless/obj_export.h"
#include "doc/tarno_doc.h"
#include "tests/support/loader_test_support.h"
#include "tests/support/mesh_checks.h"
#include "tests/support/scratch.h"
#include "tests/support/xorshift.h"

namespace {

class HostileInput : public doc_test::LoaderTest {
protected:
    // Loads `bytes` twice, without and with an observer, and checks what came out.
    void Exercise(const std::string& name, const std::string& bytes) {
        SCOPED_TRACE(name);
        const std::string path = tarno_test::WriteTemp("robust.api", bytes);
        ASSERT_TRUE(m_doc->OnOpenDocument(path)) << m_doc->LastError();
        ExpectSound(*m_doc);
        const std::size_t faces = m_doc->m_pMeshBuilder->Data().faces.size();

        app::CheckReport report;
        ASSERT_TRUE(m_doc->LoadApiFile(path, &report)) << m_doc->LastError();
        ExpectSound(*m_doc);
        // Watching a load does not change what it makes.
        EXPECT_EQ(m_doc->m_pMeshBuilder->Data().faces.size(), faces);
        const std::int64_t lines = LineCount(bytes);
        for (const std::string& line : report.Lines("f")) {
            const std::int64_t number = std::stoll(line.substr(2));
            EXPECT_GE(number, 1) << line;
            EXPECT_LE(number, lines + 1) << line;
        }
        const app::ObjText text =
            app::ExportObj(m_doc->m_pMeshBuilder->Data(), "robust.mtl", "robust.api");
        EXPECT_EQ(text.obj.find("nan"), std::string::npos);
    }

    static void ExpectSound(const doc::CTarnoDoc& d) {
        ASSERT_TRUE(d.m_pMeshBuilder);
        const rm::MeshData& mesh = d.m_pMeshBuilder->Data();
        EXPECT_EQ(tarno_test::MeshFault(mesh), "");
        // Every polygon is one face, every stroke ten.
        const doc::LoadSummary& s = d.LastLoadSummary();
        EXPECT_EQ(mesh.faces.size(), std::size_t{s.faces} + 10U * std::size_t{s.strokes});
    }

    static std::int64_t LineCount(const std::string& bytes) {
        std::int64_t n = 1;
        for (const char c : bytes) n += c == '\n' ? 1 : 0;
        return n;
    }
};

// Points 0 to 3 of a unit square, written so that indices below name real points.
const std::string kPrelude = "Points ( 0\r\n  0 0 0  10 0 0  10 10 0  0 10 0\r\n)\r\n";

// One complete block of each kind and header.
const std::vector<std::string> kBlocks = {
    "POINTS ( 0 1 2 3 4 5 6 )",
    "POINTS ( X 0 1 2 3 4 5 6 )",
    "VECPOINTS ( 0 1 2 3 4 5 6 7 8 9 10 11 12 )",
    "VECTORPOINTS ( A 5 1 2 3 )",
    "LINECOLOR ( 5 0 )",
    "SURFACECOLOR ( % % )",
    "SHADEDCOLOR ( 0x11 F0 )",
    "POLY ( A 0 1 2 )",
    "SHADEDPOLY ( AI 0 1 2 3 )",
    "POLY ( AU 0 1 2 )",
    "POLY ( AD 3 2 1 )",
    "POLY ( M 9 9 9 9 0 1 2 )",
    "POLY ( 0 0 0 0 0 1 2 )",
    "POLY ( -1 0 0 0 0 1 2 )",
    "POLY ( Q 0 1 2 )",
    "TEXPOLY ( A 0 7 7 1 7 7 2 7 7 )",
    "SHADEDTEXPOLY ( M 1 1 1 1 0 0 0 1 1 1 2 2 2 3 3 3 )",
    "MOVETO ( 0 0 0 5 0 0 )",
    "DRAWTO ( 5 5 0 )",
    "MOVETOPT ( 0 1 )",
    "DRAWTOPT ( 2 3 )",
    "AUTOPOINTS ( 0 1 2 3 )",
};

std::vector<std::string> Tokens(const std::string& block) {
    std::vector<std::string> tokens;
    std::istringstream in(block);
    for (std::string t; in >> t;) tokens.push_back(t);
    return tokens;
}

TEST_F(HostileInput, BlocksCutOffInEveryState) {
    for (const std::string& block : kBlocks) {
        const std::vector<std::string> tokens = Tokens(block);
        for (std::size_t keep = 1; keep <= tokens.size(); ++keep) {
            std::string cut;
            std::string oneToALine;
            for (std::size_t i = 0; i < keep; ++i) {
                cut += tokens[i] + " ";
                oneToALine += tokens[i] + "\r\n";
            }
            // Ended by the end of the file, by an empty line with more after it, one
            // token to a line, and with a bare LF and no line end at all.
            Exercise(cut + "| eof", kPrelude + cut);
            Exercise(cut + "| blank", kPrelude + cut + "\r\n\r\nPOLY ( A 0 1 2 )\r\n");
            Exercise(cut + "| lines", kPrelude + oneToALine);
            Exercise(cut + "| lf", "Points ( 0\n 0 0 0 10 0 0 10 10 0\n)\n" + cut);
        }
    }
    // Cut at every byte too, mid-token included.
    const std::string byBytes[] = {
        "POINTS ( A 0 1 2 3 4 5 6 )", "VECPOINTS ( 0 1 2 3 4 5 6 7 8 9 )",
        "POLY ( M 1 2 3 4 0 1 2 )",   "TEXPOLY ( 1 2 3 4 0 7 7 1 7 7 2 7 7 )",
        "LINECOLOR ( 5 0 % % )",      "MOVETO ( 1 2 3 4 5 6 )",
        "DRAWTOPT ( 0 1 2 )",
    };
    for (const std::string& block : byBytes) {
        for (std::size_t cut = 0; cut <= block.size(); ++cut) {
            Exercise(block + " cut at " + std::to_string(cut),
                     "POINTS ( 0 0 0 0 1 1 1 2 2 2 )\r\n" + block.substr(0, cut));
        }
    }
}

TEST_F(HostileInput, ValuesAtAndBeyondTheirLimits) {
    const std::vector<std::string> values = {
        "-1", "4095", "4096", "2147483647", "2147483648", "-2147483648", "99999999999999999999"};
    for (const std::string& v : values) {
        const std::vector<std::string> files = {
            "Points ( " + v + " 1 2 3 4 5 6 )\r\nPoly ( A " + v + " 0 1 )\r\n",
            "Points ( A " + v + "\r\n 1 2 3 )\r\nPoly ( A 0 " + v + " 1 2 )\r\n",
            kPrelude + "Poly ( A 0 1 " + v + " 2 )\r\n",
            kPrelude + "TexPoly ( A 0 0 0 " + v + " 0 0 2 0 0 )\r\n",
            kPrelude + "MoveToPt ( 0 " + v + " )\r\nDrawToPt ( " + v + " 2 )\r\n",
            kPrelude + "MoveTo ( " + v + " " + v + " " + v + " )\r\nDrawTo ( 0 0 0 )\r\n",
            kPrelude + "Points ( 0 " + v + " " + v + " " + v +
                " 1 1 1 2 2 2 )\r\n"
                "Poly ( A 0 1 2 )\r\n",
            kPrelude + "SurfaceColor ( " + v + " " + v + " )\r\nPoly ( A 0 1 2 )\r\n",
            kPrelude + "Poly ( M " + v + " " + v + " " + v + " " + v + " 0 1 2 )\r\n",
        };
        for (std::size_t i = 0; i < files.size(); ++i) {
            Exercise(v + " #" + std::to_string(i), files[i]);
        }
    }
    // Coordinates at the ends of their range, in points, paths and strokes.
    Exercise("extreme coordinates",
             "POINTS ( 0 2147483647 2147483647 2147483647 -2147483648 -2147483648 "
             "-2147483648 2147483647 -2147483648 0 )\r\nPOLY ( A 0 1 2 )\r\n"
             "MOVETOPT ( 0 1 2 0 )\r\nDRAWTOPT ( 1 )\r\n"
             "MOVETO ( 2147483647 0 0 2147483646 0 0 )\r\nDRAWTO ( )\r\n");
    EXPECT_EQ(FaceCount() % 10, 1U);
}

TEST_F(HostileInput, LongPathsAndPolygonsStayInTheirTables) {
    // More than 4096 entries of each table. The paths repeat one point, so that they
    // overflow without laying thousands of strokes (coincident ends lay none).
    std::string big = kPrelude + "Poly ( A";
    for (int i = 0; i < 5000; ++i) big += (i % 64 == 63) ? "\r\n" : (i % 2 ? " 1" : " 2");
    big += " 3 )\r\nMoveToPt ( 0";
    for (int i = 0; i < 5000; ++i) big += (i % 64 == 63) ? "\r\n" : " 1";
    big += " )\r\nDrawToPt ( 3 )\r\nMoveTo ( 0 0 0";
    for (int i = 0; i < 5000; ++i) big += (i % 20 == 19) ? "\r\n" : " 1 2 3";
    big += " )\r\nDrawTo ( 0 0 0 )\r\nPoints ( 4090";
    for (int i = 0; i < 40; ++i) big += " 1 2 3";
    big += " )\r\n";
    Exercise("long", big);
    EXPECT_EQ(m_doc->LastLoadSummary().faces, 1U);
    // 0-1 of the point path, and 0-(1,2,3) of the coordinate path; the entries past 4096
    // are not stored.
    EXPECT_EQ(m_doc->LastLoadSummary().strokes, 2U);
}

TEST_F(HostileInput, ManyTokensOnOneLine) {
    std::string line = kPrelude + "Poly ( A";
    for (int i = 0; i < 1000; ++i) line += " " + std::to_string(i % 4);
    line += " )\r\nPOLY ( A 0 1 2 ) " + std::string(600, '(') + "\r\n";
    Exercise("tokens", line);

    // 180 points on one line are 541 tokens with the keyword, "(" and ")": more than the
    // token array's 512 slots. Every one is read, and the lines after the block are
    // commands again.
    std::string points = "POINTS ( 0";
    for (int i = 0; i < 180; ++i) {
        points += " " + std::to_string(i) + " " + std::to_string(i * 2) + " 7";
    }
    std::string poly = "POLY ( A";
    for (int i = 0; i < 300; ++i) poly += " " + std::to_string(i % 180);
    Exercise("more tokens than slots",
             points + " )\r\nSURFACECOLOR ( 6 0 )\r\n" + poly + " )\r\nPOLY ( A 0 1 179 )\r\n");
    EXPECT_TRUE(doc_test::IsPoint(Point(179), 179, 358, 7));
    EXPECT_TRUE(doc_test::IsPoint(Point(180), 0, 0, 0)) << "cleared by the start index 0";
    EXPECT_EQ(T().surfaceColor, 0xFF00FF00U);
    ASSERT_EQ(FaceCount(), 2U);
    EXPECT_EQ(FaceVertices(0).size(), 300U);
    EXPECT_EQ(FaceVertices(1).size(), 3U);
}

TEST_F(HostileInput, TenMegabyteLines) {
    const std::size_t size = 10U << 20U;
    std::string numbers = "Points ( 0 ";
    numbers.reserve(size + 64);
    while (numbers.size() < size) numbers += "7 ";
    Exercise("10 MB of values", numbers + ")\r\nPoly ( A 0 1 2 )\r\n");
    Exercise("10 MB token", "Poly ( A " + std::string(size, '9') + " 1 2 )\r\n");
    Exercise("10 MB remark", kPrelude + ";" + std::string(size, 'x') + "\r\nPoly ( A 0 1 2 )");

    // Every token of a 10 MB polygon line is read, its ")" too; the polygon keeps the first
    // 4096 indices its list holds, and the stray ")" line after it is skipped.
    std::string indices = "POLY ( A";
    indices.reserve(size);
    while (indices.size() < size) indices += " 1 2 3";
    Exercise("10 MB of indices", indices + " )\r\n)\r\nPOINTS ( 0 1 2 3 )\r\n");
    ASSERT_EQ(FaceCount(), 1U);
    EXPECT_EQ(FaceVertices(0).size(), static_cast<std::size_t>(doc::kTableSize));
    EXPECT_EQ(Point(0).x, 1);
}

TEST_F(HostileInput, NulAndControlBytes) {
    using namespace std::string_literals;
    Exercise("nul in values", kPrelude + "Poly ( A 0\0 1 2 )\r\n"s);
    Exercise("nul keyword", "PO\0LY ( A 0 1 2 )\r\n\0\0\0\r\n"s);
    Exercise("all nul", std::string(4096, '\0'));
    std::string text = "POINTS ( 0 1 2 3 4 5 6 7 8 9 )\r\nPOLY ( A 0";
    text += std::string(5, '\0');
    text += " 1 2 )\r\n\x01\x02\x7F\xFF POLY\r\nPOLY ( A 0\x00 1 2 )";
    Exercise("control bytes", text);
}

TEST_F(HostileInput, EndOfTextByteEndsTheFile) {
    const std::string before = kPrelude + "Poly ( A 0 1 2 )\r\n";
    const std::string after = "Poly ( A 0 2 3 )\r\nMoveTo ( 0 0 0 )\r\nDrawTo ( 5 5 5 )\r\n";
    Exercise("0x1A between blocks", before + "\x1A" + after);
    EXPECT_EQ(m_doc->LastLoadSummary().faces, 1U);
    EXPECT_EQ(m_doc->LastLoadSummary().strokes, 0U);
    Exercise("0x1A inside a block", kPrelude + "Poly ( A 0 1 \x1A 2 3 )\r\n" + after);
    EXPECT_EQ(m_doc->LastLoadSummary().faces, 0U);
    Exercise("no 0x1A", before + after);
    EXPECT_EQ(m_doc->LastLoadSummary().faces, 2U);
}

TEST_F(HostileInput, RandomBytesAndRandomTokens) {
    // Characters of the format's alphabet mixed with its words and values at the table ends.
    const std::string alphabet = "()[]{};% \t\r\n\n\n-0123456789AEIMUDPOLYTXNSVCRHaeimu\x1A";
    const char* formatWords[] = {"POLY",      "TEXPOLY",      "POINTS",     "VECPOINTS",
                                 "MOVETO",    "DRAWTO",       "MOVETOPT",   "DRAWTOPT",
                                 "LINECOLOR", "SURFACECOLOR", "ENDA",       "4095",
                                 "4096",      "-1",           "2147483647", "AUTOPOINTS"};
    tarno_test::XorShift next(0x2545F4914F6CDD1DULL);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int length = static_cast<int>(next() % 4000);
        while (static_cast<int>(text.size()) < length) {
            if (next() % 4 == 0) {
                text += formatWords[next() % std::size(formatWords)];
            } else {
                text += alphabet[next() % alphabet.size()];
            }
        }
        Exercise("alphabet round " + std::to_string(round), text);
    }

    std::mt19937 random(20261207);
    for (int file = 0; file < 20; ++file) {
        std::string bytes(2048, '\0');
        for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
        Exercise("bytes " + std::to_string(file), bytes);
    }
    const std::vector<std::string> words = {"POINTS",
                                            "VECPOINTS",
                                            "VECTORPOINTS",
                                            "POLY",
                                            "SHADEDPOLY",
                                            "TEXPOLY",
                                            "SHADEDTEXPOLY",
                                            "MOVETO",
                                            "DRAWTO",
                                            "MOVETOPT",
                                            "DRAWTOPT",
                                            "LINECOLOR",
                                            "SURFACECOLOR",
                                            "SHADEDCOLOR",
                                            "AUTOPOINTS",
                                            "ENDA",
                                            "(",
                                            ")",
                                            "A",
                                            "AI",
                                            "AU",
                                            "AD",
                                            "M",
                                            "%",
                                            "0",
                                            "1",
                                            "2",
                                            "3",
                                            "-1",
                                            "4095",
                                            "4096",
                                            "0x1F",
                                            "12.5",
                                            "x",
                                            ";",
                                            "\r\n",
                                            "\n",
                                            "\r\n\r\n",
                                            "\t"};
    for (int file = 0; file < 60; ++file) {
        std::string text;
        const int count = 50 + static_cast<int>(random() % 400);
        for (int i = 0; i < count; ++i) text += words[random() % words.size()] + " ";
        Exercise("tokens " + std::to_string(file), text);
    }
}

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
    ExpectSound(*m_doc);
}

}  // namespace
