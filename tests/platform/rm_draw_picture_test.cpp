// One picture through a viewport: cleared to the scene's background or to paper, the scene
// rendered, the picture presented, and the viewport marked as showing the revision only
// when the picture reached its target.

#include <gtest/gtest.h>

#include "platform/rm/draw_picture.h"
#include "platform/rm/presentation_target.h"
#include "platform/rm/revision.h"
#include "platform/rm/root.h"

namespace {

constexpr int kSide = 32;
constexpr rm::D3DCOLOR kSky = 0xFF203040U;
constexpr rm::D3DCOLOR kPaper = 0xFFFFFFFFU;
constexpr rm::D3DCOLOR kRed = 0xFFFF0000U;

// A red square in the middle of the view, lit fully, on a dark blue scene background.
class DrawPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
        ASSERT_EQ(root->CreateFrame(nullptr, scene), rm::Result::Ok);
        ASSERT_EQ(scene->SetSceneBackground(kSky), rm::Result::Ok);
        rm::LightPtr ambient;
        ASSERT_EQ(
            root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 1.0F, 1.0F, 1.0F, ambient),
            rm::Result::Ok);
        ASSERT_EQ(scene->AddLight(ambient), rm::Result::Ok);
        rm::MeshBuilderPtr mesh;
        ASSERT_EQ(root->CreateMeshBuilder(mesh), rm::Result::Ok);
        const rm::D3DVECTOR corners[] = {{-20, 20, 0}, {20, 20, 0}, {20, -20, 0}, {-20, -20, 0}};
        const std::uint32_t faces[] = {4, 0, 1, 2, 3, 0};
        ASSERT_EQ(mesh->AddFaces(corners, {}, faces, nullptr), rm::Result::Ok);
        ASSERT_EQ(mesh->SetColor(kRed), rm::Result::Ok);
        ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_FLAT), rm::Result::Ok);
        ASSERT_EQ(scene->AddVisual(mesh), rm::Result::Ok);

        ASSERT_EQ(root->CreateFrame(scene, camera), rm::Result::Ok);
        ASSERT_EQ(camera->SetPosition(scene.get(), 0.0F, 0.0F, -100.0F), rm::Result::Ok);
        ASSERT_EQ(rm::DirectDrawCreateClipper(0, clipper, nullptr), rm::Result::Ok);
        ASSERT_EQ(clipper->SetHWnd(0, target), rm::Result::Ok);
        ASSERT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, kSide, kSide, device),
                  rm::Result::Ok);
        ASSERT_EQ(root->CreateViewport(device, camera, 0, 0, kSide, kSide, viewport),
                  rm::Result::Ok);
    }

    rm::RootPtr root;
    rm::FramePtr scene;
    rm::FramePtr camera;
    rm::ClipperPtr clipper;
    rm::DevicePtr device;
    rm::ViewportPtr viewport;
    std::shared_ptr<rm::RecordingTarget> target = std::make_shared<rm::RecordingTarget>();
};

TEST_F(DrawPictureTest, ClearsRendersPresentsAndMarks) {
    const std::uint64_t revision = rm::CurrentRevision();
    ASSERT_EQ(rm::DrawPicture(*viewport, *scene, revision), rm::Result::Ok);
    ASSERT_EQ(target->PresentCount(), 1);
    const rm::Picture& picture = target->LastPicture();
    ASSERT_EQ(picture.width, kSide);
    ASSERT_EQ(picture.height, kSide);
    EXPECT_EQ(picture.At(0, 0), kSky);
    EXPECT_EQ(picture.At(kSide - 1, kSide - 1), kSky);
    EXPECT_EQ(picture.At(kSide / 2, kSide / 2), kRed);
    EXPECT_EQ(viewport->DrawnRevision(), revision);
}

TEST_F(DrawPictureTest, PaperReplacesTheScenesBackgroundOnly) {
    ASSERT_EQ(rm::DrawPicture(*viewport, *scene, rm::CurrentRevision(), kPaper), rm::Result::Ok);
    const rm::Picture& picture = target->LastPicture();
    EXPECT_EQ(picture.At(0, 0), kPaper);
    EXPECT_EQ(picture.At(kSide / 2, kSide / 2), kRed);
    // The scene keeps its own background for the window.
    EXPECT_EQ(scene->GetSceneBackground(), kSky);
}

TEST_F(DrawPictureTest, ATickDrawsTheSamePixels) {
    ASSERT_EQ(rm::DrawPicture(*viewport, *scene, rm::CurrentRevision()), rm::Result::Ok);
    const rm::Picture direct = target->LastPicture();
    viewport->SetDrawnRevision(0);
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    ASSERT_EQ(target->PresentCount(), 2);
    EXPECT_EQ(target->LastPicture().pixels, direct.pixels);
}

TEST_F(DrawPictureTest, APictureNotPresentedIsNotMarked) {
    target.reset();  // the clipper holds its target weakly: presenting now fails
    EXPECT_EQ(rm::DrawPicture(*viewport, *scene, rm::CurrentRevision()), rm::Result::BadObject);
    EXPECT_EQ(viewport->DrawnRevision(), 0U);
    EXPECT_EQ(rm::PresentPicture(*viewport, rm::CurrentRevision()), rm::Result::BadObject);
    EXPECT_EQ(viewport->DrawnRevision(), 0U);
    // So the next tick tries again instead of skipping an unchanged scene.
    target = std::make_shared<rm::RecordingTarget>();
    ASSERT_EQ(clipper->SetHWnd(0, target), rm::Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(target->PresentCount(), 1);
    EXPECT_EQ(viewport->DrawnRevision(), rm::CurrentRevision());
}

TEST_F(DrawPictureTest, PresentAloneShowsWhatTheDeviceHolds) {
    device->GetRenderer().Clear(viewport->GetRect(), kPaper);
    const std::uint64_t revision = rm::CurrentRevision();
    ASSERT_EQ(rm::PresentPicture(*viewport, revision), rm::Result::Ok);
    EXPECT_EQ(target->LastPicture().At(kSide / 2, kSide / 2), kPaper);
    EXPECT_EQ(viewport->DrawnRevision(), revision);
}

}  // namespace
