#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>

#include "tests/doc/loader_test_support.h"

namespace {

namespace fs = std::filesystem;
using doc_test::LoaderTest;
using doc_test::RecordingObserver;

class RealFiles : public LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        if (!fs::is_directory(TARNO_CORPUS_DIR)) {
            GTEST_SKIP() << "no real files at " << TARNO_CORPUS_DIR;
        }
    }
    static std::string PathOf(const std::string& name) {
        return std::string(TARNO_CORPUS_DIR) + "/" + name;
    }
    void ExpectSoundMesh(const std::string& name) const {
        for (const rm::D3DVECTOR& p : Mesh().positions) {
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << name;
        }
        for (const rm::FaceRecord& f : Mesh().faces) {
            ASSERT_GE(f.cornerCount, 3U) << name;
        }
    }
};

TEST_F(RealFiles, EveryFileLoads) {
    std::size_t files = 0;
    std::size_t undrawn = 0;
    for (const auto& entry : fs::directory_iterator(TARNO_CORPUS_DIR)) {
        if (entry.path().extension() != ".api") continue;
        ++files;
        const std::string name = entry.path().filename().string();
        RecordingObserver observer;
        EXPECT_TRUE(m_doc->LoadApiFile(entry.path().string(), &observer))
            << name << ": " << m_doc->LastError();
        ExpectSoundMesh(name);
        undrawn += observer.Of(doc::LoadWarning::UndrawnCommand).size();
        EXPECT_TRUE(m_doc->LoadApiFile(entry.path().string())) << name;
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
