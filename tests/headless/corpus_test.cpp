// The real third-party files: each loads, renders, exports and checks, and those that
// draw something show it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/headless/render_command.h"
#include "doc/tarno_doc.h"
#include "tests/headless/command_run.h"
#include "tests/support/mesh_checks.h"
#include "tests/support/paths.h"
#include "tests/support/picture_measure.h"
#include "tests/support/scratch.h"

namespace {

using tarno_test::CorpusFiles;

// A camera in front of the mesh that has all of it in view; `turned`: of the mesh turned
// half round about the y axis.
app::Vector3 FramingCamera(const rm::MeshData& mesh, bool turned) {
    const auto place = [turned](rm::D3DVECTOR p) {
        return turned ? rm::D3DVECTOR{-p.x, p.y, -p.z} : p;
    };
    rm::D3DVECTOR lo = place(mesh.positions.front());
    rm::D3DVECTOR hi = lo;
    for (const rm::D3DVECTOR& q : mesh.positions) {
        const rm::D3DVECTOR p = place(q);
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const float extent = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, 1.0F});
    return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, lo.z - 3.0F * extent};
}

class CorpusTest : public ::testing::Test {
protected:
    void SetUp() override {
        files = CorpusFiles();
        if (files.empty()) GTEST_SKIP() << "no corpus at " << tarno_test::CorpusDir();
    }
    std::vector<std::filesystem::path> files;
};

TEST_F(CorpusTest, EveryFileLoadsChecksExportsAndRenders) {
    EXPECT_GE(files.size(), 25U);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto check = tarno_test::Run({"--check", file.string()});
        EXPECT_TRUE(check.exitCode == 0 || check.exitCode == 1) << check.err;
        EXPECT_NE(check.out.find(" points, "), std::string::npos);
        const auto exported =
            tarno_test::Run({"--export", file.string(), tarno_test::TempPath("corpus.obj")});
        EXPECT_EQ(exported.exitCode, 0) << exported.err;
        const auto rendered =
            tarno_test::Run({"--render", file.string(), "--output",
                             tarno_test::TempPath("corpus.png"), "--size", "96x72"});
        EXPECT_EQ(rendered.exitCode, 0) << rendered.err;
    }
}

TEST_F(CorpusTest, FilesThatDrawShowWhatTheyDraw) {
    std::vector<std::string> drawing;
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        rm::RootPtr root;
        ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
        doc::CTarnoDoc document(*root);
        ASSERT_TRUE(document.OnOpenDocument(file.string())) << document.LastError();
        const rm::MeshData& mesh = document.m_pMeshBuilder->Data();
        EXPECT_EQ(tarno_test::MeshFault(mesh), "");
        if (mesh.faces.empty()) continue;
        drawing.push_back(file.filename().string());
        // Faces are single-sided: look from the front and, turned half round, the back.
        std::size_t shown = 0;
        for (const bool turned : {false, true}) {
            app::RenderRequest request;
            request.input = file.string();
            request.width = 160;
            request.height = 120;
            request.camera = FramingCamera(mesh, turned);
            request.turn = app::Turn{{0.0F, 1.0F, 0.0F}, turned ? 3.14159265F : 0.0F};
            rm::Picture picture;
            std::string error;
            ASSERT_EQ(app::RenderPicture(request, picture, error), app::RenderOutcome::Drawn)
                << error;
            shown += tarno_test::Measure(picture).pixels;
        }
        EXPECT_GT(shown, 0U);
    }
    // BlueLight draws a textured square (facing away from the default camera: its back
    // shows first). The other files use commands of other dialects only.
    EXPECT_NE(std::find(drawing.begin(), drawing.end(), "sbx_BlueLight_scm.api"), drawing.end());
}

}  // namespace
