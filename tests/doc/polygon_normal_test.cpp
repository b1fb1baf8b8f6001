#include "doc/polygon_normal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "doc/load_tables.h"
#include "platform/core/vector_math.h"
#include "platform/rm/root.h"
#include "tests/support/xorshift.h"

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

// The normal worked out edge by edge in two passes over the points, the largest
// coordinate first: the loader's single pass must give the same bits.
rm::D3DVECTOR TwoPassNormal(const std::vector<doc::TablePoint>& points) {
    const auto at = [&](std::size_t k) {
        return rm::D3DVECTOR{static_cast<float>(points[k].x), static_cast<float>(points[k].y),
                             static_cast<float>(points[k].z)};
    };
    const std::size_t n = points.size();
    const rm::D3DVECTOR o = at(0);
    double largest = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const rm::D3DVECTOR p = at(k);
        largest =
            std::max({largest, std::abs(static_cast<double>(p.x)),
                      std::abs(static_cast<double>(p.y)), std::abs(static_cast<double>(p.z))});
    }
    double nx = 0.0, ny = 0.0, nz = 0.0, taxicab = 0.0, perimeter = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const rm::D3DVECTOR a = at(k);
        const rm::D3DVECTOR b = k + 1 < n ? at(k + 1) : o;
        const double ax = static_cast<double>(a.x) - o.x, ay = static_cast<double>(a.y) - o.y,
                     az = static_cast<double>(a.z) - o.z;
        const double bx = static_cast<double>(b.x) - o.x, by = static_cast<double>(b.y) - o.y,
                     bz = static_cast<double>(b.z) - o.z;
        nx += (ay - by) * (az + bz);
        ny += (az - bz) * (ax + bx);
        nz += (ax - bx) * (ay + by);
        taxicab += std::abs(ax - bx) + std::abs(ay - by) + std::abs(az - bz);
        perimeter +=
            std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by) + (az - bz) * (az - bz));
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!std::isfinite(length) || length < 1e-30) return {};
    if (length <= taxicab * largest * rm::kFloatRounding &&
        length <= perimeter * largest * rm::kFloatRounding) {
        return {};
    }
    const double inverse = 1.0 / length;
    return {static_cast<float>(nx * inverse), static_cast<float>(ny * inverse),
            static_cast<float>(nz * inverse)};
}

TEST_F(PolygonNormal, AgreesWithThePlatformOnRandomPolygons) {
    tarno_test::XorShift random(88172645463325252ULL);
    auto next = [&random](std::int64_t range) {
        return static_cast<std::int32_t>(
            static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(2 * range + 1)) -
            range);
    };
    for (int round = 0; round < 500; ++round) {
        const int n = 3 + round % 6;
        const std::int64_t range = round % 3 == 0 ? 10 : (round % 3 == 1 ? 1000 : 2000000000);
        std::vector<doc::TablePoint> points;
        for (int k = 0; k < n; ++k) points.push_back({next(range), next(range), next(range)});
        Compare(points);
    }
}

// A polygon of 3 to 42 points: each axis its own spread and place (a polygon far out along
// one axis has the least direction its float coordinates can hold), with repeated points
// and points on or near the line through the first two.
std::vector<doc::TablePoint> RandomPolygon(tarno_test::XorShift& next, int round) {
    const int n = 3 + static_cast<int>(next() % (round % 10 == 0 ? 40 : 5));
    const std::int64_t ranges[] = {3, 1000, 20000000, 2147483647};
    const std::int64_t offsets[] = {0, 0, 2000000000, -2000000000};
    std::int64_t range[3];
    std::int64_t offset[3];
    for (int axis = 0; axis < 3; ++axis) {
        range[axis] = ranges[next() % 4];
        offset[axis] = range[axis] > 20000000 ? 0 : offsets[next() % 4];
    }
    std::vector<doc::TablePoint> points;
    for (int k = 0; k < n; ++k) {
        const auto value = [&](int axis) {
            const auto spread = static_cast<std::uint64_t>(2 * range[axis] + 1);
            return static_cast<std::int32_t>(offset[axis] +
                                             static_cast<std::int64_t>(next() % spread) -
                                             range[axis]);
        };
        if (k > 0 && next() % 4 == 0) {
            points.push_back(points[next() % points.size()]);  // a repeat
        } else if (k > 1 && next() % 4 == 0) {
            // On (or near) the line through the first two: little or no direction.
            const doc::TablePoint& a = points[0];
            const doc::TablePoint& b = points[1];
            const std::int64_t step = static_cast<std::int64_t>(next() % 5) - 2;
            const auto along = [step](std::int64_t from, std::int64_t to) {
                return static_cast<std::int32_t>(from + step * (to - from) / 4);
            };
            points.push_back({along(a.x, b.x), along(a.y, b.y), along(a.z, b.z)});
        } else {
            points.push_back({value(0), value(1), value(2)});
        }
    }
    return points;
}

// Puts the points in the table in another order than the list's.
void List(const std::vector<doc::TablePoint>& points) {
    doc::LoadTables& t = doc::Tables();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::size_t slot = (i * 7 + 11) % doc::kTableSize;
        t.pointTable[slot] = points[i];
        t.polygonIndexList[i] = static_cast<std::int32_t>(slot);
    }
}

rm::D3DVECTOR AsVector(const doc::TablePoint& p) {
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

TEST_F(PolygonNormal, SamePassesSameBits) {
    tarno_test::XorShift next(0x9E3779B97F4A7C15ULL);
    for (int round = 0; round < 20000; ++round) {
        const std::vector<doc::TablePoint> points = RandomPolygon(next, round);
        List(points);
        const rm::D3DVECTOR got = doc::PolygonNormal(doc::Tables(), static_cast<int>(points.size()));
        const rm::D3DVECTOR want = TwoPassNormal(points);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0)
            << "round " << round << ": " << got.x << " " << got.y << " " << got.z << " against "
            << want.x << " " << want.y << " " << want.z;
    }
}

// The orientation test gives what the unit normal's dot product gives, whatever the
// reference: up, a point of the polygon or elsewhere, or one across the normal, where the
// product is zero or nearly so.
TEST_F(PolygonNormal, FacingAgreesWithTheUnitNormal) {
    tarno_test::XorShift next(0xC2B2AE3D27D4EB4FULL);
    const doc::LoadTables& t = doc::Tables();
    int across = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<doc::TablePoint> points = RandomPolygon(next, round);
        if (round % 5 == 0) {
            for (doc::TablePoint& p : points) p.z = 7;  // flat: up and level references lie across
        }
        List(points);
        const int n = static_cast<int>(points.size());
        const rm::D3DVECTOR normal = doc::PolygonNormal(t, n);
        const auto random = [&] {
            return static_cast<float>(static_cast<std::int64_t>(next() % 2001) - 1000);
        };
        const rm::D3DVECTOR references[] = {
            {0.0F, 0.1F, 0.0F},
            AsVector(points[0]),
            AsVector(points[next() % points.size()]),
            {random(), random(), random()},
            {random(), random(), 0.0F},
            // Across the normal, give or take a little.
            {normal.y * 1000.0F, -normal.x * 1000.0F, random() * 1e-6F},
        };
        for (const rm::D3DVECTOR& r : references) {
            const float product = rm::D3DRMVectorDotProduct(normal, r);
            across += std::abs(product) < 1e-3F ? 1 : 0;
            ASSERT_EQ(doc::PolygonFacesAlong(t, n, r), product >= 0.0F)
                << "round " << round << ": product " << product;
        }
    }
    EXPECT_GT(across, 1000);  // the cases near zero did come up
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
