// Frame times of the software renderer on the scenes the llvmpipe comparison uses: random
// boxes of 12 triangles 200 units ahead (1k, 10k and 100k triangles), ten full-screen
// layers drawn far to near, and a clear alone.
//
// Each iteration is one frame: Clear + Render, then Picture(), which fills the tiles that
// no geometry reached with the background (colour clears land there). The iteration time
// is the whole of it; the counters add per-frame medians of both parts.
//
// Every scene and size runs twice: as is (the aliased picture) and with "/aa", four samples
// a pixel resolved into the picture.
//
// TARNO_RENDER_THREADS sets the worker count (default: one per hardware thread);
// TARNO_BENCH_PNG=path.png saves the boxes10k picture at 1280x720 (aa: path-aa.png).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/image/png_writer.h"
#include "platform/raster/renderer.h"

namespace {

using rm::D3DCOLOR;
using rm::D3DVECTOR;

constexpr D3DCOLOR kBackground = 0xFF1A1A26U;  // (0.1, 0.1, 0.15)
constexpr std::uint64_t kSeed = 12345;
constexpr double kPi = 3.14159265358979323846;

// splitmix64, so that the scenes match the ones the anchor program draws.
class SplitMix {
public:
    explicit SplitMix(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

private:
    std::uint64_t m_state;
};

void AddTriangle(rm::MeshData& mesh, const D3DVECTOR& a, const D3DVECTOR& b, const D3DVECTOR& c,
                 D3DCOLOR color) {
    rm::FaceRecord face;
    face.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
    face.cornerCount = face.cornerCapacity = 3;
    face.color = color;
    for (const D3DVECTOR& p : {a, b, c}) {
        mesh.corners.push_back({static_cast<std::uint32_t>(mesh.positions.size()), rm::kNoNormal});
        mesh.positions.push_back(p);
    }
    mesh.faces.push_back(face);
}

// `triangles` triangles of random boxes: centres in a 100-unit cube around z = 200, edges
// 0.5 to 5, uniformly random orientation, one colour per triangle. The anchor works in
// right-handed coordinates looking down -z; mirroring z and reversing each triangle's
// corner order gives the same picture with the same faces in front.
rm::MeshData MakeBoxes(int triangles) {
    // Per box side: the outward axis and the two axes spanning it, ordered so that the
    // side's quad runs counter-clockwise seen from outside in the anchor's coordinates.
    static constexpr int kSides[6][3][3] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}};
    static constexpr int kQuad[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    static constexpr int kSplit[2][3] = {{0, 1, 2}, {0, 2, 3}};
    rm::MeshData mesh;
    mesh.positions.reserve(static_cast<std::size_t>(triangles) * 3);
    mesh.corners.reserve(static_cast<std::size_t>(triangles) * 3);
    mesh.faces.reserve(static_cast<std::size_t>(triangles));
    SplitMix rng(kSeed);
    int made = 0;
    while (made < triangles) {
        const double centre[3] = {rng.Range(-50, 50), rng.Range(-50, 50),
                                  rng.Range(-50, 50) - 200.0};
        const double half[3] = {rng.Range(0.25, 2.5), rng.Range(0.25, 2.5), rng.Range(0.25, 2.5)};
        // A uniformly random unit quaternion, then its rotation matrix.
        const double u1 = rng.Uniform();
        const double u2 = rng.Uniform() * 2 * kPi;
        const double u3 = rng.Uniform() * 2 * kPi;
        const double qx = std::sqrt(1 - u1) * std::sin(u2);
        const double qy = std::sqrt(1 - u1) * std::cos(u2);
        const double qz = std::sqrt(u1) * std::sin(u3);
        const double qw = std::sqrt(u1) * std::cos(u3);
        const double rot[3][3] = {
            {1 - 2 * (qy * qy + qz * qz), 2 * (qx * qy - qz * qw), 2 * (qx * qz + qy * qw)},
            {2 * (qx * qy + qz * qw), 1 - 2 * (qx * qx + qz * qz), 2 * (qy * qz - qx * qw)},
            {2 * (qx * qz - qy * qw), 2 * (qy * qz + qx * qw), 1 - 2 * (qx * qx + qy * qy)}};
        for (int side = 0; side < 6 && made < triangles; ++side) {
            for (int half2 = 0; half2 < 2 && made < triangles; ++half2, ++made) {
                std::uint32_t rgb[3];
                for (std::uint32_t& c : rgb) {
                    c = static_cast<std::uint32_t>(64 + rng.Next() % 192);
                }
                D3DVECTOR p[3];
                for (int k = 0; k < 3; ++k) {
                    const int* q = kQuad[kSplit[half2][k]];
                    double local[3];
                    for (int a = 0; a < 3; ++a) {
                        local[a] = (kSides[side][0][a] + q[0] * kSides[side][1][a] +
                                    q[1] * kSides[side][2][a]) *
                                   half[a];
                    }
                    double world[3];
                    for (int a = 0; a < 3; ++a) {
                        world[a] = centre[a] + rot[a][0] * local[0] + rot[a][1] * local[1] +
                                   rot[a][2] * local[2];
                    }
                    p[k] = {static_cast<float>(world[0]), static_cast<float>(world[1]),
                            static_cast<float>(-world[2])};
                }
                AddTriangle(mesh, p[0], p[2], p[1],
                            0xFF000000U | (rgb[0] << 16) | (rgb[1] << 8) | rgb[2]);
            }
        }
    }
    return mesh;
}

// Ten camera-facing layers, each larger than the view, from z = 100 in to z = 19.
rm::MeshData MakeFill() {
    rm::MeshData mesh;
    for (int i = 0; i < 10; ++i) {
        const float d = 100.0F - 9.0F * static_cast<float>(i);
        const D3DCOLOR color = 0xFF000000U | (static_cast<D3DCOLOR>(60 + 19 * i) << 16) |
                               (static_cast<D3DCOLOR>(200 - 15 * i) << 8) |
                               static_cast<D3DCOLOR>(120 + 11 * i);
        rm::FaceRecord face;
        face.firstCorner = static_cast<std::uint32_t>(mesh.corners.size());
        face.cornerCount = face.cornerCapacity = 4;
        face.color = color;
        const D3DVECTOR corners[4] = {{-1.2F * d, 0.8F * d, d},
                                      {1.2F * d, 0.8F * d, d},
                                      {1.2F * d, -0.8F * d, d},
                                      {-1.2F * d, -0.8F * d, d}};
        for (const D3DVECTOR& p : corners) {
            mesh.corners.push_back(
                {static_cast<std::uint32_t>(mesh.positions.size()), rm::kNoNormal});
            mesh.positions.push_back(p);
        }
        mesh.faces.push_back(face);
    }
    return mesh;
}

const rm::MeshData& SceneMesh(const std::string& scene) {
    static const rm::MeshData empty;
    static const rm::MeshData boxes1k = MakeBoxes(1000);
    static const rm::MeshData boxes10k = MakeBoxes(10000);
    static const rm::MeshData boxes100k = MakeBoxes(100000);
    static const rm::MeshData fill = MakeFill();
    if (scene == "boxes1k") return boxes1k;
    if (scene == "boxes10k") return boxes10k;
    if (scene == "boxes100k") return boxes100k;
    if (scene == "fill10") return fill;
    return empty;
}

unsigned ThreadsFromEnvironment() {
    const char* v = std::getenv("TARNO_RENDER_THREADS");
    return v != nullptr ? static_cast<unsigned>(std::strtoul(v, nullptr, 10)) : 0U;
}

double Quantile(std::vector<double> v, double q) {
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    const auto k = static_cast<std::size_t>(std::ceil(q * static_cast<double>(v.size())));
    return v[k == 0 ? 0 : k - 1];
}

void RenderScene(benchmark::State& state, const std::string& scene, int width, int height,
                 bool antialias) {
    const rm::MeshData& mesh = SceneMesh(scene);
    rm::MeshInstance instance;
    instance.mesh = &mesh;
    instance.quality = rm::D3DRMRENDER_FLAT;
    // The anchor's light: ambient 0.25 plus 0.75 from (0.4, 0.7, 0.6), z mirrored.
    const float n = std::sqrt(0.4F * 0.4F + 0.7F * 0.7F + 0.6F * 0.6F);
    const rm::DirectionalLightInfo light{{-0.4F / n, -0.7F / n, 0.6F / n}, {0.75F, 0.75F, 0.75F}};
    rm::RenderJob job;
    job.front = 1.0F;
    job.back = 5000.0F;
    job.field = static_cast<float>(std::tan(26.5 * kPi / 180.0));  // 53 degrees vertically
    job.rect = {0, 0, width, height};
    job.ambient = {0.25F, 0.25F, 0.25F};
    job.lights = {&light, 1};
    if (!mesh.faces.empty()) {
        job.meshes = {&instance, 1};
    }

    rm::Renderer renderer(width, height, ThreadsFromEnvironment());
    renderer.SetAntialias(antialias);
    const auto frame = [&] {
        renderer.Clear(job.rect, kBackground);
        renderer.Render(job);
    };
    // One counted frame for the coverage figures, then warm-up.
    renderer.SetCountFragments(true);
    frame();
    const rm::RenderStats stats = renderer.LastStats();
    const rm::PictureView picture = renderer.Picture();
    std::int64_t covered = 0;
    for (std::int64_t i = 0; i < std::int64_t{width} * height; ++i) {
        covered += picture.pixels[i] != kBackground ? 1 : 0;
    }
    if (const char* png = std::getenv("TARNO_BENCH_PNG");
        png != nullptr && scene == "boxes10k" && width == 1280) {
        std::string path = png;
        if (antialias) {
            const std::size_t dot = path.rfind('.');
            path.insert(dot == std::string::npos ? path.size() : dot, "-aa");
        }
        (void)rm::WritePng(path, picture);
    }
    renderer.SetCountFragments(false);
    for (int i = 0; i < 10; ++i) {
        frame();
        benchmark::DoNotOptimize(renderer.Picture().pixels);
    }

    std::vector<double> renderMs;
    std::vector<double> frameMs;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        frame();
        const auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(renderer.Picture().pixels);
        const auto t2 = std::chrono::steady_clock::now();
        const double all = std::chrono::duration<double>(t2 - t0).count();
        state.SetIterationTime(all);
        renderMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        frameMs.push_back(all * 1e3);
    }
    state.counters["frame_ms_median"] = Quantile(frameMs, 0.5);
    state.counters["frame_ms_p90"] = Quantile(frameMs, 0.9);
    state.counters["render_ms_median"] = Quantile(renderMs, 0.5);
    state.counters["triangles"] = static_cast<double>(stats.trianglesIn);
    state.counters["covered_px"] = static_cast<double>(covered);
    state.counters["frags_passed"] = static_cast<double>(stats.fragmentsPassed);
    state.counters["threads"] = renderer.ThreadCount();
}

const bool kRegistered = [] {
    for (const auto& [w, h] :
         {std::pair{1280, 720}, std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        for (const bool aa : {false, true}) {
            for (const char* scene : {"clear", "boxes1k", "boxes10k", "boxes100k", "fill10"}) {
                const std::string name = std::string("Render/") + scene + "/" + std::to_string(w) +
                                         "x" + std::to_string(h) + (aa ? "/aa" : "");
                benchmark::RegisterBenchmark(
                    name.c_str(), [scene = std::string(scene), w = w, h = h,
                                   aa](benchmark::State& s) { RenderScene(s, scene, w, h, aa); })
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    return true;
}();

}  // namespace
