// Small scenes drawn straight through the renderer and compared pixel for pixel with
// committed pictures: flat and Gouraud shading, wireframe, faces cut by the front plane and
// strokes, each with and without smooth edges, and with one and with two threads.
// TARNO_UPDATE_REFERENCES=1 writes the pictures anew (look at them before committing).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "tests/platform/raster_test_support.h"
#include "tests/support/reference_image.h"

namespace rm {
namespace {

using namespace rastertest;

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr float kHalfPi = 1.57079633F;

// A box of half-sides h around the origin, each side its own colour, corners clockwise as
// seen from outside.
void AddBox(MeshData& mesh, const D3DVECTOR& h, const std::array<D3DCOLOR, 6>& colors) {
    int side = 0;
    for (int axis = 0; axis < 3; ++axis) {
        for (const float sign : {-1.0F, 1.0F}) {
            // u x v must point into the box for the order below to run clockwise outside.
            int ua = (axis + 1) % 3;
            int va = (axis + 2) % 3;
            if (sign > 0.0F) {
                std::swap(ua, va);
            }
            std::array<D3DVECTOR, 4> c{};
            const float su[4] = {-1, 1, 1, -1};
            const float sv[4] = {1, 1, -1, -1};
            for (int k = 0; k < 4; ++k) {
                float p[3] = {0, 0, 0};
                const float half[3] = {h.x, h.y, h.z};
                p[axis] = sign * half[axis];
                p[ua] = su[k] * half[ua];
                p[va] = sv[k] * half[va];
                c[static_cast<std::size_t>(k)] = {p[0], p[1], p[2]};
            }
            AddFace(mesh, {c[0], c[1], c[2], c[3]}, colors[static_cast<std::size_t>(side++)]);
        }
    }
}

D3DVECTOR Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

D3DVECTOR Unit(const D3DVECTOR& v) {
    const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

// A stroke as the document builds one: an octagonal prism of half-width w around a..b,
// corners 0-7 ringing a and 8-15 ringing b, every face marked as a stroke's.
void AddStroke(MeshData& mesh, float w, const D3DVECTOR& a, const D3DVECTOR& b, D3DCOLOR color) {
    const D3DVECTOR d = Unit({b.x - a.x, b.y - a.y, b.z - a.z});
    const D3DVECTOR helper = std::fabs(d.x) < 0.9F ? D3DVECTOR{1, 0, 0} : D3DVECTOR{0, 1, 0};
    const D3DVECTOR u = Unit(Cross(d, helper));
    const D3DVECTOR v = Cross(d, u);
    const float k = std::tan(kHalfPi / 4.0F);  // tan 22.5 degrees
    const float ou[8] = {1, k, -k, -1, -1, -k, k, 1};
    const float ov[8] = {k, 1, 1, k, -k, -1, -1, -k};
    std::array<D3DVECTOR, 16> p{};
    std::array<D3DVECTOR, 8> n{};
    for (std::size_t i = 0; i < 8; ++i) {
        const D3DVECTOR off{w * (ou[i] * u.x + ov[i] * v.x), w * (ou[i] * u.y + ov[i] * v.y),
                            w * (ou[i] * u.z + ov[i] * v.z)};
        n[i] = Unit(off);
        p[i] = {a.x + off.x, a.y + off.y, a.z + off.z};
        p[8 + i] = {b.x + off.x, b.y + off.y, b.z + off.z};
    }
    const auto first = static_cast<std::uint32_t>(mesh.faces.size());
    AddFace(mesh, {p[7], p[6], p[5], p[4], p[3], p[2], p[1], p[0]}, color);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t j = (i + 1) % 8;
        AddFace(mesh, {p[i], p[j], p[8 + j], p[8 + i]}, color, {n[i], n[j], n[j], n[i]});
    }
    AddFace(mesh, {p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]}, color);
    for (std::uint32_t f = first; f < mesh.faces.size(); ++f) {
        mesh.faces[f].flags = kFaceStroke;
    }
}

struct Scene {
    std::vector<MeshData> meshes;
    std::vector<MeshInstance> instances;
    float front = 1.0F;

