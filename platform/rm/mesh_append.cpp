// Appending a part of a mesh built apart (see MeshBuilder::Append).

#include <new>
#include <system_error>
#include <thread>

#include "platform/rm/mesh_builder.h"
#include "platform/rm/mesh_pin.h"
#include "platform/rm/mesh_pools.h"

namespace rm {

using pools::Changed;
using pools::GrowFor;
using pools::kMaxPool;

namespace {

// Below this many corners a second thread costs more than it saves.
constexpr std::size_t kCornersForThread = std::size_t{1} << 18;

}  // namespace

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
    const auto normalBase = static_cast<std::uint32_t>(d.normals.size());
    const auto cornerBase = static_cast<std::uint32_t>(d.corners.size());
    // Every pool has its room: the copies below cannot fail, and each writes a pool of
    // its own. A big part's corners are copied on a second thread meanwhile, so that the
    // fresh pages they fill are split between two cores.
    const auto copyCorners = [&d, &part, positionMap, normalBase] {
        for (const Corner& c : part.corners) {
            d.corners.push_back(Corner{positionMap[c.position],
                                       c.normal == kNoNormal ? kNoNormal : normalBase + c.normal});
        }
    };
    std::thread cornerThread;
    if (part.corners.size() >= kCornersForThread) {
        try {
            cornerThread = std::thread(copyCorners);
        } catch (const std::system_error&) {
            // No thread to be had: copied below, in this one.
        }
    }
    for (std::size_t p = 0; p < positionMap.size(); ++p) {
        if (positionMap[p] >= positionBase) {
            d.positions.push_back(part.positions[p]);
        }
    }
    d.normals.insert(d.normals.end(), part.normals.begin(), part.normals.end());
    for (FaceRecord f : part.faces) {
        f.firstCorner += cornerBase;
        d.faces.push_back(f);
    }
    d.faceAppData.insert(d.faceAppData.end(), part.faceAppData.begin(), part.faceAppData.end());
    if (cornerThread.joinable()) {
        cornerThread.join();
    } else {
        copyCorners();
    }
    Changed(*m_data);
    return Result::Ok;
}

}  // namespace rm
