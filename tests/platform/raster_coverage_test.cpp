// Which pixels a face covers: placement, single-sidedness, the shared-edge rule, depth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/platform/raster_test_support.h"

namespace rm {
namespace {

using namespace rastertest;

constexpr D3DCOLOR kRed = 0xFFFF0000U;
constexpr D3DCOLOR kGreen = 0xFF00FF00U;

std::vector<D3DCOLOR> DrawUnlit(Renderer& r, const MeshData& mesh, RenderJob job = {}) {
    const MeshInstance inst = Instance(mesh, D3DRMSHADE_FLAT | D3DRMFILL_SOLID);
    RenderJob j = MakeJob({&inst, 1}, r.Width());
    j.rect = job.rect.width > 0 ? job.rect : j.rect;
    return Draw(r, j);
}

TEST(RasterCoverage, SquareFacingCameraCoversItsProjectedRectangle) {
    // Half-size 1 at depth 10: 10 pixels per unit, so x and y span 40..60 on screen.
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kRed);
    Renderer r(kSize, kSize, 1);
    const auto px = DrawUnlit(r, mesh);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool inside = x >= 40 && x < 60 && y >= 40 && y < 60;
            ASSERT_EQ(At(px, x, y), inside ? kRed : kBackground) << x << "," << y;
        }
    }
}

TEST(RasterCoverage, OffCentreSquareLandsWhereTheProjectionPutsIt) {
    // x from 1 to 3, y from 1 to 2 at depth 20: screen x 55..65, screen y 40..45.
    MeshData mesh;
    AddFace(mesh, {{1, 2, 20}, {3, 2, 20}, {3, 1, 20}, {1, 1, 20}}, kRed);
    Renderer r(kSize, kSize, 1);
    const auto px = DrawUnlit(r, mesh);
    EXPECT_EQ(CountDrawn(px), 10 * 5);
    EXPECT_EQ(At(px, 55, 40), kRed);
    EXPECT_EQ(At(px, 64, 44), kRed);
    EXPECT_EQ(At(px, 54, 40), kBackground);
    EXPECT_EQ(At(px, 65, 44), kBackground);
    EXPECT_EQ(At(px, 60, 45), kBackground);
}

TEST(RasterCoverage, ReversedTwinDrawsNothing) {
    MeshData mesh;
    AddFace(mesh, {{-1, -1, 10}, {1, -1, 10}, {1, 1, 10}, {-1, 1, 10}}, kRed);
    Renderer r(kSize, kSize, 1);
    r.SetCountFragments(true);
    const auto px = DrawUnlit(r, mesh);
    EXPECT_EQ(CountDrawn(px), 0);
    EXPECT_EQ(r.LastStats().trianglesIn, 2U);
    EXPECT_EQ(r.LastStats().trianglesDrawn, 0U);
}

TEST(RasterCoverage, WiderViewportUsesItsSmallerSideForTheField) {
    // 200 x 100: the field maps to the 100-pixel height; x spreads the same per unit.
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kRed);
    Renderer r(200, 100, 1);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    RenderJob job = MakeJob({&inst, 1});
    job.rect = {0, 0, 200, 100};
    const auto px = Draw(r, job);
    EXPECT_EQ(CountDrawn(px), 400);
    EXPECT_EQ(At(px, 90, 40, 200), kRed);
    EXPECT_EQ(At(px, 109, 59, 200), kRed);
    EXPECT_EQ(At(px, 89, 40, 200), kBackground);
}

TEST(RasterCoverage, ViewportRectangleCentresTheViewAndBoundsTheDrawing) {
    // A huge square fills the view; only the 30 x 20 viewport at (10, 60) may change.
    MeshData mesh;
    AddSquare(mesh, 100.0F, 10.0F, kRed);
    Renderer r(kSize, kSize, 2);
    const MeshInstance inst = Instance(mesh, D3DRMFILL_SOLID);
    RenderJob job = MakeJob({&inst, 1});
    job.rect = {10, 60, 30, 20};
    const auto px = Draw(r, job);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool inside = x >= 10 && x < 40 && y >= 60 && y < 80;
            ASSERT_EQ(At(px, x, y), inside ? kRed : kBackground) << x << "," << y;
        }
    }
    // A small square is centred on the viewport's centre (25, 70): 20 px per unit at 1.
    MeshData small;
    AddSquare(small, 0.1F, 1.0F, kGreen);
    const MeshInstance inst2 = Instance(small, D3DRMFILL_SOLID);
    job.meshes = {&inst2, 1};
    const auto px2 = Draw(r, job);
    EXPECT_EQ(CountDrawn(px2), 4 * 4);
    EXPECT_EQ(At(px2, 23, 68), kGreen);
    EXPECT_EQ(At(px2, 26, 71), kGreen);
}

