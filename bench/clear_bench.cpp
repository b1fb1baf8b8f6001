// Files of a million lines that each clear a whole table: `MOVETO ( )` (the paths) and
// `POINTS ( 0 )` (the point table). Each clear must cost what was written since the last,
// not the table, so that such a file loads about as fast as `wc -w` reads it.
//
// The files go to $TMPDIR (or /tmp) as tarno_clear_moveto.api and tarno_clear_points.api.
// BM_ClearLoad times LoadApiFile alone; BM_ClearProcess times the whole program
// (`tarno --render FILE --output OUT.png`) and BM_ClearWc `wc -w < FILE`, each started
// through popen, so the two are comparable.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "doc/tarno_doc.h"
#include "platform/rm/root.h"

namespace {

constexpr int kLines = 1'000'000;

std::string TempDir() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

const std::string& ClearFile(int kind) {
    static const std::string paths[2] = {TempDir() + "/tarno_clear_moveto.api",
                                         TempDir() + "/tarno_clear_points.api"};
    const std::string& path = paths[kind];
    const std::string line = kind == 0 ? "MOVETO ( )\r\n" : "POINTS ( 0 )\r\n";
    const auto size = static_cast<std::uintmax_t>(line.size()) * kLines;
    std::error_code error;
    if (std::filesystem::file_size(path, error) != size || error) {
        std::string text;
        text.reserve(static_cast<std::size_t>(size));
        for (int i = 0; i < kLines; ++i) text += line;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return path;
}

void BM_ClearLoad(benchmark::State& state) {
    const std::string& path = ClearFile(static_cast<int>(state.range(0)));
    rm::RootPtr root;
    if (rm::Failed(rm::Direct3DRMCreate(root))) {
        state.SkipWithError("no root object");
        return;
    }
    doc::CTarnoDoc document(*root);
    for (auto _ : state) {
        if (!document.LoadApiFile(path)) {
            state.SkipWithError(document.LastError().c_str());
            return;
        }
    }
    state.SetLabel(std::filesystem::path(path).filename().string());
}

// Runs `command` to its end; false if it fails.
bool RunToEnd(const std::string& command) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return false;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    }
    return ::pclose(pipe) == 0;
}

void TimeCommand(benchmark::State& state, const std::string& command, const std::string& path) {
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!RunToEnd(command)) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.SetLabel(std::filesystem::path(path).filename().string());
    state.counters["ms"] = 1000.0 * seconds / static_cast<double>(state.iterations());
}

void BM_ClearWc(benchmark::State& state) {
    const std::string& path = ClearFile(static_cast<int>(state.range(0)));
    TimeCommand(state, "wc -w < '" + path + "'", path);
}

#if defined(TARNO_EXE)
void BM_ClearProcess(benchmark::State& state) {
    const std::string& path = ClearFile(static_cast<int>(state.range(0)));
    const std::string out = TempDir() + "/tarno_clear_bench.png";
    TimeCommand(state, "'" TARNO_EXE "' --render '" + path + "' --output '" + out + "'", path);
}
BENCHMARK(BM_ClearProcess)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
#endif

}  // namespace

BENCHMARK(BM_ClearWc)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ClearLoad)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
