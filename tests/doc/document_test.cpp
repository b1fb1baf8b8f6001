#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/vector_math.h"
#include "platform/rm/light.h"
#include "platform/rm/revision.h"
#include "tests/support/loader_test_support.h"
#include "tests/support/scratch.h"

namespace {

using doc_test::LoaderTest;
using rm::D3DRMLIGHTTYPE;

const std::string kTriangle = "POINTS ( 0 0 0 0 0 10 0 10 0 0 )\r\nPOLY ( A 0 1 2 )\r\n";
const std::string kTwoTriangles =
    "POINTS ( 0 0 0 5 0 10 5 10 0 5 )\r\nPOLY ( A 0 1 2 )\r\n"
    "POLY ( AI 0 1 2 )\r\n";

bool Near(const rm::D3DVECTOR& a, const rm::D3DVECTOR& b) {
    return std::abs(a.x - b.x) < 1e-4F && std::abs(a.y - b.y) < 1e-4F &&
           std::abs(a.z - b.z) < 1e-4F;
}

rm::D3DVECTOR Unit(rm::D3DVECTOR v) {
    EXPECT_TRUE(rm::Succeeded(rm::D3DRMVectorNormalize(v)));
    return v;
}

class Document : public LoaderTest {};

TEST_F(Document, ConstructionBuildsTheFixedScene) {
    const doc::CTarnoDoc& d = *m_doc;
    ASSERT_TRUE(d.m_pSceneFrame && d.m_pLightFrame && d.m_pModelFrame && d.m_pMeshBuilder);
    EXPECT_EQ(d.m_pSceneFrame->GetParent(), nullptr);
    EXPECT_EQ(d.m_pLightFrame->GetParent(), d.m_pSceneFrame);
    EXPECT_EQ(d.m_pModelFrame->GetParent(), d.m_pSceneFrame);

    ASSERT_EQ(d.m_pSceneFrame->Lights().size(), 1U);
    EXPECT_EQ(d.m_pSceneFrame->Lights()[0]->GetType(), D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT);
    EXPECT_EQ(d.m_pSceneFrame->Lights()[0]->GetColor(), (rm::ColorRGB{0.3F, 0.3F, 0.3F}));
    ASSERT_EQ(d.m_pLightFrame->Lights().size(), 1U);
    EXPECT_EQ(d.m_pLightFrame->Lights()[0]->GetType(), D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL);
    EXPECT_EQ(d.m_pLightFrame->Lights()[0]->GetColor(), (rm::ColorRGB{1, 1, 1}));

    rm::D3DVECTOR position;
    ASSERT_TRUE(rm::Succeeded(d.m_pLightFrame->GetPosition(d.m_pSceneFrame.get(), position)));
    EXPECT_TRUE(Near(position, {100, 100, -100}));
    rm::D3DVECTOR dir;
    rm::D3DVECTOR up;
    ASSERT_TRUE(rm::Succeeded(d.m_pLightFrame->GetOrientation(d.m_pSceneFrame.get(), dir, up)));
    EXPECT_TRUE(Near(Unit(dir), Unit({-1, -1, 1})));
    // The light shines from its position towards the origin.
    EXPECT_TRUE(Near(Unit(dir), Unit(rm::D3DVECTOR{0, 0, 0} - position)));
    EXPECT_GT(rm::D3DRMVectorDotProduct(up, {-1, 1, 1}), 0.0F);
    EXPECT_NEAR(rm::D3DRMVectorDotProduct(up, dir), 0.0F, 1e-4F);

    EXPECT_EQ(d.m_pModelFrame->LocalTransform(), rm::Matrix4::Identity());
    EXPECT_TRUE(d.m_pModelFrame->Visuals().empty());
    EXPECT_EQ(d.m_pMeshBuilder->GetFaceCount(), 0U);
    EXPECT_EQ(d.m_blockArray.GetSize(), 0U);
}

TEST_F(Document, OpenShowsTheModelSolidAndUnturned) {
    (void)m_doc->m_pModelFrame->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_REPLACE, 0, 1, 0,
                                            1.0F);
    const std::string path = tarno_test::WriteTemp("model.api", kTriangle);
    ASSERT_TRUE(m_doc->OnOpenDocument(path));
    EXPECT_EQ(m_doc->GetPathName(), path);
    EXPECT_EQ(m_doc->GetTitle(), std::filesystem::path(path).filename().string());
    ASSERT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    EXPECT_EQ(m_doc->m_pModelFrame->Visuals()[0], m_doc->m_pMeshBuilder);
    EXPECT_EQ(m_doc->m_pMeshBuilder->GetFaceCount(), 1U);
    EXPECT_EQ(m_doc->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_FLAT);
    EXPECT_EQ(m_doc->m_pModelFrame->LocalTransform(), rm::Matrix4::Identity());
}

