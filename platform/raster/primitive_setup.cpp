#include "platform/raster/primitive_setup.h"

#include <algorithm>
#include <cmath>

namespace rm::raster {

namespace {

// Plane through three samples: value at (refX, refY) and its steps per pixel.
struct Plane {
    float v0, dx, dy;
};

Plane MakePlane(double x0, double y0, double x1, double y1, double x2, double y2, double a0,
                double a1, double a2, double area, double refX, double refY) {
    const double dx1 = x1 - x0;
    const double dy1 = y1 - y0;
    const double dx2 = x2 - x0;
    const double dy2 = y2 - y0;
    const double da1 = a1 - a0;
    const double da2 = a2 - a0;
    const double ddx = (da1 * dy2 - da2 * dy1) / area;
    const double ddy = (dx1 * da2 - dx2 * da1) / area;
    return {static_cast<float>(a0 + ddx * (refX - x0) + ddy * (refY - y0)), static_cast<float>(ddx),
            static_cast<float>(ddy)};
}

}  // namespace

bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   const PixelRect& scissor, D3DCOLOR color, bool gouraud, bool sampled,
                   TriangleSetup& out, ColorPlanes& planes) {
    const std::int64_t area = SignedArea(v0, v1, v2);
    if (area <= 0) {
        return false;  // facing away, or no area at all
    }
    constexpr int kHalf = kSubScale / 2;
    const std::int32_t minFx = std::min({v0.fx, v1.fx, v2.fx});
    const std::int32_t maxFx = std::max({v0.fx, v1.fx, v2.fx});
    const std::int32_t minFy = std::min({v0.fy, v1.fy, v2.fy});
    const std::int32_t maxFy = std::max({v0.fy, v1.fy, v2.fy});
    // Pixels whose centre (16 px + 8), or with samples any sample, lies inside the snapped
    // bounds.
    const int reach = sampled ? kSampleReach : 0;
    PixelRect box{(minFx - kHalf - reach + kSubScale - 1) >> kSubBits,
                  (minFy - kHalf - reach + kSubScale - 1) >> kSubBits,
                  (maxFx - kHalf + reach) >> kSubBits, (maxFy - kHalf + reach) >> kSubBits};
    const bool cutX = box.x0 < scissor.x0 || box.x1 > scissor.x1;
    box.x0 = std::max(box.x0, scissor.x0);
    box.y0 = std::max(box.y0, scissor.y0);
    box.x1 = std::min(box.x1, scissor.x1);
    box.y1 = std::min(box.y1, scissor.y1);
    if (box.Empty()) {
        return false;
    }
    out.box = {static_cast<std::int16_t>(box.x0), static_cast<std::int16_t>(box.y0),
               static_cast<std::int16_t>(box.x1), static_cast<std::int16_t>(box.y1)};
    out.SetCorners({v0.fx, v1.fx, v2.fx}, {v0.fy, v1.fy, v2.fy});
    const double scale = 1.0 / kSubScale;
    const double x0 = v0.fx * scale;
    const double y0 = v0.fy * scale;
    const double x1 = v1.fx * scale;
    const double y1 = v1.fy * scale;
    const double x2 = v2.fx * scale;
    const double y2 = v2.fy * scale;
    const double areaPx = static_cast<double>(area) * scale * scale;
    const double refX = box.x0 + 0.5;
    const double refY = box.y0 + 0.5;
    const Plane z =
        MakePlane(x0, y0, x1, y1, x2, y2, v0.depth, v1.depth, v2.depth, areaPx, refX, refY);
    out.z0 = z.v0;
    out.zdx = z.dx;
    out.zdy = z.dy;
    out.color = color | 0xFF000000U;
    out.SetFlags((cutX ? kPrimCutX : 0U) | (gouraud ? kPrimGouraud : 0U));
    if (gouraud) {
        const Plane r = MakePlane(x0, y0, x1, y1, x2, y2, v0.r, v1.r, v2.r, areaPx, refX, refY);
        const Plane g = MakePlane(x0, y0, x1, y1, x2, y2, v0.g, v1.g, v2.g, areaPx, refX, refY);
        const Plane b = MakePlane(x0, y0, x1, y1, x2, y2, v0.b, v1.b, v2.b, areaPx, refX, refY);
        planes = {r.v0, r.dx, r.dy, g.v0, g.dx, g.dy, b.v0, b.dx, b.dy};
    }
    return true;
}

