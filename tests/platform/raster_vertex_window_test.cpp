// A face's corners are projected from its block's window when the block's positions lie
// compact, and face by face otherwise. Whichever way a corner goes, it must get the same bits,
// so the picture and every pick must not depend on how a file orders its points.
#include <gtest/gtest.h>

#include <algorithm>
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

bool SameBits(const ProjectedVertex& a, const ProjectedVertex& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

FrameGeometry MakeFrame(const MeshSetup* meshes, std::size_t count) {
    FrameGeometry frame;
    frame.view.scissor = {0, 0, 639, 479};
    frame.view.centreX = 320.0F;
    frame.view.centreY = 240.0F;
    frame.view.scale = 480.0F;
    frame.view.front = 1.0F;
    frame.view.back = 5000.0F;
    frame.view.bufferWidth = 640.0F;
    frame.view.bufferHeight = 480.0F;
    frame.planes = MakeClipPlanes(frame.view);
    frame.meshes = {meshes, count};
    return frame;
}

// Points on and around every plane and limit the projection tests against.
std::vector<D3DVECTOR> AwkwardPositions() {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float big = std::numeric_limits<float>::max();
    const float nearZ = 1.0F;
    // Where the guard band's right edge lies at depth 10: (640 + 4096 - 320) / 480 * 10.
    const float guardX = (640.0F + kGuardBand - 320.0F) / 480.0F * 10.0F;
    return {
        {0, 0, nearZ},
        {0, 0, std::nextafter(nearZ, 0.0F)},
        {0, 0, std::nextafter(nearZ, 2.0F)},
        {0.5F, -0.25F, 0.0F},
        {0, 0, -0.0F},
        {1, 1, -3.0F},
        {guardX, 0, 10.0F},
        {std::nextafter(guardX, 0.0F), 0, 10.0F},
        {std::nextafter(guardX, 1e9F), 0, 10.0F},
        {0, -guardX, 10.0F},
        {-guardX, guardX, 10.0F},
        {0.3F, 0.2F, 5000.0F},
        {0.3F, 0.2F, std::nextafter(5000.0F, 1e9F)},
        {1e14F, 0, 2.0F},
        {1e16F, 0, 2.0F},
        {0, big, 2.0F},
        {0, 0, big},
        {inf, 0, 2.0F},
        {0, -inf, 2.0F},
        {nan, 0, 2.0F},
        {0, 0, nan},
        {1e-40F, -1e-40F, 3.0F},  // denormals
        {12.345F, -6.789F, 42.0F},
        {-0.001F, 0.001F, 1.0001F},
    };
}

TEST(RasterVertexWindow, AwkwardPositionsProjectToTheSameBitsInEveryLane) {
    const std::vector<D3DVECTOR> points = AwkwardPositions();
    MeshData mesh;
    mesh.positions = points;
    MeshSetup setup;
    setup.mesh = &mesh;
    setup.toCamera.m[0][1] = 0.25F;  // a shear and a shift, so every term counts
    setup.toCamera.m[3][2] = 0.5F;
    const FrameGeometry frame = MakeFrame(&setup, 1);
    const auto count = static_cast<std::uint32_t>(points.size());
    std::vector<ProjectedVertex> block(count);
    TransformVertices(frame, setup, 0, count, block.data());

    int clipped = 0;
    int nonFinite = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        // The scalar path a clipped corner takes agrees with the block's outcode and, where
        // the corner needs no clipping, its snapped position and depth.
        const CameraPoint c = ToCamera(setup.toCamera, points[i]);
        const ProjectedVertex& v = block[i];
        if ((v.Code() & kNonFinite) == 0) {
            EXPECT_EQ(v.Code(), Outcode(frame.planes, c.x, c.y, c.z)) << i;
        } else {
            ++nonFinite;
        }
        if ((v.Code() & (kClipMask | kNonFinite)) == 0) {
            std::int32_t fx = 0;
            std::int32_t fy = 0;
            float depth = 0.0F;
            ProjectPoint(frame.view, c.x, c.y, c.z, fx, fy, depth);
            EXPECT_EQ(v.Fx(), fx) << i;
            EXPECT_EQ(v.fy, fy) << i;
            EXPECT_EQ(v.depth, depth) << i;
        } else {
            ++clipped;
        }
        // A face gathers its corners in any order and in groups of one to four: each lane
        // must give the block's bits, whatever its neighbours hold.
        for (int n = 1; n <= 4; ++n) {
            for (int lane = 0; lane < n; ++lane) {
                ProjectedVertex out[4];
                ProjectLanes(
                    frame, setup.toCamera, n,
                    [&](int k) -> const D3DVECTOR& {
                        return k == lane ? points[i] : points[(i + 7U * (k + 1U)) % count];
                    },
                    out);
                EXPECT_TRUE(SameBits(out[lane], v)) << "point " << i << " lane " << lane;
            }
        }
    }
    EXPECT_GE(clipped, 10);
    EXPECT_GE(nonFinite, 5);
}

