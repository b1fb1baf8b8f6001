#include "platform/raster/block_bounds.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "platform/raster/edge_walk.h"

namespace rm::raster {

namespace {

// The fill's depth at a pixel is three float operations from the exact plane, so within
// 2^-22 of the sum of the terms' magnitudes; the margin is four times that.
constexpr double kMargin = 1.0 / static_cast<double>(1 << 20);
// Regions of at most this many pixels are drawn without tests.
constexpr int kPlainArea = 200;

// A sample position (1/16 pixel) of a pixel centre.
constexpr std::int64_t Centre(int pixel) {
    return std::int64_t{pixel} * kSubScale + kSubScale / 2;
}

}  // namespace

void BlockBounds::Start() {
    std::fill(std::begin(m_far), std::end(m_far), std::numeric_limits<float>::infinity());
}

std::uint64_t BlockBounds::DrawTriangle(const TileTarget& t, const TriangleSetup& tri,
                                        const ColorPlanes* planes) {
    const PixelRect r = RegionInTile(tri, t.rect);
    if (r.Empty()) {
        return 0;
    }
    if ((r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1) <= kPlainArea) {
        // Too small for the tests to pay: drawn plainly. The bounds stay true, as depth
        // only gets nearer.
        return raster::DrawTriangle(t, tri, planes);
    }
    const int bx0 = (r.x0 - t.tile.x0) >> kBlockShift;
    const int bx1 = (r.x1 - t.tile.x0) >> kBlockShift;
    const int by0 = (r.y0 - t.tile.y0) >> kBlockShift;
    const int by1 = (r.y1 - t.tile.y0) >> kBlockShift;
    const double zdx = tri.zdx;
    const double zdy = tri.zdy;
    // Not a number or infinite when the plane is: then nothing is skipped for depth.
    const double margin =
        kMargin * (std::fabs(static_cast<double>(tri.z0)) + std::fabs(zdx) * (r.x1 - tri.box.x0) +
                   std::fabs(zdy) * (r.y1 - tri.box.y0));

    // Over the part of the region in each block column (row): the greatest value of each
    // edge function and the least depth, as a column term plus a row term.
    EdgeFunction edges[3];
    for (int k = 0; k < 3; ++k) {
        edges[k] = tri.Edge(k);
    }
    std::int64_t colEdge[3][kBlocks];
    std::int64_t rowEdge[3][kBlocks];
    double colZ[kBlocks];
    double rowZ[kBlocks];
    for (int bx = bx0; bx <= bx1; ++bx) {
        const int xa = std::max(r.x0, t.tile.x0 + bx * kBlockSize);
        const int xb = std::min(r.x1, t.tile.x0 + bx * kBlockSize + kBlockSize - 1);
        for (int k = 0; k < 3; ++k) {
            colEdge[k][bx] = std::int64_t{edges[k].a} * Centre(edges[k].a > 0 ? xb : xa);
        }
        colZ[bx] = std::min(zdx * (xa - tri.box.x0), zdx * (xb - tri.box.x0));
    }
    for (int by = by0; by <= by1; ++by) {
        const int ya = std::max(r.y0, t.tile.y0 + by * kBlockSize);
        const int yb = std::min(r.y1, t.tile.y0 + by * kBlockSize + kBlockSize - 1);
        for (int k = 0; k < 3; ++k) {
            rowEdge[k][by] =
                std::int64_t{edges[k].b} * Centre(edges[k].b > 0 ? yb : ya) + edges[k].c;
        }
        rowZ[by] = tri.z0 + std::min(zdy * (ya - tri.box.y0), zdy * (yb - tri.box.y0));
    }
    // Block rows whose blocks to draw span the same columns are drawn as one rectangle.
    std::uint64_t passed = 0;
    int bandLo = 0;
    int bandHi = -1;
    int bandFrom = by0;
    const auto drawBand = [&](int byLast) {
        if (bandHi < bandLo) {
            return;
        }
        TileTarget band = t;
        band.rect = {std::max(r.x0, t.tile.x0 + bandLo * kBlockSize),
                     std::max(r.y0, t.tile.y0 + bandFrom * kBlockSize),
                     std::min(r.x1, t.tile.x0 + bandHi * kBlockSize + kBlockSize - 1),
                     std::min(r.y1, t.tile.y0 + byLast * kBlockSize + kBlockSize - 1)};
        const std::uint64_t got = raster::DrawTriangle(band, tri, planes, edges);
        if (got != 0) {
            passed += got;
            Refresh(t, bandLo, bandFrom, bandHi, byLast);
        }
    };
    for (int by = by0; by <= by1; ++by) {
        int lo = kBlocks;
        int hi = -1;
        const float* bound = &m_far[by * kBlocks];
        const double nearRow = rowZ[by] - margin;
        for (int bx = bx0; bx <= bx1; ++bx) {
            // The sign of the three values or-ed: negative when any edge misses the block.
            const std::int64_t edgesOr = (colEdge[0][bx] + rowEdge[0][by]) |
                                         (colEdge[1][bx] + rowEdge[1][by]) |
                                         (colEdge[2][bx] + rowEdge[2][by]);
            // Every pixel's depth is at or behind the block's bound: all fail "nearer".
            const bool hidden = nearRow + colZ[bx] >= bound[bx];
            const bool draw = (edgesOr >= 0) & !hidden;
            lo = draw && bx < lo ? bx : lo;
            hi = draw ? bx : hi;
        }
        if (lo != bandLo || hi != bandHi) {
            drawBand(by - 1);
            bandLo = lo;
            bandHi = hi;
            bandFrom = by;
        }
    }
    drawBand(by1);
    return passed;
}

void BlockBounds::Refresh(const TileTarget& t, int bx0, int by0, int bx1, int by1) {
    for (int by = by0; by <= by1; ++by) {
        const int y = t.tile.y0 + by * kBlockSize;
        if (y + kBlockSize - 1 > t.tile.y1) {
            break;  // cut by the buffer's bottom: stays unknown
        }
        for (int bx = bx0; bx <= bx1; ++bx) {
            const int x = t.tile.x0 + bx * kBlockSize;
            if (x + kBlockSize - 1 > t.tile.x1) {
                break;
            }
            const float* d = t.depth + static_cast<std::ptrdiff_t>(y - t.originY) * t.depthStride +
                             (x - t.originX);
            __m128 m = _mm_max_ps(_mm_loadu_ps(d), _mm_loadu_ps(d + 4));
            for (int row = 1; row < kBlockSize; ++row) {
                d += t.depthStride;
                m = _mm_max_ps(m, _mm_max_ps(_mm_loadu_ps(d), _mm_loadu_ps(d + 4)));
            }
            m = _mm_max_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(1, 0, 3, 2)));
            m = _mm_max_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(2, 3, 0, 1)));
            // A pixel holding no number never passes, whether or not the maximum keeps it.
            m_far[by * kBlocks + bx] = _mm_cvtss_f32(m);
        }
    }
}

}  // namespace rm::raster
