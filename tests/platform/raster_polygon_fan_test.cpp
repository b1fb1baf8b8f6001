// A face of many corners draws exactly as the fan of triangles it is split into, whatever
// its corner count: small faces keep their screen corners apart from large ones, and
// Gouraud colours must reach the corners either way.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <vector>

#include "tests/platform/raster_test_support.h"

namespace rm {
namespace {

using namespace rastertest;

struct Polygon {
    std::vector<D3DVECTOR> corners;
    std::vector<D3DVECTOR> normals;
};

// A regular polygon facing the camera, clockwise as seen, its corner normals leaning out
// so that Gouraud shading varies across it.
Polygon Regular(int n) {
    Polygon p;
    for (int i = 0; i < n; ++i) {
        const double a = std::numbers::pi / 2 - 2 * std::numbers::pi * i / n;
        const auto c = static_cast<float>(std::cos(a));
        const auto s = static_cast<float>(std::sin(a));
        p.corners.push_back({0.8F * c, 0.8F * s, 2.0F});
        p.normals.push_back({0.7F * c, 0.7F * s, -1.0F});
    }
    return p;
}

void AddCorners(MeshData& mesh, const std::vector<D3DVECTOR>& corners,
                const std::vector<D3DVECTOR>& normals, D3DCOLOR color) {
    FaceRecord face;
    face.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
    face.cornerCount = static_cast<std::uint32_t>(corners.size());
    face.cornerCapacity = face.cornerCount;
    face.color = color;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        Corner c;
        c.position = static_cast<std::uint32_t>(mesh.positions.size());
        c.normal = static_cast<std::uint32_t>(mesh.normals.size());
        mesh.positions.push_back(corners[i]);
        mesh.normals.push_back(normals[i]);
        mesh.corners.push_back(c);
    }
    mesh.faces.push_back(face);
}

std::vector<D3DCOLOR> Picture(const MeshData& mesh, D3DRMRENDERQUALITY quality, unsigned threads) {
    const SceneLights lights;
    const MeshInstance inst = Instance(mesh, quality);
    RenderJob job = MakeJob({&inst, 1});
    job.ambient = lights.ambient;
    job.lights = lights.lights;
    Renderer r(kSize, kSize, threads);
    return Draw(r, job);
}

class RasterPolygonFan : public ::testing::TestWithParam<unsigned> {};

TEST_P(RasterPolygonFan, AnyCornerCountDrawsAsItsFan) {
    constexpr D3DCOLOR kColor = 0xFFC86432U;
    for (const int n : {3, 4, 5, 7, 8, 9, 12, 40}) {
        const Polygon p = Regular(n);
        MeshData whole;
        AddCorners(whole, p.corners, p.normals, kColor);
        MeshData fan;
        for (int k = 1; k + 1 < n; ++k) {
            AddCorners(fan, {p.corners[0], p.corners[k], p.corners[k + 1]},
                       {p.normals[0], p.normals[k], p.normals[k + 1]}, kColor);
        }
        for (const D3DRMRENDERQUALITY quality : {D3DRMRENDER_FLAT, D3DRMRENDER_GOURAUD}) {
            SCOPED_TRACE(::testing::Message() << n << " corners, quality " << quality);
            const auto got = Picture(whole, quality, GetParam());
            EXPECT_EQ(got, Picture(fan, quality, GetParam()));
            EXPECT_GT(CountDrawn(got), 1500);  // most of the disc of radius 40 pixels
            std::set<D3DCOLOR> colors;
            for (const D3DCOLOR c : got) {
                if (c != kBackground) {
                    colors.insert(c);
                }
            }
            if (quality == D3DRMRENDER_GOURAUD) {
                EXPECT_GT(colors.size(), 5U);  // the corners' own colours, blended
            } else {
                EXPECT_EQ(colors.size(), 1U);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, RasterPolygonFan, ::testing::Values(1U, 2U));

}  // namespace
}  // namespace rm
