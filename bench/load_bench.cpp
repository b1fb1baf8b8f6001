// Load throughput of the .api loader on a generated file of about 50 MB, beside `wc -w`
// on the same file in the same run (the yardstick: reading and splitting words alone).
//
// The file (point blocks of both kinds, polygons with every header kind, textured ones,
// colours, coordinate and point-path strokes) is written once to
// $TMPDIR/tarno_load_bench.api (or /tmp); tarno_load_bench_polygons.api is the same mix
// without the strokes. Counters: MB/s of each, faces, strokes, and
// the finished mesh's bytes per face (MeshData::MemoryBytes / faces).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_files.h"
#include "doc/load_observer.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"

namespace {

const std::string& BenchFile() {
    return bench::RandomApiFile();
}

// The same mix without line strokes, which isolates the cost of laying strokes.
const std::string& PolygonFile() {
    static const std::string path = bench::WriteBenchFile("tarno_load_bench_polygons.api", false);
    return path;
}

double Megabytes(const std::string& path) {
    return static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}

class CountingObserver : public doc::LoadObserver {
public:
    void OnWarning(doc::LoadWarning, std::int64_t, const std::string&) override { ++warnings; }
    std::uint64_t warnings = 0;
};

void LoadBench(benchmark::State& state, const std::string& path, bool observe) {
    rm::RootPtr root;
    if (rm::Failed(rm::Direct3DRMCreate(root))) {
        state.SkipWithError("no root object");
        return;
    }
    doc::CTarnoDoc document(*root);
    CountingObserver observer;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool loaded = document.LoadApiFile(path, observe ? &observer : nullptr);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!loaded) {
            state.SkipWithError(document.LastError().c_str());
            return;
        }
    }
    const auto& mesh = document.m_pMeshBuilder->Data();
    const double faces = static_cast<double>(mesh.faces.size());
    state.counters["MB_per_s"] =
        Megabytes(path) * static_cast<double>(state.iterations()) / seconds;
    state.counters["faces"] = faces;
    state.counters["strokes"] = document.LastLoadSummary().strokes;
    state.counters["bytes_per_face"] = static_cast<double>(mesh.MemoryBytes()) / faces;
    if (observe)
        state.counters["warnings"] =
            static_cast<double>(observer.warnings) / static_cast<double>(state.iterations());
}

void BM_LoadApiFile(benchmark::State& state) {
    LoadBench(state, BenchFile(), false);
}
void BM_LoadApiFileObserved(benchmark::State& state) {
    LoadBench(state, BenchFile(), true);
}
void BM_LoadPolygonsOnly(benchmark::State& state) {
    LoadBench(state, PolygonFile(), false);
}

// A file of the user's own, named by TARNO_BENCH_API (the big scene, say): skipped
// without it.
void BM_LoadNamedFile(benchmark::State& state) {
    const char* named = std::getenv("TARNO_BENCH_API");
    if (named == nullptr || *named == '\0') {
        state.SkipWithError("TARNO_BENCH_API names no file");
        return;
    }
    LoadBench(state, named, false);
}

void WcBench(benchmark::State& state, const std::string& path) {
    const std::string command = "wc -w < '" + path + "'";
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            state.SkipWithError("cannot run wc");
            return;
        }
        char buffer[64];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        }
        if (::pclose(pipe) != 0) {
            state.SkipWithError("wc failed");
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["MB_per_s"] =
        Megabytes(path) * static_cast<double>(state.iterations()) / seconds;
}

void BM_WcWords(benchmark::State& state) {
    WcBench(state, BenchFile());
}
void BM_WcWordsPolygonsOnly(benchmark::State& state) {
    WcBench(state, PolygonFile());
}

}  // namespace

BENCHMARK(BM_WcWords)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LoadApiFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LoadApiFileObserved)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_WcWordsPolygonsOnly)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LoadPolygonsOnly)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LoadNamedFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
