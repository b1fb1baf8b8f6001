#include "app/headless/obj_export.h"

#include <charconv>
#include <cstdio>
#include <unordered_set>

namespace app {

namespace {

// Shortest round-trip text is not needed; six significant digits are the OBJ custom and
// the same on every machine, whatever the locale.
void AppendNumber(std::string& out, float value) {
    char buffer[32];
    // Adding +0 turns a negative zero into zero, so a negated 0 prints as "0".
    const float v = value + 0.0F;
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
    out.append(buffer, result.ptr);
}

void AppendTriple(std::string& out, const char* tag, const rm::D3DVECTOR& v) {
    out += tag;
    out += ' ';
    AppendNumber(out, v.x);
    out += ' ';
    AppendNumber(out, v.y);
    out += ' ';
    AppendNumber(out, -v.z);
    out += '\n';
}

std::string MaterialName(rm::D3DCOLOR color) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "c_%02X%02X%02X", rm::RedOf(color), rm::GreenOf(color),
                  rm::BlueOf(color));
    return buffer;
}

void AppendMaterial(std::string& mtl, rm::D3DCOLOR color) {
    mtl += "newmtl " + MaterialName(color) + "\nKd ";
    AppendNumber(mtl, static_cast<float>(rm::RedOf(color)) / 255.0F);
    mtl += ' ';
    AppendNumber(mtl, static_cast<float>(rm::GreenOf(color)) / 255.0F);
    mtl += ' ';
    AppendNumber(mtl, static_cast<float>(rm::BlueOf(color)) / 255.0F);
    mtl += "\n\n";
}

bool HasAllNormals(const rm::MeshData& mesh, std::span<const rm::Corner> corners) {
    for (const rm::Corner& c : corners) {
        if (c.normal == rm::kNoNormal || c.normal >= mesh.normals.size()) return false;
    }
    return true;
}

bool CornersInRange(const rm::MeshData& mesh, const rm::FaceRecord& face,
                    std::span<const rm::Corner> corners) {
    if (corners.size() != face.cornerCount) return false;
    for (const rm::Corner& c : corners) {
        if (c.position >= mesh.positions.size()) return false;
    }
    return true;
}

}  // namespace

ObjText ExportObj(const rm::MeshData& mesh, const std::string& mtlName,
                  const std::string& sourceName) {
    ObjText text;
    text.obj = "# " + sourceName + ", written by tarno " TARNO_VERSION "\n";
    text.mtl = text.obj;
    text.obj += "mtllib " + mtlName + "\n";

    std::unordered_set<rm::D3DCOLOR> defined;
    bool haveMaterial = false;
    rm::D3DCOLOR current = 0;
    std::size_t vertexCount = 0;
    std::size_t normalCount = 0;
    rm::CornerScratch scratch;
    for (const rm::FaceRecord& face : mesh.faces) {
        const std::span<const rm::Corner> corners = mesh.CornersOf(face, scratch);
        if (face.cornerCount < 3 || !CornersInRange(mesh, face, corners)) continue;
        // Alpha plays no part in a material.
        const rm::D3DCOLOR color = face.color & 0x00FFFFFFU;
        if (!haveMaterial || color != current) {
            if (defined.insert(color).second) AppendMaterial(text.mtl, color);
            text.obj += "usemtl " + MaterialName(color) + "\n";
            current = color;
            haveMaterial = true;
        }
        const bool normals = HasAllNormals(mesh, corners);
        for (std::uint32_t k = 0; k < face.cornerCount; ++k) {
            // Negating z keeps the picture but turns the coordinates right-handed, where
            // the same corner order would read clockwise from the front: so the corners go
            // the other way round, starting from the same first corner.
            const std::uint32_t i = k == 0 ? 0 : face.cornerCount - k;
            const rm::Corner& c = corners[i];
            AppendTriple(text.obj, "v", mesh.positions[c.position]);
            if (normals) AppendTriple(text.obj, "vn", mesh.normals[c.normal]);
        }
        text.obj += 'f';
        for (std::uint32_t i = 0; i < face.cornerCount; ++i) {
            const std::string v = std::to_string(vertexCount + 1 + i);
            text.obj += ' ';
            text.obj += v;
            if (normals) text.obj += "//" + std::to_string(normalCount + 1 + i);
        }
        text.obj += '\n';
        vertexCount += face.cornerCount;
        if (normals) normalCount += face.cornerCount;
    }
    return text;
}

}  // namespace app
