// One stroke: a closed octagonal prism of half-width w around the segment a to b (the ring
// prism of platform/core/prism.h).

#include <array>
#include <cmath>

#include "doc/tarno_doc.h"
#include "platform/core/vector_math.h"

namespace doc {

namespace {

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
    if (rm::Failed(mesh.AddPrism(vertices, normals, &faces))) {
        return false;
    }
    (void)faces.SetColor(color);
    (void)faces.SetFlags(rm::kFaceStroke);
    return true;
}

}  // namespace doc
