#pragma once
// The generated .api files the benchmarks share, written once to $TMPDIR (or /tmp).

#include <string>

namespace bench {

// About 50 MB of point blocks of both kinds, polygons with every header kind, textured
// ones, colours and, with `strokes`, coordinate and point-path strokes: random large
// polygons all around the start camera. Deterministic; rewritten only when missing.
std::string WriteBenchFile(const char* name, bool strokes);
// That file with strokes, as tarno_load_bench.api.
const std::string& RandomApiFile();

}  // namespace bench
