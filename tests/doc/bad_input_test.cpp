// Files and paths nobody should open but somebody will: the scene must stay as it was,
// and what is loaded must come out as the format says.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <random>
#include <string>

#include "doc/keywords.h"
#include "doc/polygon_normal.h"
#include "tests/support/loader_test_support.h"
#include "tests/support/scratch.h"

namespace {

using doc_test::IsPoint;
using doc_test::LoaderTest;

constexpr const char* kTriangle =
    "SURFACECOLOR ( 5 0 )\r\nPOINTS ( 0 0 0 0 10 0 0 0 10 0 )\r\nPOLY ( A 0 1 2 )\r\n";

class BadInput : public LoaderTest {};

TEST_F(BadInput, PipesDevicesAndFoldersChangeNothingOnOpenOrReload) {
    const std::string shownPath = tarno_test::WriteTemp("shown.api", kTriangle);
    ASSERT_TRUE(m_doc->OnOpenDocument(shownPath));
    const rm::MeshBuilderPtr shown = m_doc->m_pMeshBuilder;
    for (const std::string& path : tarno_test::PathsThatAreNoFiles()) {
        // The route of File Open, the recent list, a drop and the command line...
        EXPECT_FALSE(m_doc->OnOpenDocument(path)) << path;
        EXPECT_NE(m_doc->LastError().find("not a file"), std::string::npos) << m_doc->LastError();
        EXPECT_FALSE(m_doc->LastLoadReplacedModel());
        // ...and of Reload, which goes straight to the loader.
        EXPECT_FALSE(m_doc->LoadApiFile(path)) << path;
        EXPECT_NE(m_doc->LastError().find("not a file"), std::string::npos) << m_doc->LastError();
        EXPECT_EQ(m_doc->LastError().find(path), std::string::npos) << "the caller names it";
        EXPECT_FALSE(m_doc->LastLoadReplacedModel());
        EXPECT_EQ(m_doc->GetPathName(), shownPath);
        EXPECT_EQ(m_doc->m_pMeshBuilder, shown);
        ASSERT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
        EXPECT_EQ(m_doc->m_pModelFrame->Visuals()[0], shown);
        EXPECT_TRUE(IsPoint(Point(2), 0, 10, 0)) << "the tables were not reset";
    }
}

TEST_F(BadInput, AReadErrorTellsTheLineAndLeavesTheFailedFileNamed) {
    ASSERT_TRUE(m_doc->OnOpenDocument(tarno_test::WriteTemp("model.api", kTriangle)));
    // A regular file whose every read fails.
    if (::access("/proc/self/mem", R_OK) != 0) GTEST_SKIP() << "no /proc/self/mem here";
    EXPECT_FALSE(m_doc->OnOpenDocument("/proc/self/mem"));
    EXPECT_TRUE(m_doc->LastLoadReplacedModel());
    EXPECT_EQ(m_doc->LastError().rfind("Stopped at line 1: read error", 0), 0U)
        << m_doc->LastError();
    EXPECT_EQ(m_doc->LastError().find('\n'), std::string::npos);
    // The old model is gone, so the document names the file that failed: Reload tries it.
    EXPECT_EQ(m_doc->GetPathName(), "/proc/self/mem");
    EXPECT_TRUE(m_doc->m_pModelFrame->Visuals().empty());
}

TEST(SplitLineOverflow, TokensPastTheSlotsGoToTheOverflowInOrder) {
    std::array<std::string, doc::CTarnoDoc::kTokenSlots> slots;
    std::vector<std::string> overflow = {"stale"};
    std::string words;
    for (int i = 0; i < 600; ++i) words += "w" + std::to_string(i) + (i % 7 == 0 ? "(" : " ");
    const int n = doc::CTarnoDoc::SplitLine(words, slots.data(), &overflow);
    // Every seventh word is followed by a bracket token.
    const int expected = 600 + 86;
    ASSERT_EQ(n, expected);
    ASSERT_EQ(overflow.size(), static_cast<std::size_t>(expected - 512));
    EXPECT_EQ(slots[0], "w0");
    EXPECT_EQ(slots[1], "(");
    EXPECT_EQ(overflow.back(), "w599");
    // The slots see exactly what a split without an overflow sees.
    std::array<std::string, doc::CTarnoDoc::kTokenSlots> plain;
    EXPECT_EQ(doc::CTarnoDoc::SplitLine(words, plain.data()), doc::CTarnoDoc::kTokenSlots);
    EXPECT_EQ(plain, slots);
    EXPECT_EQ(doc::CTarnoDoc::SplitLine("", slots.data(), &overflow), 0);
    EXPECT_TRUE(overflow.empty());
}

// 10,000,000 units long and 1 wide, planar and convex: it has a direction, and "A" and
// "AI" give it opposite orders.
TEST_F(BadInput, ALongThinPolygonKeepsItsFacing) {
    const std::string points = "POINTS ( 0  0 0 50  10000000 0 50  10000000 1 50  0 1 50 )\r\n";
    ASSERT_TRUE(Load(points + "POLY ( A 0 1 2 3 )\r\nPOLY ( AI 0 1 2 3 )\r\n"));
    ASSERT_EQ(FaceCount(), 2U);
    const rm::D3DVECTOR away = FaceNormal(0);
    const rm::D3DVECTOR toward = FaceNormal(1);
    // The plane z = 50 lies in front of the origin: "A" faces +z, away from it.
    EXPECT_NEAR(away.z, 1.0F, 1e-6F);
    EXPECT_NEAR(toward.z, -1.0F, 1e-6F);
    T().polygonIndexList[0] = 0;
    T().polygonIndexList[1] = 1;
    T().polygonIndexList[2] = 2;
    T().polygonIndexList[3] = 3;
    EXPECT_NEAR(std::abs(doc::PolygonNormal(T(), 4).z), 1.0F, 1e-6F);
    // Narrower than float rounding at that size, it has none.
    ASSERT_TRUE(Load("POINTS ( 0  0 0 50  10000000 0 50  20000000 1 50 )\r\nPOLY ( A 0 1 2 )\r\n",
                     nullptr, "_sliver"));
    T().polygonIndexList[0] = 0;
    T().polygonIndexList[1] = 1;
    T().polygonIndexList[2] = 2;
    const rm::D3DVECTOR none = doc::PolygonNormal(T(), 3);
    EXPECT_EQ(none.x, 0.0F);
    EXPECT_EQ(none.y, 0.0F);
    EXPECT_EQ(none.z, 0.0F);
}

// The clears keep only what was written since the last one in mind; the tables must read
// exactly as if every clear had set every entry.
TEST(LazyClears, TablesReadAsIfEveryClearWereWhole) {
    doc::LoadTables& t = doc::Tables();
    std::array<doc::TablePoint, doc::kTableSize> points{};
    std::array<doc::TablePoint, doc::kTableSize> coordinates{};
    std::array<std::int32_t, doc::kTableSize> indices{};
    const auto reset = [&] {
        t.ResetForLoad();
        points.fill({-1, -1, -1});
        coordinates.fill({0, 0, 0});
        indices.fill(0);
    };
    reset();
    std::mt19937 random(12);
    const auto index = [&] {
        // Mostly a few entries, sometimes anywhere, so that entries are written twice.
        return static_cast<std::size_t>(random() % 4 == 0 ? random() % doc::kTableSize
                                                          : random() % 16);
    };
    for (int step = 0; step < 20000; ++step) {
        const int value = static_cast<int>(random() % 1000) - 500;
        switch (random() % 9) {
            case 0:
                t.ClearPoints();
                points.fill({0, 0, 0});
                break;
            case 1:
                t.ClearPathEntries();
                coordinates.fill({0, 0, 0});
                indices.fill(0);
                break;
            case 2:
                if (random() % 50 == 0) reset();
                break;
            case 3:
            case 4: {
                const std::size_t i = index();
                t.PointToWrite(i).x = value;
                points[i].x = value;
                if (random() % 2 == 0) {
                    t.PointToWrite(i).z = value + 1;
                    points[i].z = value + 1;
                }
                break;
            }
            case 5:
            case 6: {
                const std::size_t i = index();
                t.SetCoordinate(i, {value, 1, 2});
                coordinates[i] = {value, 1, 2};
                break;
            }
            default: {
                const std::size_t i = index();
                t.SetPointPathEntry(i, value);
                indices[i] = value;
                break;
            }
        }
        if (step % 97 == 0 || step > 19900) {
            for (std::size_t i = 0; i < doc::kTableSize; ++i) {
                ASSERT_TRUE(IsPoint(t.pointTable[i], points[i].x, points[i].y, points[i].z))
                    << "point " << i << " at step " << step;
                ASSERT_TRUE(IsPoint(t.coordinatePath[i], coordinates[i].x, coordinates[i].y,
                                    coordinates[i].z))
                    << "coordinate " << i << " at step " << step;
                ASSERT_EQ(t.pointPath[i], indices[i]) << "index " << i << " at step " << step;
            }
        }
    }
}

TEST_F(BadInput, ManyClearingLinesKeepTheirEffect) {
    // Points written, cleared by many empty blocks, then some written again: the old ones
    // read 0, a never-written one reads 0 too (a clear happened in this load).
    std::string text = "POINTS ( 5 1 1 1 2 2 2 )\r\nMOVETOPT ( 5 6 )\r\nMOVETO ( 1 2 3 )\r\n";
    for (int i = 0; i < 1000; ++i) text += i % 2 == 0 ? "POINTS ( 0 )\r\n" : "MOVETO ( )\r\n";
    text += "POINTS ( 7 3 3 3 )\r\nDRAWTOPT ( 7 )\r\n";
    ASSERT_TRUE(Load(text));
    EXPECT_TRUE(IsPoint(Point(5), 0, 0, 0));
    EXPECT_TRUE(IsPoint(Point(6), 0, 0, 0));
    EXPECT_TRUE(IsPoint(Point(7), 3, 3, 3));
    EXPECT_TRUE(IsPoint(Point(4000), 0, 0, 0));
    EXPECT_TRUE(IsPoint(T().coordinatePath[0], 0, 0, 0));
    // The MOVETO blocks cleared the point path's entries but not its count: DRAWTOPT adds
    // after two zero entries, so its strokes run 0-0 (nothing) and 0-7.
    EXPECT_EQ(T().pointPathCount, 3);
    EXPECT_EQ(T().pointPath[0], 0);
    EXPECT_EQ(T().pointPath[1], 0);
    EXPECT_EQ(T().pointPath[2], 7);
}

TEST(LikelyKeyword, OneOrTwoLettersAwayIsAMisspelling) {
    EXPECT_EQ(doc::LikelyKeyword("SURFACECOLR"), "SURFACECOLOR");
    EXPECT_EQ(doc::LikelyKeyword("SURFACECOLOUR"), "SURFACECOLOR");
    EXPECT_EQ(doc::LikelyKeyword("PLOY"), "");  // two changes in a short word
    EXPECT_EQ(doc::LikelyKeyword("POLYY"), "POLY");
    EXPECT_EQ(doc::LikelyKeyword("DRAWTPT"), "DRAWTOPT");
    EXPECT_FALSE(doc::LikelyKeyword("DRAWTOP").empty());  // as near DRAWTO as DRAWTOPT
    EXPECT_EQ(doc::LikelyKeyword("LINECOLOUR"), "LINECOLOR");
    EXPECT_EQ(doc::LikelyKeyword("VECPOINT"), "VECPOINTS");
    // Keywords themselves, and words far from every keyword, are not misspellings.
    EXPECT_EQ(doc::LikelyKeyword("POLY"), "");
    EXPECT_EQ(doc::LikelyKeyword("REFPOINT"), "");
    EXPECT_EQ(doc::LikelyKeyword("RETURN"), "");
    EXPECT_EQ(doc::LikelyKeyword("AB"), "");
    EXPECT_EQ(doc::LikelyKeyword("XXXXXXXXXXXXXXXXXXXXXXXXXXX"), "");
}

}  // namespace
