#include "platform/rm/mesh_builder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

#include "platform/rm/mesh_pin.h"
#include "platform/rm/mesh_pools.h"
#include "platform/rm/revision.h"

namespace rm {

using pools::Changed;
using pools::GrowFor;
using pools::kMaxPool;
using pools::kMaxPrisms;

namespace {

// A float is finite unless its exponent bits are all set; tested on the bits, so that a
// position added per corner costs no library call.
bool Finite(const D3DVECTOR& v) {
    constexpr std::uint32_t kExponent = 0x7F800000U;
    const auto finite = [](float f) {
        return (std::bit_cast<std::uint32_t>(f) & kExponent) != kExponent;
    };
    return finite(v.x) && finite(v.y) && finite(v.z);
}

bool AllFinite(std::span<const D3DVECTOR> vectors) {
    return std::all_of(vectors.begin(), vectors.end(), [](const D3DVECTOR& v) { return Finite(v); });
}

std::uint8_t ToByte(D3DVALUE v) {
    const float c = std::clamp(v, 0.0F, 1.0F);
    return static_cast<std::uint8_t>(std::lround(c * 255.0F));
}

// Gives a prism or plain face full corners of its own at the end of the pool, so that it
// can grow like any other face.
void OwnCorners(MeshData& d, FaceRecord& f) {
    CornerScratch scratch;
    const std::span<const Corner> corners = d.CornersOf(f, scratch);
    GrowFor(d.corners, corners.size() + 1);
    const auto first = static_cast<std::uint32_t>(d.corners.size());
    d.corners.insert(d.corners.end(), corners.begin(), corners.end());
    f.prism = 0;
    f.plain = 0;
    f.firstCorner = first;
    f.cornerCount = static_cast<std::uint32_t>(corners.size());
    f.cornerCapacity = f.cornerCount;
}

}  // namespace

// ---------------------------------------------------------------- Face

Result Face::AddVertex(D3DVALUE x, D3DVALUE y, D3DVALUE z) {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return Result::BadObject;
    }
    const D3DVECTOR p{x, y, z};
    if (!Finite(p)) {
        return Result::BadValue;
    }
    MeshData& d = *m_mesh;
    WaitForMeshReaders(d);
    // Room to move the face's corners to the end with twice their number, as below.
    if (d.positions.size() >= kMaxPool || d.faces[m_index].cornerCount >= kMaxFaceCorners ||
        d.corners.size() + 2 * std::size_t{d.faces[m_index].cornerCount} + 8 >= kMaxPool) {
        return Result::OutOfMemory;
    }
    try {
        FaceRecord& f = d.faces[m_index];
        if (f.prism != 0 || f.plain != 0) {
            OwnCorners(d, f);
        }
        const auto position = static_cast<std::uint32_t>(d.positions.size());
        if (f.cornerCount == f.cornerCapacity) {
            if (static_cast<std::size_t>(f.firstCorner) + f.cornerCapacity == d.corners.size()) {
                // The face's corners end the pool (the in-order fill): grow in place.
                d.corners.emplace_back();
                ++f.cornerCapacity;
            } else {
                // Somewhere in the middle: move its corners to the end with room to grow.
                const std::uint32_t capacity =
                    std::min(std::max<std::uint32_t>(4, f.cornerCount * 2), kMaxFaceCorners);
                const auto first = static_cast<std::uint32_t>(d.corners.size());
                d.corners.resize(d.corners.size() + capacity);
                std::copy_n(d.corners.begin() + f.firstCorner, f.cornerCount,
                            d.corners.begin() + first);
                f.firstCorner = first;
                f.cornerCapacity = capacity;
            }
        }
        d.positions.push_back(p);
        d.corners[f.firstCorner + f.cornerCount] = Corner{position, kNoNormal};
        ++f.cornerCount;
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    Changed(*m_mesh);
    return Result::Ok;
}

Result Face::SetColor(D3DCOLOR color) {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return Result::BadObject;
    }
    WaitForMeshReaders(*m_mesh);
    m_mesh->faces[m_index].color = color;
    Changed(*m_mesh);
    return Result::Ok;
}