bool CoversNoSample(const TriangleSetup& tri, bool sampled) {
    const int w = tri.box.x1 - tri.box.x0 + 1;
    const int h = tri.box.y1 - tri.box.y0 + 1;
    if (w * h > kNoSampleBoxArea) {
        return false;
    }
    // Each edge's value at the centre of the box's first pixel, stepped a pixel at a time;
    // a sample's value differs from its pixel centre's by a constant of the edge. Whole
    // numbers throughout, so every value is the one the edge function gives there, without
    // its two multiplications at every point.
    constexpr int kHalf = kSubScale / 2;
    const std::int64_t cx = std::int64_t{tri.box.x0} * kSubScale + kHalf;
    const std::int64_t cy = std::int64_t{tri.box.y0} * kSubScale + kHalf;
    std::int64_t row[3];
    std::int64_t stepX[3];
    std::int64_t stepY[3];
    std::int64_t offset[3][kSamples];
    for (int k = 0; k < 3; ++k) {
        const EdgeFunction e = tri.Edge(k);
        row[k] = e.At(cx, cy);
        stepX[k] = std::int64_t{e.a} * kSubScale;
        stepY[k] = std::int64_t{e.b} * kSubScale;
        for (int s = 0; s < kSamples; ++s) {
            offset[k][s] = std::int64_t{e.a} * kSampleX[s] + std::int64_t{e.b} * kSampleY[s];
        }
    }
    for (int y = 0; y < h; ++y) {
        std::int64_t v0 = row[0];
        std::int64_t v1 = row[1];
        std::int64_t v2 = row[2];
        for (int x = 0; x < w; ++x) {
            if ((v0 | v1 | v2) >= 0) {
                return false;  // all three not negative: the centre is inside
            }
            for (int s = 0; sampled && s < kSamples; ++s) {
                if (((v0 + offset[0][s]) | (v1 + offset[1][s]) | (v2 + offset[2][s])) >= 0) {
                    return false;
                }
            }
            v0 += stepX[0];
            v1 += stepX[1];
            v2 += stepX[2];
        }
        row[0] += stepY[0];
        row[1] += stepY[1];
        row[2] += stepY[2];
    }
    return true;
}

bool SetupLine(float x0, float y0, float depth0, float x1, float y1, float depth1,
               const PixelRect& scissor, D3DCOLOR color, LineSetup& out) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    out.xMajor = std::fabs(dx) >= std::fabs(dy);
    out.band = false;
    float ma0 = out.xMajor ? x0 : y0;
    float ma1 = out.xMajor ? x1 : y1;
    float mi0 = out.xMajor ? y0 : x0;
    float mi1 = out.xMajor ? y1 : x1;
    if (ma1 < ma0) {
        std::swap(ma0, ma1);
        std::swap(mi0, mi1);
        std::swap(depth0, depth1);
    }
    const float span = ma1 - ma0;
    out.majorStart = ma0;
    out.majorLength = span;
    out.minorStart = mi0;
    out.depthStart = depth0;
    out.minorStep = span > 0.0F ? (mi1 - mi0) / span : 0.0F;
    out.depthStep = span > 0.0F ? (depth1 - depth0) / span : 0.0F;
    out.minorLo = std::min(mi0, mi1);
    out.minorHi = std::max(mi0, mi1);
    out.first = static_cast<std::int32_t>(std::floor(ma0));
    out.last = static_cast<std::int32_t>(std::floor(ma1));
    out.color = color | 0xFF000000U;
    const int majorLo = out.xMajor ? scissor.x0 : scissor.y0;
    const int majorHi = out.xMajor ? scissor.x1 : scissor.y1;
    out.first = std::max(out.first, majorLo);
    out.last = std::min(out.last, majorHi);
    return !LineBounds(out, scissor).Empty();
}

PixelRect LineBounds(const LineSetup& line, const PixelRect& scissor) {
    const int spread = line.band ? 1 : 0;
    const int minorLo = static_cast<int>(std::floor(line.minorLo)) - spread;
    const int minorHi = static_cast<int>(std::floor(line.minorHi)) + spread;
    PixelRect r = line.xMajor ? PixelRect{line.first, minorLo, line.last, minorHi}
                              : PixelRect{minorLo, line.first, minorHi, line.last};
    r.x0 = std::max(r.x0, scissor.x0);
    r.y0 = std::max(r.y0, scissor.y0);
    r.x1 = std::min(r.x1, scissor.x1);
    r.y1 = std::min(r.y1, scissor.y1);
    return r;
}

}  // namespace rm::raster
