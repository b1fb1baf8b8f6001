// The vertex pass projects four points at a time; a clipped face re-projects its corners
// one by one. Both must land on the same sub-pixel, or neighbours would crack apart.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "platform/raster/camera_point.h"
#include "platform/raster/geometry_stage.h"
#include "platform/raster/vertex_lanes.h"
#include "tests/platform/raster_test_support.h"

namespace rm::raster {
namespace {

TEST(RasterProjection, VertexPassAndSinglePointProjectionAgreeExactly) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coord(-300.0F, 300.0F);
    std::uniform_real_distribution<float> depth(0.5F, 400.0F);
    MeshData mesh;
    for (int i = 0; i < 20003; ++i) {  // not a multiple of four
        mesh.positions.push_back({coord(rng), coord(rng), depth(rng)});
    }
    MeshSetup setup;
    setup.mesh = &mesh;
    setup.toCamera.m[0][1] = 0.3F;  // a shear and a shift, so every term counts
    setup.toCamera.m[2][0] = -0.2F;
    setup.toCamera.m[3][2] = 1.5F;
    const FrameGeometry frame = rastertest::Frame640({&setup, 1});
    std::vector<ProjectedVertex> out(mesh.positions.size());
    TransformVertices(frame, setup, 0, static_cast<std::uint32_t>(out.size()), out.data());
    int projected = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const ProjectedVertex& v = out[i];
        // The camera-space point a clipped face computes again is the one the pass used.
        const CameraPoint c = ToCamera(setup.toCamera, mesh.positions[i]);
        ASSERT_EQ(v.Code(), Outcode(frame.planes, c.x, c.y, c.z)) << i;
        if ((v.Code() & kClipMask) != 0) {
            continue;
        }
        std::int32_t fx = 0;
        std::int32_t fy = 0;
        float d = 0.0F;
        ProjectPoint(frame.view, c.x, c.y, c.z, fx, fy, d);
        ASSERT_EQ(v.Fx(), fx) << i;
        ASSERT_EQ(v.fy, fy) << i;
        ASSERT_EQ(v.depth, d) << i;
        ++projected;
    }
    EXPECT_GT(projected, 5000);
}

// The snapped x shares its word with the outcode: every x the guard band lets through, on
// either side of the buffer, comes back whole beside every combination of outcode bits.
TEST(RasterProjection, SnappedXAndOutcodeShareAWordWithoutLoss) {
    constexpr std::int32_t kLowest = -static_cast<std::int32_t>(kGuardBand) * kSubScale;
    constexpr std::int32_t kHighest =
        (kMaxDimension + static_cast<std::int32_t>(kGuardBand)) * kSubScale;
    for (const std::int32_t fx : {kLowest, kLowest + 1, -1, 0, 1, 12345, kHighest - 1, kHighest}) {
        const std::uint32_t codes[] = {0U, kOutNear, kClipMask, kRejectMask | kNonFinite,
                                       (1U << ProjectedVertex::kCodeBits) - 1};
        for (const std::uint32_t code : codes) {
            const ProjectedVertex v = ProjectedVertex::Make(code, fx, -fx, 0.25F);
            EXPECT_EQ(v.Fx(), fx) << code;
            EXPECT_EQ(v.Code(), code) << fx;
            EXPECT_EQ(v.fy, -fx);
            EXPECT_EQ(v.depth, 0.25F);
        }
    }
    static_assert(sizeof(ProjectedVertex) == 12);
}

// The four lanes are written out together: one to four of them, each lane to its own
// vertex and nothing past the last, and a lane that needs clipping carries its outcode
// alone, as the scalar projection gives it.
TEST(RasterProjection, LanesLandInTheirOwnVerticesAndNoFurther) {
    MeshData mesh;
    // In view, behind the eye, past the guard band, in view again, not finite.
    mesh.positions = {{1, 2, 10},
                      {0, 0, -5},
                      {1e6F, 0, 3},
                      {-3, 1, 40},
                      {0, 0, std::numeric_limits<float>::quiet_NaN()}};
    MeshSetup setup;
    setup.mesh = &mesh;
    setup.toCamera.m[3][0] = 0.25F;
    const FrameGeometry frame = rastertest::Frame640({&setup, 1});
    const auto count = static_cast<std::uint32_t>(mesh.positions.size());
    for (std::uint32_t first = 0; first < count; ++first) {
        for (int n = 1; n <= 4; ++n) {
            SCOPED_TRACE(::testing::Message() << "first " << first << " lanes " << n);
            const ProjectedVertex marker = ProjectedVertex::Make(0x7FFU, -77, 99, 1.5F);
            ProjectedVertex out[6] = {marker, marker, marker, marker, marker, marker};
            ProjectLanes(
                frame, setup.toCamera, n,
                [&](int k) -> const D3DVECTOR& { return mesh.positions[(first + k) % count]; },
                out + 1);
            for (int k = 0; k < 6; ++k) {
                const ProjectedVertex& v = out[k];
                if (k == 0 || k > n) {
                    ASSERT_TRUE(v.fxCode == marker.fxCode && v.fy == marker.fy &&
                                v.depth == marker.depth)
                        << "vertex " << k << " was written";
                    continue;
                }
                const CameraPoint c =
                    ToCamera(setup.toCamera, mesh.positions[(first + k - 1) % count]);
                const std::uint32_t code = Outcode(frame.planes, c.x, c.y, c.z);
                if ((v.Code() & kNonFinite) == 0) {
                    ASSERT_EQ(v.Code(), code) << k;
                }
                if ((v.Code() & (kClipMask | kNonFinite)) != 0) {
                    ASSERT_TRUE(v.Fx() == 0 && v.fy == 0 && v.depth == 0.0F) << k;
                    continue;
                }
                std::int32_t fx = 0;
                std::int32_t fy = 0;
                float d = 0.0F;
                ProjectPoint(frame.view, c.x, c.y, c.z, fx, fy, d);
                ASSERT_TRUE(v.Fx() == fx && v.fy == fy && v.depth == d) << k;
            }
        }
    }
}

}  // namespace
}  // namespace rm::raster
