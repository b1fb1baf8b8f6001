#pragma once
// The model mesh as Wavefront OBJ text and its MTL materials.

#include <string>

#include "platform/rm/mesh_builder.h"

namespace app {

struct ObjText {
    std::string obj;
    std::string mtl;
};

// Faces in mesh order, each with its own vertex copies. z is negated, so that right-handed
// tools show the object unmirrored, and each face's corners are written the other way
// round from its first corner (0, n-1, ..., 1), so that they read counter-clockwise from
// the front as OBJ expects (z negated alone would leave them clockwise). One material
// per distinct colour, named c_RRGGBB, switched only when the colour changes. Normals are
// written for faces whose every corner has one. Faces of fewer than three corners cannot
// be written and are left out. `mtlName` is what the mtllib line names.
[[nodiscard]] ObjText ExportObj(const rm::MeshData& mesh, const std::string& mtlName,
                                const std::string& sourceName);

}  // namespace app
