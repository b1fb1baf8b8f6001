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

#include "doc/load_observer.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"

namespace {

constexpr std::size_t kTargetBytes = 50U << 20;

class Random {
public:
    std::uint32_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<std::uint32_t>(m_state >> 16);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint64_t m_state = 0x9E3779B97F4A7C15ULL;
};

// One section: 4096 points, then polygons over them, a few colour changes and strokes.
void WriteSection(std::string& out, Random& rng, int section, bool strokes) {
    out += section % 2 == 0 ? "Points( 0\r\n" : "VecPoints( 0\r\n";
    for (int i = 0; i < 4096; ++i) {
        out += "  " + std::to_string(rng.Below(2000) - 1000) + " " +
               std::to_string(rng.Below(2000) - 1000) + " " +
               std::to_string(rng.Below(2000) - 1000);
        if (section % 2 != 0) out += " 0 1 0";
        out += "\r\n";
    }
    out += ")\r\n";
    static const char* const kHeaders[] = {"A", "AI", "AU", "AD", "m 0 0 32767 0", "1 2 3 4", "x"};
    static const char* const kPolys[] = {"Poly", "ShadedPoly", "TexPoly", "ShadedTexPoly"};
    for (int p = 0; p < 12000; ++p) {
        if (p % 500 == 0) {
            out += "SurfaceColor( " + std::to_string(rng.Below(0x17)) + " F0 )\r\n";
        }
        const int kind = rng.Below(4);
        const bool textured = kind >= 2;
        out += kPolys[kind];
        out += "( ";
        out += kHeaders[rng.Below(7)];
        const int n = 3 + rng.Below(3);
        const int base = rng.Below(4096 - 8);
        for (int v = 0; v < n; ++v) {
            out += " " + std::to_string(base + v);
            if (textured)
                out += " " + std::to_string(rng.Below(256)) + " " + std::to_string(rng.Below(256));
        }
        out += " )\r\n";
        if (strokes && p % 100 == 0) {
            out += "LineColor( " + std::to_string(rng.Below(0x17)) + " 0 )\r\n";
            out += "MoveTo( 0 0 0 )\r\nDrawTo( " + std::to_string(rng.Below(100) + 1) + " " +
                   std::to_string(rng.Below(100)) + " " + std::to_string(rng.Below(100)) + " )\r\n";
            out += "MoveToPt( " + std::to_string(base) + " )\r\nDrawToPt( " +
                   std::to_string(base + 1) + " " + std::to_string(base + 2) + " )\r\n";
        }
    }
}

std::string WriteBenchFile(const char* name, bool strokes) {
    const char* dir = std::getenv("TMPDIR");
    const std::string file =
        std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/" + name;
    std::string text;
    text.reserve(kTargetBytes + (4U << 20));
    text += "; generated for the loader benchmark\r\n";
    Random rng;
    for (int section = 0; text.size() < kTargetBytes; ++section) {
        WriteSection(text, rng, section, strokes);
    }
    text += "EndA\r\n";
    std::error_code error;
    if (std::filesystem::file_size(file, error) != text.size() || error) {
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return file;
}

const std::string& BenchFile() {
    static const std::string path = WriteBenchFile("tarno_load_bench.api", true);
    return path;
}

// The same mix without line strokes, which isolates the cost of laying strokes.
const std::string& PolygonFile() {
    static const std::string path = WriteBenchFile("tarno_load_bench_polygons.api", false);
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
