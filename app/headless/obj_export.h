#pragma once
// The model mesh as Wavefront OBJ text and its MTL materials.

#include <string>

#include "platform/rm/mesh_builder.h"

namespace app {

struct ObjText {
    std::string obj;
    std::string mtl;
};

// Faces in mesh order, each with its own vertex copies in its corner order. z is negated,
// so the mirror image reads counter-clockwise from the front as OBJ expects. One material
// per distinct colour, named c_RRGGBB, switched only when the colour changes. Normals are
// written for faces whose every corner has one. Faces of fewer than three corners cannot
// be written and are left out. `mtlName` is what the mtllib line names.
[[nodiscard]] ObjText ExportObj(const rm::MeshData& mesh, const std::string& mtlName,
                                const std::string& sourceName);

}  // namespace app