    void Add(MeshData mesh, D3DRMRENDERQUALITY quality, const Matrix4& toWorld = {}) {
        meshes.push_back(std::move(mesh));
        instance.push_back({quality, toWorld});
    }
    // Instances point into `meshes`, so they are made once the meshes stop moving.
    std::span<const MeshInstance> Instances() {
        instances.clear();
        for (std::size_t i = 0; i < meshes.size(); ++i) {
            MeshInstance m;
            m.mesh = &meshes[i];
            m.quality = instance[i].first;
            m.modelToWorld = instance[i].second;
            instances.push_back(m);
        }
        return instances;
    }

private:
    std::vector<std::pair<D3DRMRENDERQUALITY, Matrix4>> instance;
};

Matrix4 Turned(const D3DVECTOR& axis, float angle, const D3DVECTOR& at) {
    return Matrix4::Rotation(Unit(axis), angle) * Matrix4::Translation(at);
}

Scene FlatScene() {
    Scene s;
    MeshData box;
    AddBox(box, {1.5F, 1.0F, 1.2F},
           {0xFFD04030U, 0xFF30A050U, 0xFF3060D0U, 0xFFD0C030U, 0xFFA040C0U, 0xFF40C0C0U});
    s.Add(std::move(box), D3DRMRENDER_FLAT, Turned({1.0F, 2.0F, 0.5F}, 0.7F, {-1.6F, 0.3F, 9.0F}));
    // Two faces through each other: the depth test decides the crossing line.
    MeshData crossing;
    AddFace(crossing,
            {{0.5F, 1.8F, 8.0F}, {3.5F, 1.6F, 11.0F}, {3.2F, -1.9F, 11.0F}, {0.6F, -1.7F, 8.0F}},
            0xFFE0A060U);
    AddFace(crossing,
            {{0.4F, 0.9F, 11.5F}, {3.6F, 1.1F, 7.5F}, {3.4F, -0.6F, 7.5F}, {0.3F, -0.8F, 11.5F}},
            0xFF6080E0U);
    // A small face behind the others and a sliver a few pixels wide.
    AddFace(crossing, {{-4.0F, -1.0F, 14.0F}, {-2.0F, -1.5F, 14.0F}, {-3.5F, -3.0F, 14.0F}},
            0xFFF0F0F0U);
    AddFace(crossing, {{-5.0F, 2.7F, 10.0F}, {4.8F, 2.4F, 10.0F}, {4.8F, 2.37F, 10.0F}},
            0xFFFF8000U);
    s.Add(std::move(crossing), D3DRMRENDER_FLAT);
    return s;
}

Scene GouraudScene() {
    Scene s;
    // Half a cylinder facing the eye, its quads sharing normals along their seams.
    MeshData cylinder;
    constexpr int kSteps = 10;
    constexpr float kRadius = 2.0F;
    constexpr float kHalfHeight = 2.2F;
    const auto at = [](float t, float y) {
        return D3DVECTOR{kRadius * std::sin(t) - 1.2F, y, 12.0F - kRadius * std::cos(t)};
    };
    for (int i = 0; i < kSteps; ++i) {
        const float t0 = -1.4F + 2.8F * static_cast<float>(i) / kSteps;
        const float t1 = -1.4F + 2.8F * static_cast<float>(i + 1) / kSteps;
        const D3DVECTOR n0{std::sin(t0), 0.0F, -std::cos(t0)};
        const D3DVECTOR n1{std::sin(t1), 0.0F, -std::cos(t1)};
        AddFace(
            cylinder,
            {at(t0, kHalfHeight), at(t1, kHalfHeight), at(t1, -kHalfHeight), at(t0, -kHalfHeight)},
            0xFFC0D0F0U, {n0, n1, n1, n0});
    }
    s.Add(std::move(cylinder), D3DRMRENDER_GOURAUD);
    // A triangle whose corners turn three ways, in three colours of light.
    MeshData fan;
    AddFace(fan, {{1.5F, 2.5F, 10.0F}, {4.5F, -0.5F, 10.0F}, {1.0F, -2.5F, 9.0F}}, 0xFFFFE0A0U,
            {Unit({-1, 1, -1}), Unit({1, 0, -0.3F}), Unit({0, -1, -1})});
    s.Add(std::move(fan), D3DRMRENDER_GOURAUD);
    return s;
}

Scene WireframeScene() {
    Scene s;
    MeshData box;
    AddBox(box, {1.4F, 1.4F, 1.4F},
           {0xFFFF4040U, 0xFF40FF40U, 0xFF4040FFU, 0xFFFFFF40U, 0xFFFF40FFU, 0xFF40FFFFU});
    s.Add(std::move(box), D3DRMRENDER_WIREFRAME,
          Turned({0.3F, 1.0F, 0.2F}, 0.6F, {-1.5F, 0.0F, 10.0F}));
    // A solid face in front of part of the wireframe hides it.
    MeshData front;
    AddFace(front, {{-1.0F, 0.5F, 7.0F}, {2.5F, 0.8F, 7.0F}, {2.0F, -2.0F, 7.0F}}, 0xFF808080U);
    s.Add(std::move(front), D3DRMRENDER_FLAT);
    MeshData flatWire;
    AddFace(flatWire,
            {{1.5F, 2.5F, 12.0F}, {5.0F, 2.0F, 12.0F}, {4.0F, -2.5F, 12.0F}, {2.0F, -1.0F, 12.0F}},
            0xFFFFFFFFU);
    s.Add(std::move(flatWire), D3DRMRENDER_WIREFRAME);
    return s;
}

Scene FrontClipScene() {
    Scene s;
    s.front = 1.0F;
    // A floor running from behind the eye into the distance, and a wall crossing the front
    // plane at a slant; the cut edges are where the front plane meets them.
    MeshData floor;
    AddFace(
        floor,
        {{-3.0F, -1.0F, 40.0F}, {3.0F, -1.0F, 40.0F}, {3.0F, -1.0F, -2.0F}, {-3.0F, -1.0F, -2.0F}},
        0xFF70A060U);
    s.Add(std::move(floor), D3DRMRENDER_FLAT);
    MeshData wall;
    AddFace(wall,
            {{-0.6F, 0.5F, 0.4F}, {-0.1F, 0.7F, 5.0F}, {-0.1F, -0.6F, 5.0F}, {-0.6F, -0.4F, 0.4F}},
            0xFFD08040U,
            {Unit({1, 0.5F, -1}), Unit({1, 0, -0.5F}), Unit({0.5F, -1, -1}), Unit({0, 0, -1})});
    s.Add(std::move(wall), D3DRMRENDER_GOURAUD);
    MeshData edge;
    AddFace(edge, {{0.3F, 0.5F, 0.5F}, {1.6F, -0.3F, 4.0F}, {1.6F, 0.9F, 4.0F}}, 0xFF4070E0U);
    s.Add(std::move(edge), D3DRMRENDER_WIREFRAME);
    return s;
}

Scene StrokeScene() {
    Scene s;
    MeshData strokes;
    // Thin strokes, well under a pixel across: horizontal, vertical, diagonal, shallow and
    // one running away from the eye.
    AddStroke(strokes, 0.05F, {-12.0F, 6.0F, 30.0F}, {12.0F, 6.0F, 30.0F}, 0xFFFFFFFFU);
    AddStroke(strokes, 0.05F, {-9.0F, -9.0F, 30.0F}, {-9.0F, 8.0F, 30.0F}, 0xFFFF6060U);
    AddStroke(strokes, 0.05F, {-7.0F, -8.0F, 30.0F}, {6.0F, 4.0F, 30.0F}, 0xFF60FF60U);
    AddStroke(strokes, 0.05F, {-6.0F, -3.0F, 30.0F}, {12.0F, -1.5F, 30.0F}, 0xFF6080FFU);
    AddStroke(strokes, 0.05F, {3.0F, -2.5F, 4.0F}, {3.0F, -2.5F, 80.0F}, 0xFFFFD040U);
    // A wide stroke: its faces alone decide its pixels.
    AddStroke(strokes, 0.3F, {-8.0F, -7.0F, 25.0F}, {10.0F, -9.0F, 25.0F}, 0xFFC080FFU);
    s.Add(std::move(strokes), D3DRMRENDER_FLAT);
    return s;
}

// Many small triangles of random size, slant and depth, overlapping: the cases where the
// rasterizer's shortcuts (rows and groups it skips, tiles it cuts) must change nothing.
Scene ManyTrianglesScene() {
    Scene s;
    MeshData mesh;
    std::uint32_t state = 12345;
    const auto next = [&state](float lo, float hi) {
        state = state * 1664525U + 1013904223U;
        return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0F;
    };
    for (int i = 0; i < 400; ++i) {
        const D3DVECTOR c{next(-7.0F, 7.0F), next(-5.0F, 5.0F), next(9.0F, 14.0F)};
        const float size = next(0.02F, 1.2F);
        D3DVECTOR p[3];
        for (D3DVECTOR& v : p) {
            v = {c.x + next(-size, size), c.y + next(-size, size), c.z + next(-size, size)};
        }
        const auto color = static_cast<D3DCOLOR>(0xFF000000U | (state & 0x00FFFFFFU));
        AddFace(mesh, {p[0], p[1], p[2]}, color);
        AddFace(mesh, {p[0], p[2], p[1]}, color ^ 0x00FFFFFFU);
    }
    s.Add(std::move(mesh), D3DRMRENDER_FLAT);
    MeshData shaded;
    for (int i = 0; i < 60; ++i) {
        const D3DVECTOR c{next(-7.0F, 7.0F), next(-5.0F, 5.0F), next(9.0F, 14.0F)};
        const float size = next(0.3F, 2.5F);
        const D3DVECTOR p0{c.x - size, c.y + next(-size, size), c.z};
        const D3DVECTOR p1{c.x + size, c.y + next(0.0F, size), c.z + next(-size, size)};
        const D3DVECTOR p2{c.x + next(-size, size), c.y - size, c.z};
        AddFace(shaded, {p0, p1, p2}, 0xFFFFFFFFU,
                {Unit({-1, 1, -1}), Unit({1, next(-1.0F, 1.0F), -1}), Unit({0, -1, -0.5F})});
    }
    s.Add(std::move(shaded), D3DRMRENDER_GOURAUD);
    return s;
}

struct Case {
    const char* name;
    Scene (*make)();
};

TEST(RasterReference, ScenesMatchTheirPicturesForEitherEdgeModeAndThreadCount) {
    const Case cases[] = {
        {"raster-flat", FlatScene},           {"raster-gouraud", GouraudScene},
        {"raster-wireframe", WireframeScene}, {"raster-front-clip", FrontClipScene},
        {"raster-strokes", StrokeScene},      {"raster-many", ManyTrianglesScene},
    };
    const SceneLights lights;
    for (const Case& c : cases) {
        Scene scene = c.make();
        RenderJob job;
        job.front = scene.front;
        job.back = 1000.0F;
        job.field = 0.5F;
        job.rect = {0, 0, kWidth, kHeight};
        job.ambient = lights.ambient;
        job.lights = lights.lights;
        job.meshes = scene.Instances();
        for (const bool antialias : {false, true}) {
            const std::string name = std::string(c.name) + (antialias ? "-aa" : "-no-aa");
            std::vector<D3DCOLOR> one;
            for (const unsigned threads : {1U, 2U}) {
                Renderer r(kWidth, kHeight, threads);
                r.SetAntialias(antialias);
                const std::vector<D3DCOLOR> pixels = Draw(r, job);
                if (threads == 1) {
                    tarno_test::ExpectMatchesReference(PictureView{kWidth, kHeight, pixels.data()},
                                                       name);
                    one = pixels;
                } else {
                    EXPECT_TRUE(pixels == one) << name << ": two threads differ from one";
                }
            }
        }
    }
}

}  // namespace
}  // namespace rm