// Renders each face alone and counts, per pixel, how many faces took it.
std::vector<int> CoverageCounts(const MeshData& all) {
    Renderer r(kSize, kSize, 2);
    std::vector<int> counts(kSize * kSize, 0);
    for (std::size_t f = 0; f < all.faces.size(); ++f) {
        MeshData one = all;
        one.faces = {all.faces[f]};
        const auto px = DrawUnlit(r, one);
        for (std::size_t i = 0; i < px.size(); ++i) {
            counts[i] += px[i] != kBackground ? 1 : 0;
        }
    }
    return counts;
}

TEST(RasterCoverage, JitteredGridOfTrianglesLeavesNoGapAndNoOverlap) {
    // A grid of shared corners, some on pixel centres and pixel edges exactly, split
    // into triangles along alternating diagonals.
    constexpr int kN = 7;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> jitter(-0.3F, 0.3F);
    std::vector<D3DVECTOR> grid;
    for (int j = 0; j <= kN; ++j) {
        for (int i = 0; i <= kN; ++i) {
            const bool border = i == 0 || j == 0 || i == kN || j == kN;
            const bool snapped = (i + j) % 3 == 0;
            // At depth 1, 0.01 units is one pixel; 0.005 lands on a pixel centre.
            float x = -0.35F + 0.1F * static_cast<float>(i);
            float y = 0.35F - 0.1F * static_cast<float>(j);
            if (!border && !snapped) {
                x += jitter(rng) * 0.1F;
                y += jitter(rng) * 0.1F;
            } else if (snapped) {
                x += 0.005F;
            }
            grid.push_back({x, y, 1.0F});
        }
    }
    MeshData mesh;
    const auto p = [&](int i, int j) { return grid[static_cast<std::size_t>(j * (kN + 1) + i)]; };
    for (int j = 0; j < kN; ++j) {
        for (int i = 0; i < kN; ++i) {
            if ((i + j) % 2 == 0) {
                AddFace(mesh, {p(i, j), p(i + 1, j), p(i + 1, j + 1)}, kRed);
                AddFace(mesh, {p(i, j), p(i + 1, j + 1), p(i, j + 1)}, kRed);
            } else {
                AddFace(mesh, {p(i, j), p(i + 1, j), p(i, j + 1)}, kRed);
                AddFace(mesh, {p(i + 1, j), p(i + 1, j + 1), p(i, j + 1)}, kRed);
            }
        }
    }
    const std::vector<int> counts = CoverageCounts(mesh);
    // The grid's outline is a square of screen side 70 (x, y from 15 to 85, shifted by the
    // snapped corners at most half a pixel): everything well inside must be covered once.
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int c = counts[static_cast<std::size_t>(y * kSize + x)];
            ASSERT_LE(c, 1) << "drawn twice at " << x << "," << y;
            if (x >= 17 && x <= 82 && y >= 17 && y <= 82) {
                ASSERT_EQ(c, 1) << "gap at " << x << "," << y;
            }
        }
    }
}

TEST(RasterCoverage, PieSlicesAroundOneCornerMeetWithoutCracks) {
    // Thin slices meeting at a centre on a pixel corner: every edge direction occurs.
    constexpr int kSlices = 36;
    MeshData mesh;
    const D3DVECTOR centre{0.0F, 0.0F, 1.0F};
    for (int k = 0; k < kSlices; ++k) {
        const float a0 = 6.2831853F * static_cast<float>(k) / kSlices;
        const float a1 = 6.2831853F * static_cast<float>(k + 1) / kSlices;
        // Clockwise as seen: decreasing angle with +y up.
        AddFace(mesh,
                {centre,
                 {0.4F * std::cos(a1), 0.4F * std::sin(a1), 1.0F},
                 {0.4F * std::cos(a0), 0.4F * std::sin(a0), 1.0F}},
                kRed);
    }
    const std::vector<int> counts = CoverageCounts(mesh);
    int covered = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int c = counts[static_cast<std::size_t>(y * kSize + x)];
            ASSERT_LE(c, 1) << x << "," << y;
            covered += c;
            const double dx = x + 0.5 - 50.0;
            const double dy = y + 0.5 - 50.0;
            if (std::sqrt(dx * dx + dy * dy) < 38.0) {
                ASSERT_EQ(c, 1) << "crack at " << x << "," << y;
            }
        }
    }
    // Area of the 36-gon of radius 40.
    const double area = 0.5 * kSlices * 40.0 * 40.0 * std::sin(6.2831853 / kSlices);
    EXPECT_NEAR(covered, area, 0.02 * area);
}

