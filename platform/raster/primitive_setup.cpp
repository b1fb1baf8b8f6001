#include "platform/raster/primitive_setup.h"

#include <algorithm>
#include <cmath>

namespace rm::raster {

bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   const PixelRect& scissor, D3DCOLOR color, bool gouraud, bool sampled,
                   TriangleSetup& out, ColorPlanes& planes) {
    if (!SetupTriangleShape(v0, v1, v2, scissor, sampled, out)) {
        return false;
    }
    SetupTrianglePlanes(v0, v1, v2, color, gouraud, out, planes);
    return true;
}

bool CoversNoSample(const TriangleSetup& tri, bool sampled) {
    const int w = tri.box.x1 - tri.box.x0 + 1;
    const int h = tri.box.y1 - tri.box.y0 + 1;
    if (w * h > kNoSampleBoxArea) {
        return false;
    }
    const EdgeFunction e[3] = {tri.Edge(0), tri.Edge(1), tri.Edge(2)};
    const auto inside = [&](std::int64_t sx, std::int64_t sy) {
        return e[0].At(sx, sy) >= 0 && e[1].At(sx, sy) >= 0 && e[2].At(sx, sy) >= 0;
    };
    constexpr int kHalf = kSubScale / 2;
    for (int y = tri.box.y0; y <= tri.box.y1; ++y) {
        const std::int64_t cy = std::int64_t{y} * kSubScale + kHalf;
        for (int x = tri.box.x0; x <= tri.box.x1; ++x) {
            const std::int64_t cx = std::int64_t{x} * kSubScale + kHalf;
            if (inside(cx, cy)) {
                return false;
            }
            for (int k = 0; sampled && k < kSamples; ++k) {
                if (inside(cx + kSampleX[k], cy + kSampleY[k])) {
                    return false;
                }
            }
        }
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