// The mesh a load fills announces nothing face by face, but the model it shows must still
// announce every change after the load (the window draws on a new revision only).
TEST_F(Document, TheLoadedModelAnnouncesItselfAndLaterChanges) {
    for (const std::int64_t split : {doc::CTarnoDoc::kDefaultSplitBytes, std::int64_t{64}}) {
        doc::CTarnoDoc::SetSplitBytes(split);  // also in two parts at once
        std::string text;
        for (int i = 0; i < 200; ++i) {
            text += kTwoTriangles;
        }
        std::uint64_t r = rm::CurrentRevision();
        ASSERT_TRUE(m_doc->OnOpenDocument(tarno_test::WriteTemp("model.api", text)));
        EXPECT_GT(rm::CurrentRevision(), r);
        EXPECT_EQ(m_doc->m_pMeshBuilder->GetFaceCount(), 400U);
        EXPECT_FALSE(m_doc->m_pMeshBuilder->Data().detached);
        r = rm::CurrentRevision();
        ASSERT_EQ(m_doc->m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_WIREFRAME), rm::Result::Ok);
        EXPECT_GT(rm::CurrentRevision(), r);
        // A load that fails keeps the model shown, and that one still announces its changes.
        EXPECT_FALSE(m_doc->OnOpenDocument(tarno_test::TempPath("missing.api")));
        r = rm::CurrentRevision();
        ASSERT_EQ(m_doc->m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_FLAT), rm::Result::Ok);
        EXPECT_GT(rm::CurrentRevision(), r);
    }
    doc::CTarnoDoc::SetSplitBytes(doc::CTarnoDoc::kDefaultSplitBytes);
}

TEST_F(Document, SecondOpenShowsOnlyTheSecondFile) {
    ASSERT_TRUE(m_doc->OnOpenDocument(tarno_test::WriteTemp("first.api", kTwoTriangles)));
    const rm::MeshBuilderPtr first = m_doc->m_pMeshBuilder;
    ASSERT_TRUE(m_doc->OnOpenDocument(tarno_test::WriteTemp("second.api", kTriangle)));
    EXPECT_NE(m_doc->m_pMeshBuilder, first);
    ASSERT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    EXPECT_EQ(m_doc->m_pModelFrame->Visuals()[0], m_doc->m_pMeshBuilder);
    EXPECT_EQ(m_doc->m_pMeshBuilder->GetFaceCount(), 1U);
}

TEST_F(Document, FailedOpenLeavesTheShownModel) {
    const std::string path = tarno_test::WriteTemp("model.api", kTriangle);
    ASSERT_TRUE(m_doc->OnOpenDocument(path));
    const rm::MeshBuilderPtr shown = m_doc->m_pMeshBuilder;
    (void)m_doc->m_pModelFrame->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_REPLACE, 1, 0, 0,
                                            0.5F);
    const rm::Matrix4 turned = m_doc->m_pModelFrame->LocalTransform();
    EXPECT_FALSE(m_doc->OnOpenDocument(tarno_test::TempPath("missing.api")));
    EXPECT_NE(m_doc->LastError().find("Cannot open"), std::string::npos);
    EXPECT_FALSE(m_doc->OnOpenDocument(tarno_test::ScratchDir("folder")));  // a folder
    EXPECT_EQ(m_doc->GetPathName(), path);
    EXPECT_EQ(m_doc->m_pMeshBuilder, shown);
    ASSERT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    EXPECT_EQ(m_doc->m_pModelFrame->LocalTransform(), turned);
}

