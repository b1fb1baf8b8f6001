// A triangle's record packs its corners and its two flags into the same words: neither may
// disturb the other, at any corner the guard band allows.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "platform/raster/primitive_setup.h"

namespace rm::raster {
namespace {

constexpr std::int32_t kLow = -static_cast<std::int32_t>(kGuardBand) * kSubScale;
constexpr std::int32_t kHigh = (kMaxDimension + static_cast<std::int32_t>(kGuardBand)) * kSubScale;

TEST(RasterTriangleRecord, FlagsAndCornersKeepEachOtherWholeAcrossTheGuardBand) {
    std::mt19937 rng(20261208U);
    std::uniform_int_distribution<std::int32_t> any(kLow, kHigh);
    const std::int32_t edges[] = {kLow, kLow + 1, -1, 0, 1, kHigh - 1, kHigh};
    for (int n = 0; n < 4000; ++n) {
        std::int32_t x[3];
        std::int32_t y[3];
        for (int k = 0; k < 3; ++k) {
            // Every other triangle takes its corners from the band's ends and zero.
            x[k] = n % 2 == 0 ? any(rng) : edges[(n / 2 + 3 * k) % 7];
            y[k] = n % 2 == 0 ? any(rng) : edges[(n / 2 + 5 * k + 1) % 7];
        }
        TriangleSetup plain{};
        plain.SetCorners(x, y);
        ASSERT_EQ(plain.Flags(), 0U);
        for (std::uint32_t flags = 0; flags < 4; ++flags) {
            SCOPED_TRACE(::testing::Message() << "triangle " << n << " flags " << flags);
            TriangleSetup tri{};
            tri.SetCorners(x, y);
            tri.SetFlags(flags);
            ASSERT_EQ(tri.Flags(), flags);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(tri.Fx(k), x[k]);
                ASSERT_EQ(tri.Fy(k), y[k]);
                const EdgeFunction e = tri.Edge(k);
                const EdgeFunction want = plain.Edge(k);
                ASSERT_EQ(e.a, want.a);
                ASSERT_EQ(e.b, want.b);
                ASSERT_EQ(e.c, want.c);
            }
            // Flags set again replace the old ones; new corners clear them.
            tri.SetFlags(flags ^ 3U);
            ASSERT_EQ(tri.Flags(), flags ^ 3U);
            ASSERT_EQ(tri.Fx(2), x[2]);
            ASSERT_EQ(tri.Fy(2), y[2]);
            tri.SetCorners(y, x);
            ASSERT_EQ(tri.Flags(), 0U);
            ASSERT_EQ(tri.Fx(0), y[0]);
            ASSERT_EQ(tri.Fy(1), x[1]);
        }
    }
}

TEST(RasterTriangleRecord, SetUpMarksCutColumnsAndGouraudAndKeepsTheFlatColour) {
    const ScreenVertex v0{0, 0, -0.5F, 10, 20, 30};
    const ScreenVertex v1{40 * kSubScale, 0, -0.5F, 10, 20, 30};
    const ScreenVertex v2{0, 30 * kSubScale, -0.25F, 10, 20, 30};
    struct Case {
        PixelRect scissor;
        bool gouraud;
        std::uint32_t flags;
    };
    const Case cases[] = {
        {{0, 0, 63, 63}, false, 0U},
        {{0, 0, 63, 63}, true, kPrimGouraud},
        {{0, 0, 20, 63}, false, kPrimCutX},                // right columns cut
        {{5, 0, 63, 63}, true, kPrimCutX | kPrimGouraud},  // left columns cut
        {{0, 5, 63, 20}, false, 0U},  // rows cut: the edges still bound the columns
    };
    for (const Case& c : cases) {
        TriangleSetup tri{};
        ColorPlanes planes{};
        ASSERT_TRUE(SetupTriangle(v0, v1, v2, c.scissor, 0x123456U, c.gouraud, false, tri, planes));
        EXPECT_EQ(tri.Flags(), c.flags);
        EXPECT_EQ(tri.color, 0xFF123456U);
        EXPECT_EQ(tri.Fx(1), 40 * kSubScale);
        EXPECT_EQ(tri.Fy(2), 30 * kSubScale);
        tri.SetShade(77U);
        EXPECT_EQ(tri.Shade(), 77U);
        EXPECT_EQ(tri.Flags(), c.flags);
    }
}

}  // namespace
}  // namespace rm::raster