Result Face::SetAppData(std::uint32_t data) {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return Result::BadObject;
    }
    m_mesh->faceAppData.resize(m_mesh->faces.size());
    m_mesh->faceAppData[m_index] = data;
    return Result::Ok;
}

std::uint32_t Face::GetAppData() const {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return 0;
    }
    return m_index < m_mesh->faceAppData.size() ? m_mesh->faceAppData[m_index] : 0;
}

Result Face::SetColorRGB(D3DVALUE r, D3DVALUE g, D3DVALUE b) {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return Result::BadObject;
    }
    if (!std::isfinite(r) || !std::isfinite(g) || !std::isfinite(b)) {
        return Result::BadValue;
    }
    return SetColor(MakeColor(ToByte(r), ToByte(g), ToByte(b)));
}

D3DCOLOR Face::GetColor() const {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return 0;
    }
    return m_mesh->faces[m_index].color;
}

Result Face::SetFlags(std::uint32_t flags) {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return Result::BadObject;
    }
    if ((flags & ~kFaceFlagMask) != 0) {
        return Result::BadValue;  // no such flag
    }
    m_mesh->faces[m_index].flags = flags;
    Changed(*m_mesh);
    return Result::Ok;
}

std::uint32_t Face::GetFlags() const {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return 0;
    }
    return m_mesh->faces[m_index].flags;
}

Result Face::GetNormal(D3DVECTOR& out) const {
    out = {};
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return Result::BadObject;
    }
    const MeshData& d = *m_mesh;
    const FaceRecord& f = d.faces[m_index];
    if (f.cornerCount < 3) {
        return Result::BadValue;
    }
    // Newell's method in double, relative to the first corner so that faces far from the
    // origin keep their precision. For corners clockwise as seen from the front (left-handed
    // coordinates) the sum points out of the front.
    CornerScratch scratch;
    const std::span<const Corner> corners = d.CornersOf(f, scratch);
    if (corners.size() != f.cornerCount) {
        return Result::BadValue;
    }
    const D3DVECTOR& o = d.positions[corners[0].position];
    double nx = 0.0;
    double ny = 0.0;
    double nz = 0.0;
    double perimeter = 0.0;
    double largest = 0.0;  // the largest coordinate, which sets the precision of all
    for (std::uint32_t i = 0; i < f.cornerCount; ++i) {
        const D3DVECTOR& a = d.positions[corners[i].position];
        const D3DVECTOR& b = d.positions[corners[(i + 1) % f.cornerCount].position];
        const double ax = static_cast<double>(a.x) - o.x;
        const double ay = static_cast<double>(a.y) - o.y;
        const double az = static_cast<double>(a.z) - o.z;
        const double bx = static_cast<double>(b.x) - o.x;
        const double by = static_cast<double>(b.y) - o.y;
        const double bz = static_cast<double>(b.z) - o.z;
        nx += (ay - by) * (az + bz);
        ny += (az - bz) * (ax + bx);
        nz += (ax - bx) * (ay + by);
        largest =
            std::max({largest, std::abs(static_cast<double>(a.x)),
                      std::abs(static_cast<double>(a.y)), std::abs(static_cast<double>(a.z))});
        perimeter +=
            std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by) + (az - bz) * (az - bz));
    }
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    // |n| is twice the area, and |n| / perimeter about the face's width. A face whose width
    // is within float rounding of its largest coordinate (2^-24 of it) has no direction it
    // can be trusted with: collinear or coincident corners, or a sliver that rounding made.
    // A long thin face wider than that keeps its direction, however long it is.
    if (!std::isfinite(len) || len <= perimeter * largest * kFloatRounding || len < 1e-30) {
        return Result::BadValue;
    }
    out = {static_cast<float>(nx / len), static_cast<float>(ny / len),
           static_cast<float>(nz / len)};
    return Result::Ok;
}

