// One stroke: a closed octagonal prism of half-width w around the segment a to b.

#include <array>
#include <cmath>
#include <cstdint>

#include "doc/tarno_doc.h"
#include "platform/core/vector_math.h"

namespace doc {

namespace {

// Face data: per face a vertex count and (vertex, normal) pairs; 0 ends the list. Vertices
// 0-7 ring the first point, 8-15 the second; normal i points out through corner i.
constexpr std::array<std::uint32_t, 107> kStrokeFaces = {
    8, 7, 7, 6, 6, 5,  5, 4,  4, 3,  3, 2,  2, 1,  1, 0,  0,  // cap at the first point
    4, 0, 0, 1, 1, 9,  1, 8,  0,                              // sides
    4, 1, 1, 2, 2, 10, 2, 9,  1,                              //
    4, 2, 2, 3, 3, 11, 3, 10, 2,                              //
    4, 3, 3, 4, 4, 12, 4, 11, 3,                              //
    4, 4, 4, 5, 5, 13, 5, 12, 4,                              //
    4, 5, 5, 6, 6, 14, 6, 13, 5,                              //
    4, 6, 6, 7, 7, 15, 7, 14, 6,                              //
    4, 7, 7, 0, 0, 8,  0, 15, 7,                              //
    8, 8, 0, 9, 1, 10, 2, 11, 3, 12, 4, 13, 5, 14, 6, 15, 7,  // cap at the second point
    0,
};

bool Finite(const rm::D3DVECTOR& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

bool CTarnoDoc::AddStroke(rm::MeshBuilder& mesh, rm::D3DVALUE w, const rm::D3DVECTOR& a,
                          const rm::D3DVECTOR& b, rm::D3DCOLOR color) {
    using rm::D3DVECTOR;
    D3DVECTOR d = b - a;
    if (rm::Failed(rm::D3DRMVectorNormalize(d))) {
        return false;  // the ends coincide: there is no direction to stroke along
    }
    // u: a unit vector across d in the plane x = 0.
    D3DVECTOR u;
    if (d.y == 0.0F && d.z == 0.0F) {
        u = {0.0F, 0.0F, 1.0F};
    } else if (d.y == 0.0F) {
        u = {0.0F, 1.0F, 0.0F};
    } else {
        const rm::D3DVALUE s = std::sqrt(1.0F / (d.z * d.z / (d.y * d.y) + 1.0F));
        u = {0.0F, -(d.z / d.y) * s, s};
    }
    const D3DVECTOR v = rm::D3DRMVectorCrossProduct(d, u);
    const D3DVECTOR U = w * u;
    const D3DVECTOR V = w * v;
    const rm::D3DVALUE root2 = std::sqrt(2.0F);
    const rm::D3DVALUE k = root2 / (2.0F * (0.5F * root2 + 1.0F));  // tan 22.5 degrees
    const std::array<D3DVECTOR, 8> offsets = {
        U + k * V, V + k * U, V - k * U, -U + k * V, -U - k * V, -V - k * U, -V + k * U, U - k * V,
    };
    std::array<D3DVECTOR, 8> normals{};
    std::array<D3DVECTOR, 16> vertices{};
    for (std::size_t i = 0; i < 8; ++i) {
        normals[i] = offsets[i];
        if (rm::Failed(rm::D3DRMVectorNormalize(normals[i]))) {
            return false;  // a width too small to give the sides a direction
        }
        vertices[i] = a + offsets[i];
        vertices[8 + i] = b + offsets[i];
    }
    for (const D3DVECTOR& p : vertices) {
        if (!Finite(p)) {
            return false;
        }
    }
    rm::FaceArray faces;
    if (rm::Failed(mesh.AddFaces(vertices, normals, kStrokeFaces, &faces))) {
        return false;
    }
    (void)faces.SetColor(color);
    (void)faces.SetFlags(rm::kFaceStroke);
    return true;
}

}  // namespace doc
