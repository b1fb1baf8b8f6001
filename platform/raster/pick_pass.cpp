#include "platform/raster/pick_pass.h"

#include <algorithm>
#include <cmath>

#include "platform/raster/face_builder.h"

namespace rm::raster {

bool TriangleDepthAt(const TriangleSetup& tri, int x, int y, float& depth) {
    if (x < tri.box.x0 || x > tri.box.x1 || y < tri.box.y0 || y > tri.box.y1) {
        return false;
    }
    // Sample at the pixel centre, in 1/16 pixel, as the tile stage does.
    constexpr std::int64_t kHalf = kSubScale / 2;
    const std::int64_t sx = std::int64_t{x} * kSubScale + kHalf;
    const std::int64_t sy = std::int64_t{y} * kSubScale + kHalf;
    for (int k = 0; k < 3; ++k) {
        if (tri.Edge(k).At(sx, sy) < 0) {
            return false;
        }
    }
    // The same float operations in the same order as the tile stage's row and step.
    const float zRow = tri.z0 + tri.zdy * static_cast<float>(y - tri.box.y0);
    depth = zRow + tri.zdx * static_cast<float>(x - tri.box.x0);
    return true;
}

bool LineDepthAt(const LineSetup& line, int x, int y, float& depth) {
    const int major = line.xMajor ? x : y;
    const int minorWanted = line.xMajor ? y : x;
    if (major < line.first || major > line.last) {
        return false;
    }
    const float along = static_cast<float>(major) + 0.5F - line.majorStart;
    const float minor =
        std::clamp(line.minorStart + along * line.minorStep, line.minorLo, line.minorHi);
    if (static_cast<int>(std::floor(minor)) != minorWanted) {
        return false;
    }
    depth = line.depthStart + std::clamp(along, 0.0F, line.majorLength) * line.depthStep;
    return true;
}

namespace {

void Consider(float depth, std::uint32_t face, PickCandidate& best) {
    // The tile stage's test: strictly nearer than what the pixel holds.
    if (depth < best.depth) {
        best.depth = depth;
        best.face = face;
        best.found = true;
    }
}

}  // namespace

void PickFaces(const FrameGeometry& frame, std::uint32_t begin, std::uint32_t end, int x, int y,
               Chunk& chunk, GeometryScratch& scratch, PickCandidate& best) {
    ForEachFace(frame, begin, end, scratch, [&](const MeshSetup& setup, std::uint32_t g) {
        scratch.store.Reset({});
        chunk.Begin(scratch.store);
        FaceBuilder(frame, setup, chunk, scratch).Build(g - setup.firstFace);
        chunk.Seal();
        for (const TriangleSetup& tri : chunk.triangles) {
            if (float depth = 0.0F; TriangleDepthAt(tri, x, y, depth)) {
                Consider(depth, g, best);
            }
        }
        for (const LineSetup& line : chunk.lines) {
            if (float depth = 0.0F; LineDepthAt(line, x, y, depth)) {
                Consider(depth, g, best);
            }
        }
    });
}

}  // namespace rm::raster