TEST(RasterCoverage, PolygonWithManyCornersIsFilledAsOneFace) {
    MeshData mesh;
    FaceRecord face;
    face.cornerCount = face.cornerCapacity = 64;
    face.color = kRed;
    for (int k = 0; k < 64; ++k) {
        const float a = -6.2831853F * static_cast<float>(k) / 64.0F;  // clockwise as seen
        mesh.positions.push_back({0.3F * std::cos(a), 0.3F * std::sin(a), 1.0F});
        mesh.corners.push_back({static_cast<std::uint32_t>(k), kNoNormal});
    }
    mesh.faces.push_back(face);
    Renderer r(kSize, kSize, 1);
    r.SetCountFragments(true);
    const auto px = DrawUnlit(r, mesh);
    const double area = 3.14159265 * 30.0 * 30.0;
    EXPECT_NEAR(CountDrawn(px), area, 0.02 * area);
    EXPECT_EQ(r.LastStats().trianglesIn, 62U);
    // Every passing fragment is a distinct pixel: the fan's triangles never overlap.
    EXPECT_EQ(r.LastStats().fragmentsPassed, static_cast<std::uint64_t>(CountDrawn(px)));
}

TEST(RasterCoverage, DegenerateFacesDrawNothing) {
    MeshData mesh;
    AddFace(mesh, {{0, 0, 5}, {1, 1, 5}}, kRed);                               // two corners
    AddFace(mesh, {{-1, -1, 5}, {0, 0, 5}, {1, 1, 5}}, kRed);                  // collinear
    AddFace(mesh, {{0.2F, 0.2F, 5}, {0.2F, 0.2F, 5}, {0.2F, 0.2F, 5}}, kRed);  // one point
    AddFace(mesh, {{0, 0, 5}, {0.0001F, 0, 5}, {0, -0.0001F, 5}}, kRed);       // below a sample
    AddFace(mesh, {}, kRed);
    Renderer r(kSize, kSize, 1);
    const auto px = DrawUnlit(r, mesh);
    EXPECT_EQ(CountDrawn(px), 0);
}

TEST(RasterDepth, NearerFaceWinsWhicheverIsDrawnFirst) {
    for (const bool nearFirst : {true, false}) {
        MeshData mesh;
        if (nearFirst) {
            AddSquare(mesh, 1.0F, 10.0F, kRed);
            AddSquare(mesh, 4.0F, 20.0F, kGreen);
        } else {
            AddSquare(mesh, 4.0F, 20.0F, kGreen);
            AddSquare(mesh, 1.0F, 10.0F, kRed);
        }
        Renderer r(kSize, kSize, 2);
        const auto px = DrawUnlit(r, mesh);
        EXPECT_EQ(At(px, 50, 50), kRed);
        EXPECT_EQ(At(px, 35, 50), kGreen);  // the far square spans 30..70
        EXPECT_EQ(At(px, 29, 50), kBackground);
    }
}

TEST(RasterDepth, EqualDepthKeepsTheFirstFace) {
    MeshData mesh;
    AddSquare(mesh, 1.0F, 10.0F, kRed);
    AddSquare(mesh, 1.0F, 10.0F, kGreen);
    Renderer r(kSize, kSize, 1);
    r.SetCountFragments(true);
    const auto px = DrawUnlit(r, mesh);
    EXPECT_EQ(At(px, 50, 50), kRed);
    EXPECT_EQ(r.LastStats().fragmentsPassed, 400U);
}

TEST(RasterDepth, InterpenetratingFacesSplitAlongTheirIntersection) {
    // Two faces crossing at x = 0: left of it the red one is nearer, right of it the green.
    MeshData mesh;
    AddFace(mesh, {{-1, 1, 9}, {1, 1, 11}, {1, -1, 11}, {-1, -1, 9}}, kRed);
    AddFace(mesh, {{-1, 1, 11}, {1, 1, 9}, {1, -1, 9}, {-1, -1, 11}}, kGreen);
    Renderer r(kSize, kSize, 1);
    const auto px = DrawUnlit(r, mesh);
    EXPECT_EQ(At(px, 45, 50), kRed);
    EXPECT_EQ(At(px, 55, 50), kGreen);
}

}  // namespace
}  // namespace rm