// Boxes in front of the eye, their points listed beside their faces as files list them;
// some cut by the front plane or reaching past the guard band, one face with a point index
// out of range, one with a NaN point, a thin long stroke and a hexagon.
struct Model {
    std::vector<D3DVECTOR> points;
    struct Face {
        std::vector<std::uint32_t> corners;  // into points
        D3DCOLOR color;
        std::uint32_t flags;
    };
    std::vector<Face> faces;
};

Model MakeModel(unsigned seed, int boxes) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> across(-6.0F, 6.0F);
    std::uniform_real_distribution<float> depth(0.4F, 25.0F);
    std::uniform_real_distribution<float> size(0.05F, 1.5F);
    std::uniform_int_distribution<std::uint32_t> color(0, 0xFFFFFF);
    static constexpr std::uint32_t kSides[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                                   {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    Model m;
    for (int b = 0; b < boxes; ++b) {
        const D3DVECTOR c{across(rng) * (b % 40 == 0 ? 200.0F : 1.0F), across(rng), depth(rng)};
        const float s = size(rng);
        const auto first = static_cast<std::uint32_t>(m.points.size());
        for (int k = 0; k < 8; ++k) {
            m.points.push_back({c.x + ((k & 1) != 0 ? s : -s), c.y + ((k & 2) != 0 ? s : -s),
                                c.z + ((k & 4) != 0 ? s : -s)});
        }
        for (const auto& side : kSides) {
            m.faces.push_back({{first + side[0], first + side[1], first + side[2], first + side[3]},
                               0xFF000000U | color(rng),
                               0});
        }
    }
    // A stroke's side: long and a hundredth of a unit across, so it draws its centre line.
    const auto s = static_cast<std::uint32_t>(m.points.size());
    m.points.insert(m.points.end(), {{-4, 0.5F, 6}, {-4, 0.51F, 6}, {4, 0.51F, 9}, {4, 0.5F, 9}});
    m.faces.push_back({{s, s + 1, s + 2, s + 3}, 0xFFFFFF00U, kFaceStroke});
    m.faces.push_back({{s + 3, s + 2, s + 1, s}, 0xFFFFFF00U, kFaceStroke});
    const auto h = static_cast<std::uint32_t>(m.points.size());
    for (int k = 0; k < 6; ++k) {
        const float a = static_cast<float>(k) * 1.0471976F;
        m.points.push_back({1.5F * std::sin(a), 1.5F * std::cos(a), 3.0F});
    }
    m.faces.push_back({{h, h + 1, h + 2, h + 3, h + 4, h + 5}, 0xFF80C0FFU, 0});
    const auto n = static_cast<std::uint32_t>(m.points.size());
    m.points.push_back({std::numeric_limits<float>::quiet_NaN(), 0, 4});
    m.faces.push_back({{n, h, h + 1}, 0xFFFF0000U, 0});
    m.faces.push_back({{h, h + 2, 0x7FFFFFFFU}, 0xFFFF0000U, 0});  // no such point
    return m;
}

// Faces [firstFace, endFace) of the model as one mesh, with the points they use in the order
// they are first used. `spread` > 1 places point i at i * spread instead, with unused NaN
// points between, so that no block's points lie compact.
MeshData ToMesh(const Model& m, std::size_t firstFace, std::size_t endFace,
                std::uint32_t spread = 1) {
    MeshData mesh;
    std::vector<std::uint32_t> index(m.points.size(), 0xFFFFFFFFU);
    if (spread != 1) {
        mesh.positions.assign(m.points.size() * spread,
                              {std::numeric_limits<float>::quiet_NaN(), 0, 0});
    }
    for (std::size_t f = firstFace; f < endFace; ++f) {
        FaceRecord face;
        face.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
        face.cornerCount = static_cast<std::uint32_t>(m.faces[f].corners.size());
        face.cornerCapacity = face.cornerCount;
        face.color = m.faces[f].color;
        face.flags = m.faces[f].flags;
        for (const std::uint32_t p : m.faces[f].corners) {
            Corner c;
            if (p >= m.points.size()) {
                c.position = p;
            } else {
                if (index[p] == 0xFFFFFFFFU) {
                    if (spread == 1) {
                        index[p] = static_cast<std::uint32_t>(mesh.positions.size());
                        mesh.positions.push_back(m.points[p]);
                    } else {
                        index[p] = p * spread;
                        mesh.positions[index[p]] = m.points[p];
                    }
                }
                c.position = index[p];
            }
            mesh.corners.push_back(c);
        }
        mesh.faces.push_back(face);
    }
    return mesh;
}

struct Arrangement {
    std::vector<MeshData> meshes;
    std::vector<MeshInstance> instances;
    void Finish(D3DRMRENDERQUALITY quality) {
        instances.clear();
        for (const MeshData& mesh : meshes) {
            instances.push_back(Instance(mesh, quality));
        }
    }
};

class RasterVertexWindowPicture : public ::testing::TestWithParam<unsigned> {};

TEST_P(RasterVertexWindowPicture, PointOrderAndMeshSplitLeaveEveryPixelAndPickAlone) {
    // Enough faces for several chunks to a mesh and several meshes to a chunk.
    const Model model = MakeModel(11, 1500);
    const std::size_t faces = model.faces.size();
    ASSERT_GT(faces, 2 * static_cast<std::size_t>(kWindowFaces));

    Arrangement compact;
    compact.meshes.push_back(ToMesh(model, 0, faces));
    Arrangement spread;
    spread.meshes.push_back(ToMesh(model, 0, faces, 5));
    Arrangement split;  // uneven parts, so block and mesh ends fall apart
    const std::size_t cuts[] = {0, 1000, 1001, 5300, faces};
    for (std::size_t k = 0; k + 1 < std::size(cuts); ++k) {
        split.meshes.push_back(ToMesh(model, cuts[k], cuts[k + 1]));
    }

    // The first arrangement takes the window everywhere, the second nowhere.
    MeshSetup compactSetup;
    compactSetup.mesh = &compact.meshes[0];
    MeshSetup spreadSetup;
    spreadSetup.mesh = &spread.meshes[0];
    const FrameGeometry compactFrame = MakeFrame(&compactSetup, 1);
    const FrameGeometry spreadFrame = MakeFrame(&spreadSetup, 1);
    GeometryScratch scratch(1);
    PrepareWindow(compactFrame, compactSetup, 0, kWindowFaces, scratch);
    EXPECT_GT(scratch.windowCount, 0U);
    PrepareWindow(spreadFrame, spreadSetup, 0, kWindowFaces, scratch);
    EXPECT_EQ(scratch.windowCount, 0U);

    SceneLights lights;
    const D3DRMRENDERQUALITY qualities[] = {D3DRMRENDER_FLAT, D3DRMRENDER_GOURAUD,
                                            D3DRMRENDER_WIREFRAME,
                                            D3DRMSHADE_FLAT | D3DRMLIGHT_OFF | D3DRMFILL_POINTS};
    Renderer r(kSize, kSize, GetParam());
    for (const D3DRMRENDERQUALITY quality : qualities) {
        for (const bool aa : {false, true}) {
            r.SetAntialias(aa);
            std::vector<D3DCOLOR> pictures[3];
            std::vector<std::uint64_t> picks[3];
            Arrangement* all[] = {&compact, &spread, &split};
            for (int a = 0; a < 3; ++a) {
                all[a]->Finish(quality);
                RenderJob job = MakeJob(all[a]->instances);
                job.ambient = lights.ambient;
                job.lights = lights.lights;
                pictures[a] = Draw(r, job);
                if (aa) {
                    continue;  // a pick tests pixel centres either way
                }
                for (int y = 1; y < kSize; y += 17) {
                    for (int x = 2; x < kSize; x += 17) {
                        PickResult found;
                        std::uint64_t face = ~std::uint64_t{0};
                        if (r.Pick(job, x, y, found)) {
                            // Faces counted over the arrangement's meshes in order.
                            face = found.face;
                            for (const MeshData& mesh : all[a]->meshes) {
                                if (&mesh == found.mesh) {
                                    break;
                                }
                                face += mesh.faces.size();
                            }
                        }
                        picks[a].push_back(face);
                    }
                }
            }
            EXPECT_GT(CountDrawn(pictures[0]), 200) << quality;
            if (!aa) {
                EXPECT_GT(std::count_if(picks[0].begin(), picks[0].end(),
                                        [](std::uint64_t f) { return f != ~std::uint64_t{0}; }),
                          5)
                    << quality;
            }
            EXPECT_EQ(pictures[1], pictures[0]) << "quality " << quality << " aa " << aa;
            EXPECT_EQ(pictures[2], pictures[0]) << "quality " << quality << " aa " << aa;
            EXPECT_EQ(picks[1], picks[0]) << quality;
            EXPECT_EQ(picks[2], picks[0]) << quality;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, RasterVertexWindowPicture, ::testing::Values(1U, 2U));

// Every face of a range is visited once, in order, with a window prepared for its own mesh
// whose projected points are those of the mesh's own positions.
TEST(RasterVertexWindow, EveryFaceSeesAWindowOfItsOwnMesh) {
    const Model model = MakeModel(3, 1000);
    const std::size_t faces = model.faces.size();
    std::vector<MeshData> meshes;
    meshes.push_back(ToMesh(model, 0, 10));
    meshes.push_back(ToMesh(model, 0, 0));  // no faces at all
    meshes.push_back(ToMesh(model, 10, faces - 20));
    meshes.push_back(ToMesh(model, faces - 20, faces, 3));
    std::vector<MeshSetup> setups;
    std::uint32_t first = 0;
    for (const MeshData& mesh : meshes) {
        MeshSetup s;
        s.mesh = &mesh;
        s.toCamera.m[3][0] = 0.5F;
        s.firstFace = first;
        first += static_cast<std::uint32_t>(mesh.faces.size());
        setups.push_back(s);
    }
    const FrameGeometry frame = MakeFrame(setups.data(), setups.size());
    GeometryScratch scratch(1);
    std::vector<ProjectedVertex> expected(1);
    for (const auto& [begin, end] : {std::pair<std::uint32_t, std::uint32_t>{0, first},
                                     {5, 4200},
                                     {9, 11},
                                     {first - 30, first - 1}}) {
        std::uint32_t next = begin;
        std::uint32_t windowed = 0;
        ForEachFace(frame, begin, end, scratch, [&](const MeshSetup& setup, std::uint32_t g) {
            ASSERT_EQ(g, next++);
            ASSERT_GE(g, setup.firstFace);
            ASSERT_LT(g - setup.firstFace, setup.mesh->faces.size());
            ASSERT_EQ(scratch.windowMesh, &setup);
            const FaceRecord& face = setup.mesh->faces[g - setup.firstFace];
            for (std::uint32_t i = 0; i < face.cornerCount; ++i) {
                const std::uint32_t p = setup.mesh->corners[face.firstCorner + i].position;
                if (p - scratch.windowFirst >= scratch.windowCount) {
                    continue;
                }
                ++windowed;
                TransformVertices(frame, setup, p, p + 1, expected.data());
                ASSERT_TRUE(SameBits(scratch.window[p - scratch.windowFirst], expected[0]))
                    << "face " << g << " point " << p;
            }
        });
        EXPECT_EQ(next, end);
        EXPECT_GT(windowed, 0U) << begin;
    }
}

}  // namespace
}  // namespace rm::raster
