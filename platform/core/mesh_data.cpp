#include "platform/core/mesh_data.h"

namespace rm {

std::size_t MeshData::MemoryBytes() const {
    return positions.capacity() * sizeof(D3DVECTOR) + normals.capacity() * sizeof(D3DVECTOR) +
           corners.capacity() * sizeof(Corner) + faces.capacity() * sizeof(FaceRecord) +
           faceAppData.capacity() * sizeof(std::uint32_t);
}

}  // namespace rm