TEST_F(Document, ReloadOfADeletedFileChangesNothing) {
    const std::string path = tarno_test::WriteTemp("model.api", kTriangle);
    ASSERT_TRUE(m_doc->OnOpenDocument(path));
    const rm::MeshBuilderPtr shown = m_doc->m_pMeshBuilder;
    T().surfaceColor = 0xFF00FF00U;
    std::filesystem::remove(path);
    EXPECT_FALSE(m_doc->LoadApiFile(path));
    EXPECT_FALSE(m_doc->LastError().empty());
    EXPECT_EQ(m_doc->m_pMeshBuilder, shown);
    EXPECT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    EXPECT_EQ(T().surfaceColor, 0xFF00FF00U);
}

TEST_F(Document, ReloadKeepsTheTurnAndStartsSolid) {
    const std::string path = tarno_test::WriteTemp("model.api", kTriangle);
    ASSERT_TRUE(m_doc->OnOpenDocument(path));
    (void)m_doc->m_pModelFrame->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_REPLACE, 0, 1, 0,
                                            0.7F);
    const rm::Matrix4 turned = m_doc->m_pModelFrame->LocalTransform();
    (void)m_doc->m_pMeshBuilder->SetQuality(rm::D3DRMRENDER_WIREFRAME);
    ASSERT_TRUE(m_doc->LoadApiFile(path));
    EXPECT_EQ(m_doc->m_pModelFrame->LocalTransform(), turned);
    EXPECT_EQ(m_doc->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_FLAT);
}

TEST_F(Document, EmptyAndRemarkOnlyFilesGiveAnEmptyShownMesh) {
    for (const std::string& text : {std::string(), std::string("; nothing\r\n\r\nENDA\r\n"),
                                    std::string("\x1A"
                                                "POLY ( A 0 1 2 )")}) {
        ASSERT_TRUE(m_doc->OnOpenDocument(tarno_test::WriteTemp("model.api", text)));
        EXPECT_EQ(m_doc->m_pMeshBuilder->GetFaceCount(), 0U);
        ASSERT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
        EXPECT_EQ(m_doc->m_pModelFrame->Visuals()[0], m_doc->m_pMeshBuilder);
    }
}

TEST_F(Document, NewDocumentKeepsTheSceneAndForgetsThePath) {
    ASSERT_TRUE(m_doc->OnOpenDocument(tarno_test::WriteTemp("model.api", kTriangle)));
    const rm::MeshBuilderPtr shown = m_doc->m_pMeshBuilder;
    ASSERT_TRUE(m_doc->OnNewDocument());
    EXPECT_TRUE(m_doc->GetPathName().empty());
    EXPECT_TRUE(m_doc->GetTitle().empty());
    EXPECT_EQ(m_doc->m_pMeshBuilder, shown);
    EXPECT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
    // A reload now finds no file and changes nothing.
    EXPECT_FALSE(m_doc->LoadApiFile(m_doc->GetPathName()));
    EXPECT_EQ(m_doc->m_pMeshBuilder, shown);
}

TEST_F(Document, TheOpenedFileIsNeverWritten) {
    const std::string path = tarno_test::WriteTemp("model.api", kTwoTriangles);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(m_doc->OnOpenDocument(path));
    ASSERT_TRUE(m_doc->LoadApiFile(path));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), kTwoTriangles);
    ::chmod(path.c_str(), 0644);
}

TEST_F(Document, FirstLoadReplacesTheUnattachedBuilder) {
    const rm::MeshBuilderPtr initial = m_doc->m_pMeshBuilder;
    ASSERT_TRUE(m_doc->LoadApiFile(tarno_test::WriteTemp("model.api", kTriangle)));
    EXPECT_NE(m_doc->m_pMeshBuilder, initial);
    EXPECT_EQ(m_doc->m_pModelFrame->Visuals().size(), 1U);
}

}  // namespace
