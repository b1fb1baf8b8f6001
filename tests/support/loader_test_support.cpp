#include "tests/support/loader_test_support.h"

#include "platform/core/vector_math.h"
#include "tests/support/scratch.h"

namespace doc_test {

std::vector<Warning> RecordingObserver::Of(doc::LoadWarning kind) const {
    std::vector<Warning> found;
    for (const Warning& w : warnings) {
        if (w.kind == kind) found.push_back(w);
    }
    return found;
}

void LoaderTest::SetUp() {
    ASSERT_TRUE(rm::Succeeded(rm::Direct3DRMCreate(m_root)));
    m_doc = std::make_unique<doc::CTarnoDoc>(*m_root);
    doc::Tables().lineColor = 0xFFFFFFFFU;
    doc::Tables().surfaceColor = 0xFFFFFFFFU;
}

bool LoaderTest::Load(std::string_view text, doc::LoadObserver* observer, std::string_view suffix) {
    return m_doc->LoadApiFile(tarno_test::WriteTemp("model" + std::string(suffix) + ".api", text),
                              observer);
}

std::vector<rm::D3DVECTOR> LoaderTest::FaceVertices(std::size_t face) const {
    const rm::MeshData& m = Mesh();
    std::vector<rm::D3DVECTOR> out;
    const rm::FaceRecord& f = m.faces.at(face);
    rm::CornerScratch scratch;
    const std::span<const rm::Corner> corners = m.CornersOf(f, scratch);
    EXPECT_EQ(corners.size(), f.cornerCount) << "face " << face;
    for (const rm::Corner& c : corners) {
        out.push_back(m.positions.at(c.position));
    }
    return out;
}

rm::D3DCOLOR LoaderTest::FaceColor(std::size_t face) const {
    return Mesh().faces.at(face).color;
}

std::vector<float> LoaderTest::FaceXs(std::size_t face) const {
    std::vector<float> xs;
    for (const rm::D3DVECTOR& v : FaceVertices(face)) xs.push_back(v.x);
    return xs;
}

rm::D3DVECTOR LoaderTest::FaceNormal(std::size_t face) const {
    rm::Face handle;
    EXPECT_TRUE(
        rm::Succeeded(m_doc->m_pMeshBuilder->GetFace(static_cast<std::uint32_t>(face), handle)));
    rm::D3DVECTOR n;
    (void)handle.GetNormal(n);
    return n;
}

::testing::AssertionResult IsPoint(const doc::TablePoint& p, std::int32_t x, std::int32_t y,
                                   std::int32_t z) {
    if (p.x == x && p.y == y && p.z == z) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << p.x << ", " << p.y << ", " << p.z << ") is not ("
                                         << x << ", " << y << ", " << z << ")";
}

}  // namespace doc_test
