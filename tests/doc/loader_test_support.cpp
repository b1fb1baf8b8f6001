#include "tests/doc/loader_test_support.h"

#include <fstream>

#include "platform/core/vector_math.h"

namespace doc_test {

std::string TempPath(std::string_view suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                                       : std::string("loader");
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return std::string(TARNO_TEST_TMP) + "/doc_" + name + std::string(suffix) + ".api";
}

std::string WriteTemp(std::string_view bytes, std::string_view suffix) {
    const std::string path = TempPath(suffix);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

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
    return m_doc->LoadApiFile(WriteTemp(text, suffix), observer);
}

std::vector<rm::D3DVECTOR> LoaderTest::FaceVertices(std::size_t face) const {
    const rm::MeshData& m = Mesh();
    std::vector<rm::D3DVECTOR> out;
    const rm::FaceRecord& f = m.faces.at(face);
    for (std::uint32_t k = 0; k < f.cornerCount; ++k) {
        out.push_back(m.positions.at(m.corners.at(f.firstCorner + k).position));
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
