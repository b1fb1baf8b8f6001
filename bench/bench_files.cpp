#include "bench/bench_files.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

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

}  // namespace

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

const std::string& RandomApiFile() {
    static const std::string path = WriteBenchFile("tarno_load_bench.api", true);
    return path;
}

}  // namespace bench
