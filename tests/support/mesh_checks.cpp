#include "tests/support/mesh_checks.h"

#include <cmath>
#include <cstdint>

namespace tarno_test {

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
    rm::CornerScratch scratch;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const rm::FaceRecord& face = mesh.faces[f];
        const std::span<const rm::Corner> corners = mesh.CornersOf(face, scratch);
        if (corners.size() != face.cornerCount) {
            return "face " + std::to_string(f) + " runs past the corners";
        }
        for (const rm::Corner& c : corners) {
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
