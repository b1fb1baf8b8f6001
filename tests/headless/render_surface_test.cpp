#include "view/render_surface.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/rm/presentation_target.h"

namespace {

class RenderSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
        ASSERT_EQ(root->CreateFrame(nullptr, scene), rm::Result::Ok);
    }
    rm::Result Make(int cx, int cy, int bits) {
        return view::CreateRenderSurface(*root, scene, target, cx, cy, bits, surface);
    }
    bool SceneHolds(const rm::FramePtr& frame) const {
        const auto& children = scene->Children();
        return std::find(children.begin(), children.end(), frame) != children.end();
    }

    rm::RootPtr root;
    rm::FramePtr scene;
    std::shared_ptr<rm::RecordingTarget> target = std::make_shared<rm::RecordingTarget>();
    view::RenderSurface surface;
};

TEST_F(RenderSurfaceTest, BuildsTheViewsSurface) {
    ASSERT_EQ(Make(320, 200, 32), rm::Result::Ok);
    ASSERT_TRUE(surface.camera && surface.clipper && surface.device && surface.viewport);
    EXPECT_EQ(surface.camera->GetParent(), scene);
    rm::D3DVECTOR position;
    ASSERT_EQ(surface.camera->GetPosition(scene.get(), position), rm::Result::Ok);
    EXPECT_EQ(position, (rm::D3DVECTOR{0.0F, 0.0F, -200.0F}));
    EXPECT_EQ(surface.clipper->Target(), target);
    EXPECT_EQ(surface.device->GetWidth(), 320);
    EXPECT_EQ(surface.device->GetHeight(), 200);
    EXPECT_EQ(surface.viewport->GetCamera(), surface.camera);
    EXPECT_EQ(surface.viewport->GetDevice(), surface.device);
    EXPECT_FLOAT_EQ(surface.viewport->GetBack(), 5000.0F);
    EXPECT_EQ(surface.device->GetQuality(), rm::D3DRMRENDER_GOURAUD);
    EXPECT_FALSE(surface.device->GetDither());
    EXPECT_EQ(surface.device->GetTextureQuality(), rm::D3DRMTEXTURE_NEAREST);
}

TEST_F(RenderSurfaceTest, SidesBelowEightBecomeEight) {
    ASSERT_EQ(Make(0, 600, 32), rm::Result::Ok);
    EXPECT_EQ(surface.device->GetWidth(), 8);
    EXPECT_EQ(surface.device->GetHeight(), 600);
    view::ReleaseRenderSurface(surface);
    ASSERT_EQ(Make(-5, 3, 32), rm::Result::Ok);
    EXPECT_EQ(surface.device->GetWidth(), 8);
    EXPECT_EQ(surface.device->GetHeight(), 8);
}

TEST_F(RenderSurfaceTest, ShadesFollowTheColourDepth) {
    struct Case {
        int bits;
        std::uint32_t deviceShades, textureColors, textureShades;
    };
    // What a fresh root and device report stands for "not set".
    rm::RootPtr fresh;
    ASSERT_EQ(rm::Direct3DRMCreate(fresh), rm::Result::Ok);
    const std::uint32_t colors0 = fresh->GetDefaultTextureColors();
    const std::uint32_t shades0 = fresh->GetDefaultTextureShades();
    ASSERT_EQ(Make(8, 8, 8), rm::Result::Ok);
    const std::uint32_t device0 = surface.device->GetShades();
    view::ReleaseRenderSurface(surface);

    for (const Case c : {Case{1, 4, colors0, 4}, Case{16, 32, 64, 32}, Case{24, 256, 64, 256},
                         Case{32, 256, 64, 256}, Case{8, device0, colors0, shades0}}) {
        rm::RootPtr r;
        ASSERT_EQ(rm::Direct3DRMCreate(r), rm::Result::Ok);
        rm::FramePtr s;
        ASSERT_EQ(r->CreateFrame(nullptr, s), rm::Result::Ok);
        view::RenderSurface made;
        ASSERT_EQ(view::CreateRenderSurface(*r, s, target, 16, 16, c.bits, made), rm::Result::Ok);
        EXPECT_EQ(made.device->GetShades(), c.deviceShades) << c.bits;
        EXPECT_EQ(r->GetDefaultTextureColors(), c.textureColors) << c.bits;
        EXPECT_EQ(r->GetDefaultTextureShades(), c.textureShades) << c.bits;
        view::ReleaseRenderSurface(made);
    }
}

TEST_F(RenderSurfaceTest, StopsAtTheFirstFailureAndKeepsWhatItMade) {
    // A target that is gone: the clipper binds to nothing, so the device cannot be made.
    std::weak_ptr<rm::PresentationTarget> gone;
    {
        auto t = std::make_shared<rm::RecordingTarget>();
        gone = t;
    }
    EXPECT_NE(view::CreateRenderSurface(*root, scene, gone, 64, 64, 32, surface), rm::Result::Ok);
    EXPECT_TRUE(surface.camera);
    EXPECT_TRUE(surface.clipper);
    EXPECT_FALSE(surface.device);
    EXPECT_FALSE(surface.viewport);
    view::ReleaseRenderSurface(surface);
    EXPECT_FALSE(surface.camera);

    EXPECT_EQ(Make(16385, 16, 32), rm::Result::BadSize);
    EXPECT_FALSE(surface.device);
}

TEST_F(RenderSurfaceTest, ReleaseDropsEverythingAndDetachesTheCamera) {
    ASSERT_EQ(Make(64, 48, 32), rm::Result::Ok);
    const rm::FramePtr camera = surface.camera;
    ASSERT_TRUE(SceneHolds(camera));
    view::ReleaseRenderSurface(surface);
    EXPECT_FALSE(surface.camera || surface.clipper || surface.device || surface.viewport);
    EXPECT_FALSE(SceneHolds(camera));
    EXPECT_FALSE(camera->GetParent());
    // Releasing twice, or an empty surface, is harmless.
    view::ReleaseRenderSurface(surface);
}

TEST_F(RenderSurfaceTest, RebuildingOnResizeLeavesOneCameraInTheScene) {
    const std::size_t before = scene->Children().size();
    for (int size = 8; size < 200; size += 37) {
        view::ReleaseRenderSurface(surface);
        ASSERT_EQ(Make(size, size, 32), rm::Result::Ok);
    }
    EXPECT_EQ(scene->Children().size(), before + 1);
}

TEST_F(RenderSurfaceTest, ATickDrawsIntoTheTarget) {
    ASSERT_EQ(Make(40, 30, 32), rm::Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    ASSERT_GE(target->PresentCount(), 1);
    EXPECT_EQ(target->LastPicture().width, 40);
    EXPECT_EQ(target->LastPicture().height, 30);
}

}  // namespace
