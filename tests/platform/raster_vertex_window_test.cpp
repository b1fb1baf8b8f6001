// A face's corners come from its block's window when the block's positions lie compact, and
// are projected face by face otherwise. Either way a corner must get the same bits, so the
// picture and every pick must not depend on how a file orders its points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "platform/raster/camera_point.h"
#include "platform/raster/vertex_lanes.h"
#include "tests/platform/raster_test_support.h"

namespace rm::raster {
namespace {

using namespace rastertest;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool SameBits(const ProjectedVertex& a, const ProjectedVertex& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(RasterVertexWindow, AwkwardPositionsProjectToTheSameBitsInEveryLane) {
    const float inf = std::numeric_limits<float>::infinity();
    const float guardX = (640.0F + kGuardBand - 320.0F) / 480.0F * 10.0F;  // at depth 10
    MeshData mesh;
    mesh.positions = {{0, 0, 1.0F},
                      {0, 0, std::nextafter(1.0F, 0.0F)},
                      {0, 0, std::nextafter(1.0F, 2.0F)},
                      {0.5F, -0.25F, 0},
                      {0, 0, -0.0F},
                      {1, 1, -3},
                      {guardX, 0, 10},
                      {std::nextafter(guardX, 0.0F), 0, 10},
                      {std::nextafter(guardX, 1e9F), 0, 10},
                      {-guardX, guardX, 10},
                      {0.3F, 0.2F, 5000},
                      {0.3F, 0.2F, std::nextafter(5000.0F, 1e9F)},
                      {1e14F, 0, 2},
                      {1e16F, 0, 2},
                      {0, std::numeric_limits<float>::max(), 2},
                      {inf, 0, 2},
                      {0, -inf, 2},
                      {kNaN, 0, 2},
                      {0, 0, kNaN},
                      {1e-40F, -1e-40F, 3},
                      {12.3F, -6.7F, 42}};
    MeshSetup setup;
    setup.mesh = &mesh;
    setup.toCamera.m[0][1] = 0.25F;  // a shear and a shift, so every term counts
    setup.toCamera.m[3][2] = 0.5F;
    const FrameGeometry frame = Frame640({&setup, 1});
    const auto count = static_cast<std::uint32_t>(mesh.positions.size());
    std::vector<ProjectedVertex> block(count);
    TransformVertices(frame, setup, 0, count, block.data());
    int unclipped = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const ProjectedVertex& v = block[i];
        // What a clipped corner computes again agrees with the block's outcode and, where the
        // corner needs no clipping, its snapped position and depth.
        const CameraPoint c = ToCamera(setup.toCamera, mesh.positions[i]);
        if ((v.Code() & kNonFinite) == 0) {
            EXPECT_EQ(v.Code(), Outcode(frame.planes, c.x, c.y, c.z)) << i;
        }
        if ((v.Code() & (kClipMask | kNonFinite)) == 0) {
            ScreenVertex s{};
            ProjectPoint(frame.view, c.x, c.y, c.z, s.fx, s.fy, s.depth);
            EXPECT_TRUE(v.Fx() == s.fx && v.fy == s.fy && v.depth == s.depth) << i;
            ++unclipped;
        }
        // A face gathers its corners in groups of one to four: each lane must give the
        // block's bits, whatever its neighbours hold.
        for (int n = 1; n <= 4; ++n) {
            for (int lane = 0; lane < n; ++lane) {
                ProjectedVertex out[4];
                ProjectLanes(
                    frame, setup.toCamera, n,
                    [&](int k) -> const D3DVECTOR& {
                        return mesh.positions[k == lane ? i : (i + 7U * (k + 1U)) % count];
                    },
                    out);
                EXPECT_TRUE(SameBits(out[lane], v)) << "point " << i << " lane " << lane;
            }
        }
    }
    EXPECT_GE(unclipped, 5);
    EXPECT_LE(unclipped, static_cast<int>(count) - 10);
}

// Boxes with their points listed beside their faces, as files list them: some cut by the
// front plane or reaching past the guard band; then a thin stroke's side (it draws its
// centre line), a face with a NaN point, a hexagon and a face with a point index out of
// range.
MeshData Boxes(unsigned seed, int boxes) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> across(-6.0F, 6.0F);
    std::uniform_real_distribution<float> depth(0.4F, 25.0F);
    std::uniform_real_distribution<float> size(0.05F, 1.5F);
    static constexpr std::uint32_t kSides[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                                   {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    MeshData mesh;
    const auto face = [&](std::initializer_list<std::uint32_t> corners, std::uint32_t flags) {
        FaceRecord f;
        f.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
        f.cornerCount = f.cornerCapacity = static_cast<std::uint32_t>(corners.size());
        f.color = 0xFF000000U | (static_cast<std::uint32_t>(rng()) & 0xFFFFFFU);
        f.flags = flags;
        for (const std::uint32_t p : corners) {
            mesh.corners.push_back({p, kNoNormal});
        }
        mesh.faces.push_back(f);
    };
    for (int b = 0; b < boxes; ++b) {
        const D3DVECTOR c{across(rng) * (b % 40 == 0 ? 200.0F : 1.0F), across(rng), depth(rng)};
        const float s = size(rng);
        const auto p = static_cast<std::uint32_t>(mesh.positions.size());
        for (int k = 0; k < 8; ++k) {
            mesh.positions.push_back({c.x + ((k & 1) != 0 ? s : -s), c.y + ((k & 2) != 0 ? s : -s),
                                      c.z + ((k & 4) != 0 ? s : -s)});
        }
        for (const auto& q : kSides) {
            face({p + q[0], p + q[1], p + q[2], p + q[3]}, 0);
        }
    }
    const auto p = static_cast<std::uint32_t>(mesh.positions.size());
    mesh.positions.insert(
        mesh.positions.end(),
        {{-4, 0.5F, 6}, {-4, 0.51F, 6}, {4, 0.51F, 9}, {4, 0.5F, 9}, {kNaN, 0, 4}});
    face({p, p + 1, p + 2, p + 3}, kFaceStroke);
    face({p + 3, p + 2, p + 1, p}, kFaceStroke);
    face({p + 4, p, p + 1}, 0);
    const auto h = static_cast<std::uint32_t>(mesh.positions.size());  // a hexagon
    for (int k = 0; k < 6; ++k) {
        const float a = static_cast<float>(k) * 1.0471976F;
        mesh.positions.push_back({1.5F * std::sin(a), 1.5F * std::cos(a), 3.0F});
    }
    face({h, h + 1, h + 2, h + 3, h + 4, h + 5}, 0);
    face({p, p + 2, 0x7FFFFFFFU}, 0);
    return mesh;
}

// Faces [begin, end) of `from`, with only their points; `spread` > 1 leaves spread - 1 unused
// NaN points between two used ones, so that no block's points lie compact.
MeshData Part(const MeshData& from, std::size_t begin, std::size_t end, std::uint32_t spread = 1) {
    MeshData mesh;
    std::vector<std::uint32_t> index(from.positions.size(), ~0U);
    for (std::size_t f = begin; f < end; ++f) {
        FaceRecord face = from.faces[f];
        face.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
        for (std::uint32_t i = 0; i < face.cornerCount; ++i) {
            Corner c = from.corners[from.faces[f].firstCorner + i];
            if (c.position < index.size()) {
                if (index[c.position] == ~0U) {
                    // `spread` slots after the point placed before.
                    const std::size_t used = mesh.positions.size();
                    index[c.position] =
                        static_cast<std::uint32_t>(used == 0 ? 0 : used - 1 + spread);
                    mesh.positions.resize(index[c.position] + 1, {kNaN, 0, 0});
                    mesh.positions.back() = from.positions[c.position];
                }
                c.position = index[c.position];
            }
            mesh.corners.push_back(c);
        }
        mesh.faces.push_back(face);
    }
    return mesh;
}

class RasterVertexWindowPicture : public ::testing::TestWithParam<unsigned> {};

TEST_P(RasterVertexWindowPicture, PointOrderAndMeshSplitLeaveEveryPixelAndPickAlone) {
    const MeshData whole = Boxes(11, 1500);
    const std::size_t n = whole.faces.size();
    std::vector<MeshData> ways[3];
    ways[0].push_back(Part(whole, 0, n));
    ways[1].push_back(Part(whole, 0, n, 5));
    for (const auto& [b, e] :
         {std::pair<std::size_t, std::size_t>{0, 1000}, {1000, 1001}, {1001, 5300}, {5300, n}}) {
        ways[2].push_back(Part(whole, b, e));  // block and mesh ends fall apart
    }
    // The first way takes the window, the second never does.
    MeshSetup setups[2];
    GeometryScratch scratch(1);
    for (int w = 0; w < 2; ++w) {
        setups[w].mesh = &ways[w][0];
        PrepareWindow(Frame640({&setups[w], 1}), setups[w], 0, kWindowFaces, scratch);
        EXPECT_EQ(scratch.windowCount > 0, w == 0);
    }

    SceneLights lights;
    Renderer r(kSize, kSize, GetParam());
    for (const D3DRMRENDERQUALITY quality :
         {D3DRMRENDER_FLAT, D3DRMRENDER_GOURAUD, D3DRMRENDER_WIREFRAME, D3DRMFILL_POINTS}) {
        for (const bool aa : {false, true}) {
            r.SetAntialias(aa);
            std::vector<D3DCOLOR> pictures[3];
            std::vector<std::uint64_t> picks[3];
            for (int w = 0; w < 3; ++w) {
                std::vector<MeshInstance> instances;
                for (const MeshData& mesh : ways[w]) {
                    instances.push_back(Instance(mesh, quality));
                }
                RenderJob job = MakeJob(instances);
                job.ambient = lights.ambient;
                job.lights = lights.lights;
                pictures[w] = Draw(r, job);
                for (int i = 0; i < 36 && !aa; ++i) {  // a pick tests pixel centres either way
                    PickResult found;
                    std::uint64_t face = ~std::uint64_t{0};
                    if (r.Pick(job, 2 + i % 6 * 17, 1 + i / 6 * 17, found)) {
                        face = found.face;  // counted over the meshes in order
                        for (std::size_t m = 0; &ways[w][m] != found.mesh; ++m) {
                            face += ways[w][m].faces.size();
                        }
                    }
                    picks[w].push_back(face);
                }
            }
            EXPECT_GT(CountDrawn(pictures[0]), 200) << quality;
            for (int w = 1; w < 3; ++w) {
                EXPECT_EQ(pictures[w], pictures[0]) << "quality " << quality << " aa " << aa;
                EXPECT_EQ(picks[w], picks[0]) << quality;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, RasterVertexWindowPicture, ::testing::Values(1U, 2U));

// Every face of a range is visited once, in order, with the window of its own mesh, and the
// window holds that mesh's points as this frame projects them.
TEST(RasterVertexWindow, EveryFaceSeesAWindowOfItsOwnMesh) {
    const MeshData whole = Boxes(3, 1000);
    const std::size_t n = whole.faces.size();
    const MeshData meshes[] = {Part(whole, 0, 10), Part(whole, 0, 0), Part(whole, 10, n - 20),
                               Part(whole, n - 20, n, 3)};
    std::vector<MeshSetup> setups;
    std::uint32_t total = 0;
    for (const MeshData& mesh : meshes) {
        setups.emplace_back().mesh = &mesh;
        setups.back().toCamera.m[3][0] = 0.5F;
        setups.back().firstFace = total;
        total += static_cast<std::uint32_t>(mesh.faces.size());
    }
    const FrameGeometry frame = Frame640(setups);
    GeometryScratch scratch(1);
    for (const auto& [begin, end] : {std::pair<std::uint32_t, std::uint32_t>{0, total},
                                     {5, 4200},
                                     {9, 11},
                                     {total - 30, total - 1}}) {
        std::uint32_t next = begin;
        int windowed = 0;
        ForEachFace(frame, begin, end, scratch, [&](const MeshSetup& setup, std::uint32_t g) {
            ASSERT_EQ(g, next++);
            ASSERT_EQ(scratch.windowMesh, &setup);
            ASSERT_LT(g - setup.firstFace, setup.mesh->faces.size());
            const FaceRecord& face = setup.mesh->faces[g - setup.firstFace];
            for (std::uint32_t i = 0; i < face.cornerCount; ++i) {
                const std::uint32_t p = setup.mesh->corners[face.firstCorner + i].position;
                if (p - scratch.windowFirst < scratch.windowCount) {
                    ProjectedVertex expected;
                    TransformVertices(frame, setup, p, p + 1, &expected);
                    ASSERT_TRUE(SameBits(scratch.window[p - scratch.windowFirst], expected)) << g;
                    ++windowed;
                }
            }
        });
        EXPECT_EQ(next, end);
        EXPECT_GT(windowed, 0) << begin;
    }
}

}  // namespace
}  // namespace rm::raster
