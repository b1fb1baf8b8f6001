#pragma once
// Mesh builders: write a mesh's faces (platform/core/mesh_data.h) through handles. The
// front of a face is the side from which its corners appear clockwise (left-handed
// coordinates); its normal points out of the front.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/core/mesh_data.h"
#include "platform/core/types.h"

namespace rm {

// A handle to one face: of a mesh builder, or (made by the root object) standalone.
// Copies refer to the same face. A default-constructed Face refers to nothing and every
// operation on it fails with BadObject.
class Face {
public:
    Face() = default;
    Face(std::shared_ptr<MeshData> mesh, std::uint32_t index)
        : m_mesh(std::move(mesh)), m_index(index) {}

    Result AddVertex(D3DVALUE x, D3DVALUE y, D3DVALUE z);
    Result SetColor(D3DCOLOR color);
    Result SetColorRGB(D3DVALUE r, D3DVALUE g, D3DVALUE b);
    [[nodiscard]] D3DCOLOR GetColor() const;
    Result SetFlags(std::uint32_t flags);  // kFace* bits; BadValue for bits past kFaceFlagMask
    [[nodiscard]] std::uint32_t GetFlags() const;
    Result SetAppData(std::uint32_t data);
    [[nodiscard]] std::uint32_t GetAppData() const;  // 0 for a face handle to nothing
    // Unit normal out of the front, from the corners in order (Newell's method, so any
    // planar polygon works). A face with fewer than three corners, or whose corners are
    // collinear or coincident, yields the zero vector and BadValue.
    Result GetNormal(D3DVECTOR& out) const;
    [[nodiscard]] std::uint32_t GetVertexCount() const;
    Result GetVertex(std::uint32_t i, D3DVECTOR& position) const;

    [[nodiscard]] explicit operator bool() const { return m_mesh != nullptr; }

private:
    std::shared_ptr<MeshData> m_mesh;
    std::uint32_t m_index = 0;
};

class FaceArray {
public:
    FaceArray() = default;
    FaceArray(std::shared_ptr<MeshData> mesh, std::uint32_t first, std::uint32_t count)
        : m_mesh(std::move(mesh)), m_first(first), m_count(count) {}
    [[nodiscard]] std::uint32_t GetSize() const { return m_count; }
    // NotFound past the end.
    Result GetElement(std::uint32_t index, Face& out) const;
    // Every face of the array at once, as Face's of the same name do one by one: a caller
    // that colours a stroke's ten faces should not pay for ten handles.
    Result SetColor(D3DCOLOR color);
    Result SetFlags(std::uint32_t flags);  // BadValue, nothing changed, for bits past the mask

private:
    std::shared_ptr<MeshData> m_mesh;
    std::uint32_t m_first = 0;
    std::uint32_t m_count = 0;
};

class MeshBuilder {
public:
    MeshBuilder();
    // A builder of a mesh that nothing draws or watches (a part of a model built on
    // another thread, before it joins the rest): its changes announce no new revision.
    struct Detached {};
    explicit MeshBuilder(Detached);
    // While nothing draws or watches the mesh yet (say, while a file fills it, before it
    // becomes a frame's visual), its changes need not each announce a revision: Detach
    // stops that, Attach announces one revision for all of them and resumes.
    void Detach() { m_data->detached = true; }
    void Attach();
    MeshBuilder(const MeshBuilder&) = delete;
    MeshBuilder& operator=(const MeshBuilder&) = delete;

