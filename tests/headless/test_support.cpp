#include "tests/headless/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/headless/headless_main.h"

namespace tarno_test {

std::string TempPath(std::string_view name) {
    // A folder per test: ctest runs tests in parallel processes.
    std::filesystem::path dir = std::filesystem::path(TARNO_TEST_TMP) / "headless";
    if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
        dir /= std::string(test->test_suite_name()) + "." + test->name();
    }
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string WriteTemp(std::string_view name, std::string_view bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CommandResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "tarno");
    std::ostringstream out;
    std::ostringstream err;
    const auto code = app::RunHeadlessCommand(args, out, err);
    CommandResult result;
    result.handled = code.has_value();
    result.exitCode = code.value_or(-1);
    result.out = out.str();
    result.err = err.str();
    return result;
}

Coverage Measure(const rm::Picture& picture) {
    Coverage c;
    if (picture.Empty()) return c;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if ((picture.At(x, y) & 0x00FFFFFFU) == 0) continue;
            ++c.pixels;
            c.centreX += x;
            c.centreY += y;
        }
    }
    if (c.pixels > 0) {
        c.centreX /= static_cast<double>(c.pixels);
        c.centreY /= static_cast<double>(c.pixels);
    }
    return c;
}

namespace {
bool Finite(const rm::D3DVECTOR& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
}  // namespace

std::string MeshFault(const rm::MeshData& mesh) {
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        if (!Finite(mesh.positions[i])) return "position " + std::to_string(i) + " not finite";
    }
    for (std::size_t i = 0; i < mesh.normals.size(); ++i) {
        if (!Finite(mesh.normals[i])) return "normal " + std::to_string(i) + " not finite";
    }
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const rm::FaceRecord& face = mesh.faces[f];
        if (face.firstCorner > mesh.corners.size() ||
            face.cornerCount > mesh.corners.size() - face.firstCorner) {
            return "face " + std::to_string(f) + " runs past the corners";
        }
        for (std::uint32_t k = 0; k < face.cornerCount; ++k) {
            const rm::Corner& c = mesh.corners[face.firstCorner + k];
            if (c.position >= mesh.positions.size()) {
                return "face " + std::to_string(f) + " names a missing position";
            }
            if (c.normal != rm::kNoNormal && c.normal >= mesh.normals.size()) {
                return "face " + std::to_string(f) + " names a missing normal";
            }
        }
    }
    return {};
}

}  // namespace tarno_test