std::uint32_t Face::GetVertexCount() const {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return 0;
    }
    return m_mesh->faces[m_index].cornerCount;
}

Result Face::GetVertex(std::uint32_t i, D3DVECTOR& position) const {
    if (!m_mesh || m_index >= m_mesh->faces.size()) {
        return Result::BadObject;
    }
    const FaceRecord& f = m_mesh->faces[m_index];
    if (i >= f.cornerCount) {
        return Result::NotFound;
    }
    CornerScratch scratch;
    const std::span<const Corner> corners = m_mesh->CornersOf(f, scratch);
    if (i >= corners.size() || corners[i].position >= m_mesh->positions.size()) {
        return Result::NotFound;
    }
    position = m_mesh->positions[corners[i].position];
    return Result::Ok;
}

// ---------------------------------------------------------------- FaceArray

Result FaceArray::GetElement(std::uint32_t index, Face& out) const {
    if (!m_mesh) {
        return Result::BadObject;
    }
    if (index >= m_count) {
        return Result::NotFound;
    }
    out = Face(m_mesh, m_first + index);
    return Result::Ok;
}

Result FaceArray::SetColor(D3DCOLOR color) {
    if (!m_mesh || std::size_t{m_first} + m_count > m_mesh->faces.size()) {
        return Result::BadObject;
    }
    WaitForMeshReaders(*m_mesh);
    FaceRecord* const faces = m_mesh->faces.data() + m_first;
    for (std::uint32_t i = 0; i < m_count; ++i) {
        faces[i].color = color;
    }
    Changed(*m_mesh);
    return Result::Ok;
}

Result FaceArray::SetFlags(std::uint32_t flags) {
    if (!m_mesh || std::size_t{m_first} + m_count > m_mesh->faces.size()) {
        return Result::BadObject;
    }
    if ((flags & ~kFaceFlagMask) != 0) {
        return Result::BadValue;
    }
    WaitForMeshReaders(*m_mesh);
    FaceRecord* const faces = m_mesh->faces.data() + m_first;
    for (std::uint32_t i = 0; i < m_count; ++i) {
        faces[i].flags = flags;
    }
    Changed(*m_mesh);
    return Result::Ok;
}

// ---------------------------------------------------------------- MeshBuilder

MeshBuilder::MeshBuilder() : m_data(std::make_shared<MeshData>()) {}

MeshBuilder::MeshBuilder(Detached) : m_data(std::make_shared<MeshData>()) {
    m_data->detached = true;
}

void MeshBuilder::Attach() {
    if (m_data->detached) {
        m_data->detached = false;
        BumpRevision();
    }
}

