// Appending a part of a mesh built apart (see MeshBuilder::Append).

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <system_error>
#include <thread>

#include "platform/core/huge_page.h"
#include "platform/rm/mesh_builder.h"
#include "platform/rm/mesh_pin.h"
#include "platform/rm/mesh_pools.h"

namespace rm {

using pools::Changed;
using pools::GrowFor;
using pools::kMaxPool;
using pools::kMaxPrisms;

namespace {

// Below this many corners and faces a second thread costs more than it saves.
constexpr std::size_t kRecordsForThread = std::size_t{1} << 18;
// What is copied between two hand-backs of a taken part's memory.
constexpr std::size_t kReleaseBytes = std::size_t{2} << 20;
// What is handed back: whole huge pages, which the kernel takes back without splitting
// them.
constexpr std::uintptr_t kReleasePage = kHugePageBytes;

// Hands the whole pages of `v` below element `upTo` back to the system, each page once
// every element on it is done. Nothing reads them again: the vector is freed after the copy.
template <typename T>
class PageRelease {
public:
    PageRelease(const std::vector<T>& v, bool enabled)
        : m_v(v),
          m_enabled(enabled),
          m_released((reinterpret_cast<std::uintptr_t>(v.data()) + kReleasePage - 1) /
                     kReleasePage * kReleasePage) {}
    // How many elements to copy between two calls of Upto.
    [[nodiscard]] std::size_t Step() const {
        return m_enabled ? std::max<std::size_t>(kReleaseBytes / sizeof(T), 1) : m_v.size();
    }
    void Upto(std::size_t upTo) {
        if (!m_enabled) return;
        const auto begin = reinterpret_cast<std::uintptr_t>(m_v.data());
        const std::uintptr_t to = (begin + upTo * sizeof(T)) / kReleasePage * kReleasePage;
        if (to > m_released) {
            // Failure leaves the pages as they are: the copy is right either way.
            (void)::madvise(reinterpret_cast<void*>(m_released), to - m_released, MADV_DONTNEED);
            m_released = to;
        }
    }

private:
    const std::vector<T>& m_v;
    bool m_enabled;
    std::uintptr_t m_released;  // every whole page below this is handed back
};

// Calls each(i) for every element of `v` in order; with `release`, the pages of what is
// done are handed back as they are done.
template <typename T, typename Each>
void WalkReleasing(const std::vector<T>& v, bool release, Each&& each) {
    PageRelease<T> pages(v, release);
    for (std::size_t at = 0; at < v.size();) {
        const std::size_t end = std::min(v.size(), at + pages.Step());
        for (; at < end; ++at) {
            each(at);
        }
        pages.Upto(end);
    }
}

constexpr std::uint32_t kScatteredPrism = 0xFFFFFFFFU;
// A position no pool holds: readers drop a face with such a corner.
constexpr std::uint32_t kNoPosition = 0xFFFFFFFFU;

// For each prism of `part`, its index once appended after `first` prisms, or
// kScatteredPrism when the map does not keep its vertices in a run, or it names vertices
// or normals `part` does not have.
std::vector<std::uint32_t> MapPrisms(const MeshData& part,
                                     std::span<const std::uint32_t> positionMap,
                                     std::size_t first) {
    std::vector<std::uint32_t> map(part.prisms.size(), kScatteredPrism);
    auto next = static_cast<std::uint32_t>(first);
    for (std::size_t q = 0; q < part.prisms.size(); ++q) {
        const PrismRecord& p = part.prisms[q];
        if (p.firstPosition > positionMap.size() ||
            positionMap.size() - p.firstPosition < kPrismVertices ||
            p.firstNormal > part.normals.size() ||
            part.normals.size() - p.firstNormal < kPrismNormals) {
            continue;
        }
        const std::uint32_t base = positionMap[p.firstPosition];
        bool run = base <= kMaxPool - kPrismVertices;
        for (std::uint32_t k = 1; run && k < kPrismVertices; ++k) {
            run = positionMap[p.firstPosition + k] == base + k;
        }
        if (run) {
            map[q] = next++;
        }
    }
    return map;
}

// Turns `record`, a prism face of `part` whose prism is not kept, into a face with corners
// of its own at the end of `corners`, mapped as the part's other corners are.
void OwnPrismCorners(const MeshData& part, std::span<const std::uint32_t> positionMap,
                     std::uint32_t normalBase, FaceRecord& record, std::vector<Corner>& corners) {
    CornerScratch scratch;
    const std::span<const Corner> own = part.CornersOf(record, scratch);
    const auto first = static_cast<std::uint32_t>(corners.size());
    for (const Corner& c : own) {
        corners.push_back(Corner{
            c.position < positionMap.size() ? positionMap[c.position] : kNoPosition,
            c.normal == kNoNormal ? kNoNormal : normalBase + c.normal});
    }
    record.prism = 0;
    record.firstCorner = first;
    record.cornerCount = static_cast<std::uint32_t>(own.size());
    record.cornerCapacity = record.cornerCount;
}

}  // namespace

Result MeshBuilder::Append(const MeshData& part, std::span<const std::uint32_t> positionMap) {
    return AppendParts(part, positionMap, false, 0);
}

Result MeshBuilder::AppendTaking(MeshBuilder& part, std::span<const std::uint32_t> positionMap,
                                 std::uint32_t appDataBase) {
    if (part.m_data == m_data) {
        return Result::BadValue;
    }
    WaitForMeshReaders(*part.m_data);
    const Result result = AppendParts(*part.m_data, positionMap, true, appDataBase);
    if (result == Result::Ok) {
        MeshData& p = *part.m_data;
        p.positions = {};
        p.normals = {};
        p.corners = {};
        p.plainCorners = {};
        p.faces = {};
        p.prisms = {};
        p.faceAppData = {};
        Changed(p);
    }
    return result;
}

Result MeshBuilder::TakeAll(MeshBuilder& part) {
    MeshData& d = *m_data;
    if (part.m_data == m_data || !d.positions.empty() || !d.normals.empty() ||
        !d.corners.empty() || !d.plainCorners.empty() || !d.faces.empty() || !d.prisms.empty() ||
        !d.faceAppData.empty()) {
        return Result::BadValue;
    }
    MeshData& p = *part.m_data;
    WaitForMeshReaders(p);
    WaitForMeshReaders(d);
    d.positions.swap(p.positions);
    d.normals.swap(p.normals);
    d.corners.swap(p.corners);
    d.plainCorners.swap(p.plainCorners);
    d.faces.swap(p.faces);
    d.prisms.swap(p.prisms);
    d.faceAppData.swap(p.faceAppData);
    Changed(p);
    Changed(d);
    return Result::Ok;
}

Result MeshBuilder::AppendParts(const MeshData& part, std::span<const std::uint32_t> positionMap,
                                bool release, std::uint32_t appDataBase) {
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
    // A prism stays one where the map keeps its vertices together; the faces of one it
    // scatters (or of one `part` does not hold) take corners of their own.
    std::vector<std::uint32_t> prismMap;
    std::size_t ownedCorners = 0;
    try {
        prismMap = MapPrisms(part, positionMap, d.prisms.size());
        for (const FaceRecord& f : part.faces) {
            if (f.prism != 0 && (f.PrismIndex() >= prismMap.size() ||
                                 prismMap[f.PrismIndex()] == kScatteredPrism)) {
                ownedCorners += f.cornerCount;
            }
        }
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    const std::size_t keptPrisms = static_cast<std::size_t>(
        std::count_if(prismMap.begin(), prismMap.end(),
                      [](std::uint32_t m) { return m != kScatteredPrism; }));
    if (d.positions.size() + added > kMaxPool ||
        d.normals.size() + part.normals.size() > kMaxPool ||
        d.corners.size() + part.corners.size() + ownedCorners > kMaxPool ||
        d.plainCorners.size() + part.plainCorners.size() > kMaxPool ||
        d.faces.size() + part.faces.size() > kMaxPool ||
        d.prisms.size() + keptPrisms > kMaxPrisms) {
        return Result::OutOfMemory;
    }
    WaitForMeshReaders(d);
    try {
        GrowFor(d.positions, added);
        GrowFor(d.normals, part.normals.size());
        GrowFor(d.corners, part.corners.size() + ownedCorners);
        GrowFor(d.plainCorners, part.plainCorners.size());
        GrowFor(d.faces, part.faces.size());
        GrowFor(d.prisms, keptPrisms);
        GrowFor(d.faceAppData, part.faceAppData.size());
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    const std::size_t positionBase = d.positions.size();
    const auto normalBase = static_cast<std::uint32_t>(d.normals.size());
    const auto cornerBase = static_cast<std::uint32_t>(d.corners.size());
    const auto plainBase = static_cast<std::uint32_t>(d.plainCorners.size());
    // Every pool has its room: the copies below cannot fail, and each writes a pool of
    // its own. A big part's corners and faces are copied on a second thread meanwhile, the
    // rest on this one, so that the fresh pages they fill are split between two cores in
    // about equal halves.
    const std::size_t faceBase = d.faces.size();
    const auto copyCornersAndFaces = [&d, &part, positionMap, normalBase, release, cornerBase,
                                      plainBase, &prismMap] {
        WalkReleasing(part.corners, release, [&](std::size_t at) {
            const Corner& c = part.corners[at];
            d.corners.push_back(Corner{positionMap[c.position],
                                       c.normal == kNoNormal ? kNoNormal : normalBase + c.normal});
        });
        WalkReleasing(part.plainCorners, release, [&](std::size_t at) {
            d.plainCorners.push_back(positionMap[part.plainCorners[at]]);
        });
        WalkReleasing(part.faces, release, [&](std::size_t f) {
            FaceRecord record = part.faces[f];
            if (record.prism == 0) {
                record.firstCorner += record.plain != 0 ? plainBase : cornerBase;
            } else if (record.PrismIndex() < prismMap.size() &&
                       prismMap[record.PrismIndex()] != kScatteredPrism) {
                record.firstCorner = FaceRecord::PrismFaceIndex(prismMap[record.PrismIndex()],
                                                                record.PrismFaceNumber());
            }
            d.faces.push_back(record);
        });
    };
    std::thread copyThread;
    if (part.corners.size() + part.plainCorners.size() + part.faces.size() >= kRecordsForThread) {
        try {
            copyThread = std::thread(copyCornersAndFaces);
        } catch (const std::system_error&) {
            // No thread to be had: copied below, in this one.
        }
    }
    // positionMap has one entry per position of `part` (checked above).
    WalkReleasing(part.positions, release, [&](std::size_t p) {
        if (positionMap[p] >= positionBase) {
            d.positions.push_back(part.positions[p]);
        }
    });
    WalkReleasing(part.normals, release,
                  [&](std::size_t n) { d.normals.push_back(part.normals[n]); });
    for (std::size_t q = 0; q < prismMap.size(); ++q) {
        if (prismMap[q] != kScatteredPrism) {
            const PrismRecord& p = part.prisms[q];
            d.prisms.push_back({positionMap[p.firstPosition], normalBase + p.firstNormal});
        }
    }
    WalkReleasing(part.faceAppData, release, [&](std::size_t f) {
        const std::uint32_t data = part.faceAppData[f];
        d.faceAppData.push_back(data > 0xFFFFFFFFU - appDataBase ? 0xFFFFFFFFU
                                                                 : data + appDataBase);
    });
    if (copyThread.joinable()) {
        copyThread.join();
    } else {
        copyCornersAndFaces();
    }
    if (ownedCorners > 0) {
        // After the part's own corners, which the faces above point at.
        for (std::size_t f = 0; f < part.faces.size(); ++f) {
            FaceRecord& record = d.faces[faceBase + f];
            if (record.prism != 0 && (record.PrismIndex() >= prismMap.size() ||
                                      prismMap[record.PrismIndex()] == kScatteredPrism)) {
                OwnPrismCorners(part, positionMap, normalBase, record, d.corners);
            }
        }
    }
    Changed(*m_data);
    return Result::Ok;
}

}  // namespace rm
