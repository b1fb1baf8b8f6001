// Appending a part of a mesh built apart (see MeshBuilder::Append).

#include <new>

#include "platform/rm/mesh_builder.h"
#include "platform/rm/mesh_pin.h"
#include "platform/rm/mesh_pools.h"

namespace rm {

using pools::Changed;
using pools::GrowFor;
using pools::kMaxPool;

Result MeshBuilder::Append(const MeshData& part, std::span<const std::uint32_t> positionMap) {
    MeshData& d = *m_data;
    if (positionMap.size() != part.positions.size()) {
        return Result::BadValue;
    }
    std::size_t added = 0;
    for (const std::uint32_t p : positionMap) {
        if (p >= d.positions.size() && p != d.positions.size() + added++) {
            return Result::BadValue;
        }
    }
    if (d.positions.size() + added > kMaxPool ||
        d.normals.size() + part.normals.size() > kMaxPool ||
        d.corners.size() + part.corners.size() > kMaxPool ||
        d.faces.size() + part.faces.size() > kMaxPool) {
        return Result::OutOfMemory;
    }
    WaitForMeshReaders(d);
    try {
        GrowFor(d.positions, added);
        GrowFor(d.normals, part.normals.size());
        GrowFor(d.corners, part.corners.size());
        GrowFor(d.faces, part.faces.size());
        GrowFor(d.faceAppData, part.faceAppData.size());
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    const std::size_t positionBase = d.positions.size();
    for (std::size_t p = 0; p < positionMap.size(); ++p) {
        if (positionMap[p] >= positionBase) {
            d.positions.push_back(part.positions[p]);
        }
    }
    const auto normalBase = static_cast<std::uint32_t>(d.normals.size());
    d.normals.insert(d.normals.end(), part.normals.begin(), part.normals.end());
    const auto cornerBase = static_cast<std::uint32_t>(d.corners.size());
    for (const Corner& c : part.corners) {
        d.corners.push_back(Corner{positionMap[c.position],
                                   c.normal == kNoNormal ? kNoNormal : normalBase + c.normal});
    }
    for (FaceRecord f : part.faces) {
        f.firstCorner += cornerBase;
        d.faces.push_back(f);
    }
    d.faceAppData.insert(d.faceAppData.end(), part.faceAppData.begin(), part.faceAppData.end());
    Changed(*m_data);
    return Result::Ok;
}

}  // namespace rm
