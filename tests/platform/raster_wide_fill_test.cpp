// The fill in groups of eight (a worker's pixel block, on processors that have it) must
// leave exactly what the groups of four leave in an ordinary buffer: the same colours,
// depths and passed counts, for ties and the nearest float in front, Gouraud colours past
// the channel limits, slivers, faces whose bounds fall on and beside group boundaries,
// faces reaching far out into the guard band, scissors at odd columns, tiles cut by the
// buffer's edge, and the block-tested fill on top of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/block_bounds.h"
#include "platform/raster/pixel_tile.h"
#include "platform/raster/primitive_setup.h"
#include "platform/raster/tile_raster.h"
#include "platform/raster/tile_raster_wide.h"
#include "tests/platform/raster_tile_buffers.h"

namespace rm::raster {
namespace {

constexpr D3DCOLOR kClear = 0xFF203040U;

// One tile of a buffer drawn twice: in groups of four straight into the buffer (rows of
// `width` pixels, never one tile long) and in groups of eight in a pixel block.
class WidePair {
public:
    WidePair(int width, int height, const PixelRect& tile, const PixelRect& scissor)
        : m_rng(7), m_buffer(width, height, m_rng, true), m_tile(tile), m_scissor(scissor) {
        for (int y = tile.y0; y <= tile.y1; ++y) {
            for (int x = tile.x0; x <= tile.x1; ++x) {
                m_buffer.color[static_cast<std::size_t>(y * m_buffer.width + x)] = kClear;
            }
        }
        m_start = m_buffer;
        m_block.Clear(tile, kClear);
        m_bounds.Start();
        m_blockBounds.Start();
    }

    [[nodiscard]] TileTarget Narrow() { return m_buffer.Target(m_tile, m_scissor); }
    [[nodiscard]] TileTarget Wide() { return m_block.Target(m_scissor); }

    // Draws with the plain fill into both; returns the count (checked equal).
    std::uint64_t Draw(const TriangleSetup& tri, const ColorPlanes* cp) {
        const std::uint64_t want = DrawTriangle(Narrow(), tri, cp);
        EXPECT_EQ(DrawTriangle(Wide(), tri, cp), want);
        return want;
    }
    // The same through block bounds on both sides.
    std::uint64_t DrawTested(const TriangleSetup& tri, const ColorPlanes* cp) {
        const std::uint64_t want = m_bounds.DrawTriangle(Narrow(), tri, cp);
        EXPECT_EQ(m_blockBounds.DrawTriangle(Wide(), tri, cp), want);
        return want;
    }

    // Plainly into the buffer, through block bounds into the pixel block.
    std::uint64_t DrawTestedAgainstPlain(const TriangleSetup& tri, const ColorPlanes* cp) {
        const std::uint64_t want = DrawTriangle(Narrow(), tri, cp);
        EXPECT_EQ(m_blockBounds.DrawTriangle(Wide(), tri, cp), want);
        return want;
    }

    // Writes the block back to a copy of the buffer as it started: both must then be the
    // same everywhere.
    void ExpectSame() {
        m_block.Store(m_start.Target(m_tile, m_scissor));
        EXPECT_EQ(m_start.color, m_buffer.color);
        EXPECT_EQ(m_start.depth, m_buffer.depth);
    }

