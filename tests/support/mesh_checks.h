#pragma once
// What every mesh a load makes must satisfy, whatever the file held.

#include <string>

#include "platform/rm/mesh_builder.h"

namespace tarno_test {

// Every face's corners name existing positions and normals, and every position and
// normal is finite. Returns a description of the first fault, or "".
std::string MeshFault(const rm::MeshData& mesh);

}  // namespace tarno_test