    // Appends an empty face (white, no corners).
    Result CreateFace(Face& out);
    // Appends the faces described by faceData: for each face a corner count (3 or more)
    // followed by that many entries, each a vertex index and, when normals is not empty, a
    // normal index; a count of 0 ends the list. Everything is checked before anything is
    // added: a bad count, an index outside its array or a list that runs past faceData's
    // end gives BadFaceData and leaves the mesh as it was; so does a face of more than
    // kMaxFaceCorners corners, with OutOfMemory (as does AddVertex past that many).
    Result AddFaces(std::span<const D3DVECTOR> vertices, std::span<const D3DVECTOR> normals,
                    std::span<const std::uint32_t> faceData, FaceArray* out);
    // Appends a ring prism (prism.h): its sixteen vertices and eight normals, and its ten
    // faces, which keep no corners of their own. The same faces as AddFaces with the
    // prism's pattern would make, in a tenth of the memory. BadValue unless all finite.
    Result AddPrism(std::span<const D3DVECTOR, kPrismVertices> vertices,
                    std::span<const D3DVECTOR, kPrismNormals> normals, FaceArray* out);
    // Appends one position to the shared pool for faces added by AddFaceAt to refer to;
    // BadValue unless finite.
    Result AddPosition(const D3DVECTOR& position, std::uint32_t& index);
    // Appends one face of this colour whose corners are the given pool positions, in order;
    // the same as CreateFace, SetColor and one AddVertex per corner, but corners may share
    // positions, and the face is plain (its corners kept as positions alone) until a vertex
    // is added to it. BadValue (and nothing added) if an index is outside the pool.
    Result AddFaceAt(std::span<const std::uint32_t> positions, D3DCOLOR color);
    // Appends every face of `part` with its corners and normals, in order. Corner
    // positions go through `positionMap` (one entry per position of `part`): an entry
    // below this mesh's position count names a position it has already; the others must
    // be that count, that count + 1, and so on, in the order of `part`'s positions, and
    // those positions are appended. BadValue (and nothing added) otherwise.
    Result Append(const MeshData& part, std::span<const std::uint32_t> positionMap);
    // The same, taking the pools of `part` (built apart, drawn by nothing): the memory of
    // what is copied is given back to the system as the copy goes, so that both copies of
    // a big part are never resident together. `part` is left empty if it succeeds.
    // `appDataBase` is added to the application data of every face taken (at most
    // 0xFFFFFFFF), for data that numbers something `part` counted from zero.
    Result AppendTaking(MeshBuilder& part, std::span<const std::uint32_t> positionMap,
                        std::uint32_t appDataBase = 0);
    // This mesh, which must have nothing in it yet, takes every pool of `part` as it is
    // (no copy); `part` is left empty. BadValue, and nothing changed, when this mesh holds
    // anything or `part` is this mesh.
    Result TakeAll(MeshBuilder& part);
    Result SetQuality(D3DRMRENDERQUALITY quality);
    [[nodiscard]] D3DRMRENDERQUALITY GetQuality() const { return m_data->quality; }
    // Gives every face the same colour.
    Result SetColor(D3DCOLOR color);
    // The application data that faces made from now on (CreateFace, AddFaces) start with,
    // so that a caller tags whole groups of faces without a call per face.
    void SetNewFaceAppData(std::uint32_t data) { m_newFaceAppData = data; }

    [[nodiscard]] std::uint32_t GetFaceCount() const;
    Result GetFace(std::uint32_t index, Face& out) const;
    [[nodiscard]] const MeshData& Data() const { return *m_data; }
    // The same data, kept alive by the caller: for a frame that outlives the builder.
    [[nodiscard]] std::shared_ptr<const MeshData> SharedData() const { return m_data; }
    // Reserves room for this many more faces, corners, positions (by default as many as
    // corners), normals, plain faces' corners (AddFaceAt's) and prisms; purely an
    // optimisation. A pool that must grow grows by at least half, so repeated calls stay
    // amortised.
    void Reserve(std::size_t faces, std::size_t corners, std::size_t positions = SIZE_MAX,
                 std::size_t normals = 0, std::size_t plainCorners = 0, std::size_t prisms = 0);

private:
    // Append's work; with `release`, the pages of `part` are given back as they are copied.
    Result AppendParts(const MeshData& part, std::span<const std::uint32_t> positionMap,
                       bool release, std::uint32_t appDataBase);

    std::shared_ptr<MeshData> m_data;
    std::uint32_t m_newFaceAppData = 0;
};

}  // namespace rm