    std::mt19937& Rng() { return m_rng; }

private:
    std::mt19937 m_rng;
    TileBuffers m_buffer;
    TileBuffers m_start{m_buffer};  // the buffer before drawing
    PixelTile m_block;
    BlockBounds m_bounds;
    BlockBounds m_blockBounds;
    PixelRect m_tile;
    PixelRect m_scissor;
};

ScreenVertex At(double x, double y, float depth, float r, float g, float b) {
    return {static_cast<std::int32_t>(std::lround(x * kSubScale)),
            static_cast<std::int32_t>(std::lround(y * kSubScale)),
            depth,
            r,
            g,
            b};
}

bool Prepare(ScreenVertex v0, ScreenVertex v1, ScreenVertex v2, const PixelRect& scissor,
             D3DCOLOR color, bool gouraud, TriangleSetup& tri, ColorPlanes& planes) {
    if (SignedArea(v0, v1, v2) < 0) {
        std::swap(v1, v2);
    }
    return SetupTriangle(v0, v1, v2, scissor, color, gouraud, false, tri, planes);
}

class RasterWideFill : public ::testing::Test {
protected:
    void SetUp() override {
        if (!WideFillSupported()) {
            GTEST_SKIP() << "no eight-pixel fill on this processor";
        }
    }
};

TEST_F(RasterWideFill, RandomFacesOfEverySizeMatchGroupsOfFour) {
    // A whole tile, a tile cut by the buffer's right and bottom edges (150 = 2 * 64 + 22,
    // 90 = 64 + 26), and scissors at odd columns.
    struct Case {
        int w, h;
        PixelRect tile, scissor;
    };
    const Case cases[] = {{192, 128, {64, 64, 127, 127}, {0, 0, 191, 127}},
                          {150, 90, {128, 64, 149, 89}, {0, 0, 149, 89}},
                          {192, 128, {64, 0, 127, 63}, {69, 3, 122, 58}},
                          {150, 90, {128, 0, 149, 63}, {131, 1, 146, 63}}};
    for (const Case& c : cases) {
        WidePair pair(c.w, c.h, c.tile, c.scissor);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::uint64_t passed = 0;
        for (int i = 0; i < 600; ++i) {
            std::mt19937& rng = pair.Rng();
            const double cx = c.tile.x0 - 10 + unit(rng) * (c.tile.x1 - c.tile.x0 + 20);
            const double cy = c.tile.y0 - 10 + unit(rng) * (c.tile.y1 - c.tile.y0 + 20);
            // Mostly small, some slivers a pixel thin, some far bigger than the tile.
            const double s = i % 7 == 0 ? 300.0 : 1.0 + 50.0 * unit(rng) * unit(rng);
            const double thin = i % 5 == 1 ? 0.05 : 1.0;
            // Few depth levels: ties between faces are common.
            const float level = 0.25F * static_cast<float>(1 + (i / 3) % 3);
            const float tilt = i % 2 == 0 ? 0.0F : static_cast<float>(0.004 * (unit(rng) - 0.5));
            ScreenVertex v[3];
            for (ScreenVertex& p : v) {
                const double dx = s * (unit(rng) - 0.5);
                const double dy = s * thin * (unit(rng) - 0.5);
                // Channels past 0 and 255, so the clamps and roundings all take part.
                p = At(cx + dx, cy + dy, level + tilt * static_cast<float>(dx),
                       static_cast<float>(-60.0 + 380.0 * unit(rng)),
                       static_cast<float>(-60.0 + 380.0 * unit(rng)),
                       static_cast<float>(255.0 * unit(rng)));
            }
            const bool gouraud = i % 3 == 1;
            TriangleSetup tri{};
            ColorPlanes planes{};
            if (!Prepare(v[0], v[1], v[2], c.scissor,
                         0xFF000000U | (static_cast<D3DCOLOR>(i) * 7919U), gouraud, tri, planes)) {
                continue;
            }
            passed += pair.Draw(tri, gouraud ? &planes : nullptr);
        }
        EXPECT_GT(passed, 500U);
        pair.ExpectSame();
    }
}

TEST_F(RasterWideFill, TiesFailAndTheNextNearerFloatPasses) {
    const PixelRect tile{0, 64, 63, 127};
    WidePair pair(100, 128, tile, {0, 0, 99, 127});
    TriangleSetup tri{};
    ColorPlanes planes{};
    const auto quad = [&](double x0, double y0, double x1, double y1, float z, D3DCOLOR color) {
        std::uint64_t passed = 0;
        const auto v = [&](double x, double y) { return At(x, y, z, 0, 0, 0); };
        if (Prepare(v(x0, y0), v(x1, y0), v(x1, y1), tile, color, false, tri, planes)) {
            passed += pair.Draw(tri, nullptr);
        }
        if (Prepare(v(x0, y0), v(x1, y1), v(x0, y1), tile, color, false, tri, planes)) {
            passed += pair.Draw(tri, nullptr);
        }
        return passed;
    };
    // Columns 3..60: starts and ends inside groups of eight and of four.
    EXPECT_EQ(quad(3, 70, 61, 90, 0.5F, 0xFF0000FFU), 58U * 20U);
    EXPECT_EQ(quad(3, 70, 61, 90, 0.5F, 0xFF00FF00U), 0U);
    EXPECT_EQ(quad(8, 72, 16, 80, std::nextafter(0.5F, 0.0F), 0xFFFF0000U), 8U * 8U);
    EXPECT_EQ(quad(-5, 60, 70, 130, 0.75F, 0xFFFFFFFFU), 64U * 64U - 58U * 20U);
    pair.ExpectSame();
}

TEST_F(RasterWideFill, FacesFarIntoTheGuardBand) {
    // Corners thousands of pixels away: the edge values along a tile row are large, and
    // a thin wedge through the tile must cover the same pixels.
    const PixelRect tile{64, 0, 127, 63};
    WidePair pair(192, 64, tile, {0, 0, 191, 63});
    TriangleSetup tri{};
    ColorPlanes planes{};
    std::uint64_t passed = 0;
    const double far = kGuardBand - 10.0;
    const ScreenVertex wedges[][3] = {
        {At(-far, 10.3, 0.4F, 0, 0, 0), At(far, 30.7, 0.4F, 0, 0, 0), At(far, 33.1, 0.4F, 0, 0, 0)},
        {At(90.4, -far, 0.3F, 300, -20, 90), At(95.6, far, 0.2F, -40, 280, 10),
         At(101.2, far, 0.25F, 100, 100, 100)},
        {At(-far, -far, 0.6F, 0, 0, 0), At(far, -far + 1.0, 0.6F, 0, 0, 0),
         At(0.0, far, 0.1F, 0, 0, 0)}};
    for (int i = 0; i < 3; ++i) {
        if (Prepare(wedges[i][0], wedges[i][1], wedges[i][2], tile, 0xFF112233U * (i + 1), i == 1,
                    tri, planes)) {
            passed += pair.Draw(tri, i == 1 ? &planes : nullptr);
        }
    }
    EXPECT_GT(passed, 64U * 64U / 2);
    pair.ExpectSame();
}

TEST_F(RasterWideFill, BlockTestedFacesMatchInBothFills) {
    const PixelRect tile{64, 64, 127, 127};
    WidePair pair(160, 160, tile, {66, 65, 124, 127});
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uint64_t passed = 0;
    int hidden = 0;
    for (int i = 0; i < 800; ++i) {
        std::mt19937& rng = pair.Rng();
        const double cx = 60 + unit(rng) * 72;
        const double cy = 60 + unit(rng) * 72;
        const double s = 16.0 + 60.0 * unit(rng);
        const float level = 0.2F + 0.2F * static_cast<float>(i % 4);
        ScreenVertex v[3];
        for (ScreenVertex& p : v) {
            p = At(cx + s * (unit(rng) - 0.5), cy + s * (unit(rng) - 0.5), level,
                   static_cast<float>(255.0 * unit(rng)), 20.0F, 200.0F);
        }
        const bool gouraud = i % 4 == 3;
        TriangleSetup tri{};
        ColorPlanes planes{};
        if (!Prepare(v[0], v[1], v[2], {66, 65, 124, 127},
                     0xFF000000U | (static_cast<D3DCOLOR>(i) * 104729U), gouraud, tri, planes)) {
            continue;
        }
        const std::uint64_t got = pair.DrawTested(tri, gouraud ? &planes : nullptr);
        passed += got;
        hidden += got == 0 ? 1 : 0;
    }
    EXPECT_GT(passed, 1000U);
    EXPECT_GT(hidden, 100);
    pair.ExpectSame();
}

// Small faces lying in the plane of what is drawn already, a few floats in front of it or
// behind, on steep planes and at depths far from 0..1: the hidden-region test before the
// fill must skip only faces the plain fill would not change a pixel of.
TEST_F(RasterWideFill, FacesAFewFloatsFromTheBoundsDrawAsThePlainFill) {
    const PixelRect tile{64, 64, 127, 127};
    const PixelRect scissor{0, 0, 191, 191};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    struct Plane {
        float z, tiltX, tiltY;
    };
    const Plane planes[] = {{0.5F, 0.0F, 0.0F},         {0.5F, 3e-3F, -2e-3F},
                            {0.25F, -7e-3F, 5e-3F},     {4.0e3F, 12.5F, -31.0F},
                            {-2.0e5F, -700.0F, 300.0F}, {3.0e37F, 1.0e36F, -1.0e35F},
                            {-3.0e38F, -1.0e35F, 2.0e35F}};
    for (const Plane& plane : planes) {
        WidePair pair(192, 192, tile, scissor);
        const auto depth = [&](double x, double y) {
            return plane.z + plane.tiltX * static_cast<float>(x - 96.0) +
                   plane.tiltY * static_cast<float>(y - 96.0);
        };
        const auto vertex = [&](double x, double y, float z) { return At(x, y, z, 0, 0, 0); };
        TriangleSetup tri{};
        ColorPlanes shade{};
        // The plane over the whole tile, through the block tests, so every block gets a
        // bound from it.
        const double lo = 40.0;
        const double hi = 150.0;
        std::uint64_t passed = 0;
        if (Prepare(vertex(lo, lo, depth(lo, lo)), vertex(hi, lo, depth(hi, lo)),
                    vertex(hi, hi, depth(hi, hi)), scissor, 0xFF0000FFU, false, tri, shade)) {
            passed += pair.DrawTestedAgainstPlain(tri, nullptr);
        }
        if (Prepare(vertex(lo, lo, depth(lo, lo)), vertex(hi, hi, depth(hi, hi)),
                    vertex(lo, hi, depth(lo, hi)), scissor, 0xFF0000FFU, false, tri, shade)) {
            passed += pair.DrawTestedAgainstPlain(tri, nullptr);
        }
        EXPECT_EQ(passed, 64U * 64U) << plane.z;
        int shown = 0;
        int hidden = 0;
        for (int i = 0; i < 400; ++i) {
            std::mt19937& rng = pair.Rng();
            const double cx = 60.0 + unit(rng) * 72.0;
            const double cy = 60.0 + unit(rng) * 72.0;
            const double s = 2.0 + 20.0 * unit(rng);
            // Each corner on the plane, moved a few floats nearer or farther.
            const int shift = static_cast<int>(unit(rng) * 9.0) - 4;
            ScreenVertex v[3];
            for (ScreenVertex& p : v) {
                const double x = cx + s * (unit(rng) - 0.5);
                const double y = cy + s * (unit(rng) - 0.5);
                float z = depth(x, y);
                for (int k = 0; k < (shift < 0 ? -shift : shift); ++k) {
                    z = std::nextafter(z, shift < 0 ? -INFINITY : INFINITY);
                }
                p = vertex(x, y, z);
            }
            if (!Prepare(v[0], v[1], v[2], scissor,
                         0xFF000000U | (static_cast<D3DCOLOR>(i) * 7919U), false, tri, shade)) {
                continue;
            }
            const std::uint64_t got = pair.DrawTestedAgainstPlain(tri, nullptr);
            (got != 0 ? shown : hidden) += 1;
        }
        // Both kinds occur, so the test sits right at the bounds.
        EXPECT_GT(shown, 20) << plane.z;
        EXPECT_GT(hidden, 20) << plane.z;
        pair.ExpectSame();
    }
}

}  // namespace
}  // namespace rm::raster
