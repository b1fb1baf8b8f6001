#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/loader_test_support.h"
#include "tests/support/mesh_checks.h"
#include "tests/support/paths.h"

namespace {

namespace fs = std::filesystem;
using doc_test::LoaderTest;
using doc_test::RecordingObserver;

class RealFiles : public LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        if (!fs::is_directory(tarno_test::CorpusDir())) {
            GTEST_SKIP() << "no real files at " << tarno_test::CorpusDir();
        }
    }
    static std::string PathOf(const std::string& name) {
        return (tarno_test::CorpusDir() / name).string();
    }
    void ExpectSoundMesh(const std::string& name) const {
        ASSERT_EQ(tarno_test::MeshFault(Mesh()), "") << name;
        for (const rm::FaceRecord& f : Mesh().faces) {
            ASSERT_GE(f.cornerCount, 3U) << name;
        }
    }
};

TEST_F(RealFiles, EveryFileLoads) {
    std::size_t files = 0;
    std::size_t undrawn = 0;
    for (const fs::path& file : tarno_test::CorpusFiles()) {
        ++files;
        const std::string name = file.filename().string();
        RecordingObserver observer;
        EXPECT_TRUE(m_doc->LoadApiFile(file.string(), &observer))
            << name << ": " << m_doc->LastError();
        ExpectSoundMesh(name);
        undrawn += observer.Of(doc::LoadWarning::UndrawnCommand).size();
        EXPECT_TRUE(m_doc->LoadApiFile(file.string())) << name;
    }
    EXPECT_EQ(files, 25U);
    // Macro files mostly call commands the viewer does not draw; the check says so.
    EXPECT_GT(undrawn, 300U);
}

TEST_F(RealFiles, BlueLightDrawsItsTexturedSquare) {
    ASSERT_TRUE(m_doc->LoadApiFile(PathOf("sbx_BlueLight_scm.api")));
    ASSERT_EQ(FaceCount(), 1U);
    EXPECT_EQ(FaceColor(0), 0xFFCCCCCCU);
    auto v = FaceVertices(0);
    ASSERT_EQ(v.size(), 4U);
    std::sort(v.begin(), v.end(),
              [](auto a, auto b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    EXPECT_EQ(v[0], (rm::D3DVECTOR{-3, 0, 0}));
    EXPECT_EQ(v[1], (rm::D3DVECTOR{-3, 12, 0}));
    EXPECT_EQ(v[2], (rm::D3DVECTOR{3, 0, 0}));
    EXPECT_EQ(v[3], (rm::D3DVECTOR{3, 12, 0}));
}

TEST_F(RealFiles, Fence2LoadsEveryLine) {
    RecordingObserver observer;
    ASSERT_TRUE(m_doc->LoadApiFile(PathOf("sbx_Fence2_scm.api"), &observer));
    ExpectSoundMesh("Fence2");
    std::map<std::string, int> commands;
    for (const auto& w : observer.Of(doc::LoadWarning::UndrawnCommand)) ++commands[w.text];
    EXPECT_GT(commands["VertexList"], 0);
    EXPECT_GT(commands["DrawTriList"], 0);
}

}  // namespace
