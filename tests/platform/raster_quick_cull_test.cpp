// Faces that draw nothing are passed over from their corners' projections alone, before
// their corners are gathered. Plain faces (positions alone) of every shape, flat or bent,
// convex or not, inside the view, across its edges, through the near plane or behind the
// eye, must draw and count exactly as the same faces with corners of their own.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/platform/raster_test_support.h"
#include "tests/support/xorshift.h"

namespace {

using namespace rm;
using namespace rm::rastertest;

constexpr int kSide = 128;

struct TwoMeshes {
    MeshData plain;  // corners as positions alone, positions shared between faces
    MeshData own;    // the same faces, each corner its own
};

// Groups of six faces on ten shared points each, as a file's point blocks and their
// polygons are: a block of faces then uses a compact range of positions.
TwoMeshes RandomFaces(std::uint64_t seed, int groups) {
    tarno_test::XorShift next(seed);
    const auto unit = [&] { return static_cast<float>(next() % 20001) / 10000.0F - 1.0F; };
    constexpr std::uint32_t kPoints = 10;
    TwoMeshes m;
    for (int g = 0; g < groups; ++g) {
        const float z = 4.0F + 4.5F * unit();  // from behind the eye to well past the near plane
        const D3DVECTOR centre{0.8F * z * unit(), 0.8F * z * unit(), z};
        const float size = 0.05F + 0.6F * (unit() + 1.0F);
        const auto base = static_cast<std::uint32_t>(m.plain.positions.size());
        for (std::uint32_t k = 0; k < kPoints; ++k) {
            m.plain.positions.push_back({centre.x + size * unit(), centre.y + size * unit(),
                                         centre.z + 0.3F * size * unit()});
        }
        for (int f = 0; f < 6; ++f) {
            const auto count = static_cast<std::uint32_t>(3 + next() % 8);
            FaceRecord plainFace;
            plainFace.plain = 1;
            plainFace.firstCorner = static_cast<std::uint32_t>(m.plain.plainCorners.size());
            plainFace.cornerCount = count;
            plainFace.cornerCapacity = count;
            plainFace.color = 0xFF000000U | static_cast<D3DCOLOR>(next() & 0xFFFFFFU);
            FaceRecord ownFace = plainFace;
            ownFace.plain = 0;
            ownFace.firstCorner = static_cast<std::uint32_t>(m.own.corners.size());
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint32_t p = base + static_cast<std::uint32_t>(next() % kPoints);
                m.plain.plainCorners.push_back(p);
                Corner c;
                c.position = static_cast<std::uint32_t>(m.own.positions.size());
                m.own.positions.push_back(m.plain.positions[p]);
                m.own.corners.push_back(c);
            }
            m.plain.faces.push_back(plainFace);
            m.own.faces.push_back(ownFace);
        }
    }
    return m;
}

TEST(RasterQuickCull, PlainFacesDrawAndCountAsFacesWithCornersOfTheirOwn) {
    const TwoMeshes m = RandomFaces(0x5851F42D4C957F2DULL, 2000);
    for (const bool antialias : {false, true}) {
        for (const unsigned threads : {1U, 3U}) {
            const MeshInstance plain = Instance(m.plain);
            const MeshInstance own = Instance(m.own);
            Renderer a(kSide, kSide, threads);
            Renderer b(kSide, kSide, threads);
            a.SetAntialias(antialias);
            b.SetAntialias(antialias);
            const std::vector<D3DCOLOR> fromPlain = Draw(a, MakeJob({&plain, 1}, kSide));
            const std::vector<D3DCOLOR> fromOwn = Draw(b, MakeJob({&own, 1}, kSide));
            EXPECT_TRUE(fromPlain == fromOwn) << "aa " << antialias << ", threads " << threads;
            EXPECT_EQ(a.LastStats().trianglesIn, b.LastStats().trianglesIn);
            EXPECT_EQ(a.LastStats().trianglesDrawn, b.LastStats().trianglesDrawn);
            EXPECT_GT(CountDrawn(fromPlain), kSide * kSide / 2);
        }
    }
}

}  // namespace
