// How long input waits behind drawing, with the loader benchmark's random 50 MB file in
// view (a million large polygons all around the start camera; one frame at 1280x720 takes
// tens of seconds). Each iteration is one input as the window handles it: a camera step
// of 10 units, then the loop's tick, while the model's frame is being drawn in the
// background and every input makes it stale. Counters: the slowest step (max_ms), and how
// long ending the program takes with such a frame in flight (stop_ms: cancel and join).
// BM_SlowFrameDrawnInTick is the same frame drawn inside the tick, once, for comparison.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "bench/bench_files.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
// The window's own budget for a frame before it is left to finish in the background.
constexpr std::chrono::milliseconds kBudget{40};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The document with the big file loaded and a surface set up as the view sets it up.
struct BigScene {
    rm::RootPtr root;
    std::unique_ptr<doc::CTarnoDoc> document;
    std::shared_ptr<rm::RecordingTarget> target = std::make_shared<rm::RecordingTarget>();
    rm::FramePtr camera;
    rm::ClipperPtr clipper;
    rm::DevicePtr device;
    rm::ViewportPtr viewport;

    bool Build() {
        if (rm::Failed(rm::Direct3DRMCreate(root))) return false;
        document = std::make_unique<doc::CTarnoDoc>(*root);
        if (!document->LoadApiFile(bench::RandomApiFile())) return false;
        const rm::FramePtr& scene = document->m_pSceneFrame;
        return rm::Succeeded(root->CreateFrame(scene, camera)) &&
               rm::Succeeded(camera->SetPosition(scene.get(), 0.0F, 0.0F, -200.0F)) &&
               rm::Succeeded(rm::DirectDrawCreateClipper(0, clipper, nullptr)) &&
               rm::Succeeded(clipper->SetHWnd(0, target)) &&
               rm::Succeeded(
                   root->CreateDeviceFromClipper(clipper, nullptr, kWidth, kHeight, device)) &&
               rm::Succeeded(
                   root->CreateViewport(device, camera, 0, 0, kWidth, kHeight, viewport)) &&
               rm::Succeeded(viewport->SetBack(5000.0F)) &&
               rm::Succeeded(device->SetQuality(rm::D3DRMRENDER_GOURAUD));
    }
    void Step(int i) {
        const float dz = i % 2 == 0 ? 10.0F : -10.0F;
        rm::D3DVECTOR p;
        // The moves cannot fail on the camera Build made; only their cost is measured.
        (void)camera->GetPosition(document->m_pSceneFrame.get(), p);
        (void)camera->SetPosition(document->m_pSceneFrame.get(), p.x, p.y, p.z + dz);
    }
};

void BM_InputWhileSlowFrameIsDrawn(benchmark::State& state) {
    BigScene s;
    if (!s.Build()) {
        state.SkipWithError("the big scene could not be set up");
        return;
    }
    s.root->StartBackgroundFrames(kBudget, [] {});
    // What a tick reports is checked by the frame tests; here only its time counts.
    (void)s.root->Tick(1.0F);  // the first frame starts
    double worst = 0.0;
    int i = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        s.Step(i++);
        (void)s.root->Tick(1.0F);
        const auto took = Clock::now() - start;
        worst = std::max(worst, Ms(took));
        state.SetIterationTime(std::chrono::duration<double>(took).count());
    }
    const auto stopStart = Clock::now();
    s.root->StopBackgroundFrames();
    state.counters["max_ms"] = worst;
    state.counters["stop_ms"] = Ms(Clock::now() - stopStart);
    state.counters["presented"] = s.target->PresentCount();
}

void BM_SlowFrameDrawnInTick(benchmark::State& state) {
    BigScene s;
    if (!s.Build()) {
        state.SkipWithError("the big scene could not be set up");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        s.Step(i++);
        (void)s.root->Tick(1.0F);
    }
}

}  // namespace

BENCHMARK(BM_InputWhileSlowFrameIsDrawn)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30)
    ->UseManualTime();
BENCHMARK(BM_SlowFrameDrawnInTick)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