Result MeshBuilder::CreateFace(Face& out) {
    MeshData& d = *m_data;
    WaitForMeshReaders(d);
    if (d.faces.size() >= kMaxPool) {
        return Result::OutOfMemory;
    }
    try {
        d.faces.push_back(FaceRecord{.firstCorner = static_cast<std::uint32_t>(d.corners.size())});
        d.faceAppData.push_back(m_newFaceAppData);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    out = Face(m_data, static_cast<std::uint32_t>(d.faces.size() - 1));
    Changed(*m_data);
    return Result::Ok;
}

Result MeshBuilder::AddFaces(std::span<const D3DVECTOR> vertices,
                             std::span<const D3DVECTOR> normals,
                             std::span<const std::uint32_t> faceData, FaceArray* out) {
    // Pass 1: check everything, count what will be added.
    const bool withNormals = !normals.empty();
    const std::size_t stride = withNormals ? 2 : 1;
    std::size_t pos = 0;
    std::size_t faceCount = 0;
    std::size_t cornerCount = 0;
    while (pos < faceData.size()) {
        const std::uint32_t n = faceData[pos++];
        if (n == 0) {
            break;
        }
        if (n < 3) {
            return Result::BadFaceData;
        }
        const std::size_t entries = static_cast<std::size_t>(n) * stride;
        if (entries > faceData.size() - pos) {
            return Result::BadFaceData;  // runs past the end of the data
        }
        if (n > kMaxFaceCorners) {
            return Result::OutOfMemory;
        }
        for (std::size_t k = 0; k < n; ++k) {
            if (faceData[pos + k * stride] >= vertices.size()) {
                return Result::BadFaceData;
            }
            if (withNormals && faceData[pos + k * stride + 1] >= normals.size()) {
                return Result::BadFaceData;
            }
        }
        pos += entries;
        ++faceCount;
        cornerCount += n;
    }
    if (!AllFinite(vertices) || !AllFinite(normals)) {
        return Result::BadValue;
    }
    MeshData& d = *m_data;
    WaitForMeshReaders(d);
    if (d.positions.size() + vertices.size() > kMaxPool ||
        d.normals.size() + normals.size() > kMaxPool || d.corners.size() + cornerCount > kMaxPool ||
        d.faces.size() + faceCount > kMaxPool) {
        return Result::OutOfMemory;
    }
    // Pass 2: make room (the only step that can fail), then append.
    try {
        // Grow geometrically: an exact reserve per call would make many small calls
        // (one stroke each) quadratic.
        GrowFor(d.positions, vertices.size());
        GrowFor(d.normals, normals.size());
        GrowFor(d.corners, cornerCount);
        GrowFor(d.faces, faceCount);
        GrowFor(d.faceAppData, faceCount);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    const auto positionBase = static_cast<std::uint32_t>(d.positions.size());
    const auto normalBase = static_cast<std::uint32_t>(d.normals.size());
    const auto firstFace = static_cast<std::uint32_t>(d.faces.size());
    d.positions.insert(d.positions.end(), vertices.begin(), vertices.end());
    d.normals.insert(d.normals.end(), normals.begin(), normals.end());
    pos = 0;
    for (std::size_t f = 0; f < faceCount; ++f) {
        const std::uint32_t n = faceData[pos++];
        d.faces.push_back(FaceRecord{.firstCorner = static_cast<std::uint32_t>(d.corners.size()),
                                     .cornerCount = n,
                                     .cornerCapacity = n});
        for (std::uint32_t k = 0; k < n; ++k) {
            Corner c;
            c.position = positionBase + faceData[pos++];
            if (withNormals) {
                c.normal = normalBase + faceData[pos++];
            }
            d.corners.push_back(c);
        }
    }
    d.faceAppData.insert(d.faceAppData.end(), faceCount, m_newFaceAppData);
    if (out != nullptr) {
        *out = FaceArray(m_data, firstFace, static_cast<std::uint32_t>(faceCount));
    }
    Changed(*m_data);
    return Result::Ok;
}

Result MeshBuilder::AddPrism(std::span<const D3DVECTOR, kPrismVertices> vertices,
                             std::span<const D3DVECTOR, kPrismNormals> normals, FaceArray* out) {
    if (!AllFinite(vertices) || !AllFinite(normals)) {
        return Result::BadValue;
    }
    MeshData& d = *m_data;
    WaitForMeshReaders(d);
    if (d.positions.size() + kPrismVertices > kMaxPool ||
        d.normals.size() + kPrismNormals > kMaxPool || d.faces.size() + kPrismFaces > kMaxPool ||
        d.prisms.size() >= kMaxPrisms) {
        return Result::OutOfMemory;
    }
    try {
        GrowFor(d.positions, kPrismVertices);
        GrowFor(d.normals, kPrismNormals);
        GrowFor(d.prisms, 1);
        GrowFor(d.faces, kPrismFaces);
        GrowFor(d.faceAppData, kPrismFaces);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    const auto prism = static_cast<std::uint32_t>(d.prisms.size());
    const auto firstFace = static_cast<std::uint32_t>(d.faces.size());
    d.prisms.push_back({static_cast<std::uint32_t>(d.positions.size()),
                        static_cast<std::uint32_t>(d.normals.size())});
    d.positions.insert(d.positions.end(), vertices.begin(), vertices.end());
    d.normals.insert(d.normals.end(), normals.begin(), normals.end());
    for (std::uint32_t k = 0; k < kPrismFaces; ++k) {
        FaceRecord f{.firstCorner = FaceRecord::PrismFaceIndex(prism, k),
                     .cornerCount = kPrismFaceList[k].count};
        f.prism = 1;
        d.faces.push_back(f);
    }
    d.faceAppData.insert(d.faceAppData.end(), kPrismFaces, m_newFaceAppData);
    if (out != nullptr) {
        *out = FaceArray(m_data, firstFace, kPrismFaces);
    }
    Changed(*m_data);
    return Result::Ok;
}

Result MeshBuilder::AddPosition(const D3DVECTOR& position, std::uint32_t& index) {
    if (!Finite(position)) {
        return Result::BadValue;
    }
    MeshData& d = *m_data;
    WaitForMeshReaders(d);
    if (d.positions.size() >= kMaxPool) {
        return Result::OutOfMemory;
    }
    try {
        GrowFor(d.positions, 1);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    index = static_cast<std::uint32_t>(d.positions.size());
    d.positions.push_back(position);
    Changed(*m_data);
    return Result::Ok;
}

Result MeshBuilder::AddFaceAt(std::span<const std::uint32_t> positions, D3DCOLOR color) {
    MeshData& d = *m_data;
    WaitForMeshReaders(d);
    for (const std::uint32_t p : positions) {
        if (p >= d.positions.size()) {
            return Result::BadValue;
        }
    }
    if (d.faces.size() >= kMaxPool || positions.size() > kMaxPool - d.plainCorners.size() ||
        positions.size() > kMaxFaceCorners) {
        return Result::OutOfMemory;
    }
    try {
        GrowFor(d.faces, 1);
        GrowFor(d.faceAppData, 1);
        GrowFor(d.plainCorners, positions.size());
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    const auto first = static_cast<std::uint32_t>(d.plainCorners.size());
    const auto count = static_cast<std::uint32_t>(positions.size());
    FaceRecord f{.firstCorner = first, .cornerCount = count, .color = color};
    f.plain = 1;
    d.faces.push_back(f);
    d.faceAppData.push_back(m_newFaceAppData);
    d.plainCorners.insert(d.plainCorners.end(), positions.begin(), positions.end());
    Changed(*m_data);
    return Result::Ok;
}

Result MeshBuilder::SetQuality(D3DRMRENDERQUALITY quality) {
    if (!IsValidQuality(quality)) {
        return Result::BadValue;
    }
    m_data->quality = quality;
    Changed(*m_data);
    return Result::Ok;
}

Result MeshBuilder::SetColor(D3DCOLOR color) {
    WaitForMeshReaders(*m_data);
    for (FaceRecord& f : m_data->faces) {
        f.color = color;
    }
    Changed(*m_data);
    return Result::Ok;
}

std::uint32_t MeshBuilder::GetFaceCount() const {
    return static_cast<std::uint32_t>(m_data->faces.size());
}

Result MeshBuilder::GetFace(std::uint32_t index, Face& out) const {
    if (index >= m_data->faces.size()) {
        return Result::NotFound;
    }
    out = Face(m_data, index);
    return Result::Ok;
}

void MeshBuilder::Reserve(std::size_t faces, std::size_t corners, std::size_t positions,
                          std::size_t normals, std::size_t plainCorners, std::size_t prisms) {
    MeshData& d = *m_data;
    WaitForMeshReaders(d);
    if (positions == SIZE_MAX) {
        positions = corners;
    }
    try {
        GrowFor(d.faces, faces);
        GrowFor(d.faceAppData, faces);
        GrowFor(d.corners, corners);
        GrowFor(d.plainCorners, plainCorners);
        GrowFor(d.positions, positions);
        GrowFor(d.normals, normals);
        GrowFor(d.prisms, prisms);
    } catch (const std::bad_alloc&) {
        // Purely an optimisation: a failed reservation changes nothing.
    }
}

}  // namespace rm
