#include "doc/polygon_normal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "doc/load_tables.h"
#include "platform/core/vector_math.h"
#include "platform/rm/root.h"

namespace {

// The facing test must agree with the normal the platform gives a face of the same points.
class PolygonNormal : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rm::Succeeded(rm::Direct3DRMCreate(m_root))); }

    void Compare(const std::vector<doc::TablePoint>& points) {
        doc::LoadTables& t = doc::Tables();
        rm::Face scratch;
        ASSERT_TRUE(rm::Succeeded(m_root->CreateFace(scratch)));
        for (std::size_t i = 0; i < points.size(); ++i) {
            t.pointTable[i] = points[i];
            t.polygonIndexList[i] = static_cast<std::int32_t>(i);
            ASSERT_TRUE(rm::Succeeded(scratch.AddVertex(static_cast<float>(points[i].x),
                                                        static_cast<float>(points[i].y),
                                                        static_cast<float>(points[i].z))));
        }
        rm::D3DVECTOR expected;
        (void)scratch.GetNormal(expected);
        const rm::D3DVECTOR got = doc::PolygonNormal(t, static_cast<int>(points.size()));
        EXPECT_NEAR(got.x, expected.x, 1e-6F);
        EXPECT_NEAR(got.y, expected.y, 1e-6F);
        EXPECT_NEAR(got.z, expected.z, 1e-6F);
    }

    rm::RootPtr m_root;
};

TEST_F(PolygonNormal, AgreesWithThePlatformOnRandomPolygons) {
    std::uint64_t state = 88172645463325252ULL;
    auto next = [&state](std::int64_t range) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<std::int32_t>(
            static_cast<std::int64_t>(state % static_cast<std::uint64_t>(2 * range + 1)) - range);
    };
    for (int round = 0; round < 500; ++round) {
        const int n = 3 + round % 6;
        const std::int64_t range = round % 3 == 0 ? 10 : (round % 3 == 1 ? 1000 : 2000000000);
        std::vector<doc::TablePoint> points;
        for (int k = 0; k < n; ++k) points.push_back({next(range), next(range), next(range)});
        Compare(points);
    }
}

TEST_F(PolygonNormal, AgreesOnPolygonsWithoutDirection) {
    Compare({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    Compare({{5, 5, 5}, {5, 5, 5}, {5, 5, 5}});
    Compare({{0, 0, 0}, {100000, 0, 0}, {200000, 1, 0}});
    Compare({{-1, -1, -1}, {-1, -1, -1}, {0, 0, 0}, {0, 0, 0}});
}

TEST_F(PolygonNormal, PointsOutOfTheClockwiseSide) {
    // Seen from -z (x right, y up) 0,0 -> 0,10 -> 10,0 turns clockwise: the front is -z.
    doc::LoadTables& t = doc::Tables();
    t.pointTable[0] = {0, 0, 5};
    t.pointTable[1] = {0, 10, 5};
    t.pointTable[2] = {10, 0, 5};
    t.polygonIndexList[0] = 0;
    t.polygonIndexList[1] = 1;
    t.polygonIndexList[2] = 2;
    const rm::D3DVECTOR n = doc::PolygonNormal(t, 3);
    EXPECT_NEAR(n.z, -1.0F, 1e-6F);
}

}  // namespace
