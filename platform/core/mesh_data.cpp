#include "platform/core/mesh_data.h"

namespace rm {

std::size_t MeshData::MemoryBytes() const {
    return positions.capacity() * sizeof(D3DVECTOR) + normals.capacity() * sizeof(D3DVECTOR) +
           corners.capacity() * sizeof(Corner) +
           plainCorners.capacity() * sizeof(std::uint32_t) +
           faces.capacity() * sizeof(FaceRecord) +
           prisms.capacity() * sizeof(PrismRecord) +
           faceAppData.capacity() * sizeof(std::uint32_t);
}

std::span<const Corner> MeshData::PrismCorners(const FaceRecord& f, CornerScratch& scratch) const {
    const PrismRecord* const prism = PrismOf(f);
    if (prism == nullptr) {
        return {};
    }
    const PrismRecord& p = *prism;
    const PrismFace face = kPrismFaceList[f.PrismFaceNumber()];
    Corner* const out = scratch.Room(face.count);
    for (std::uint32_t k = 0; k < face.count; ++k) {
        const PrismCorner c = kPrismCornerList[face.first + k];
        out[k] = {p.firstPosition + c.vertex, p.firstNormal + c.normal};
    }
    return {out, face.count};
}

}  // namespace rm
