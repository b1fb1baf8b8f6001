// The view's surface drawn into memory, as --render and printing use it: built like the
// window's, the same pixels as the window's tick draws, and gone from the scene with it.

#include "view/offscreen_surface.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr rm::D3DCOLOR kPaper = 0xFFFFFFFFU;

class OffscreenSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
        ASSERT_EQ(root->CreateFrame(nullptr, scene), rm::Result::Ok);
        ASSERT_EQ(scene->SetSceneBackground(0xFF000080U), rm::Result::Ok);
        rm::LightPtr light;
        ASSERT_EQ(
            root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 0.8F, 0.8F, 0.8F, light),
            rm::Result::Ok);
        ASSERT_EQ(scene->AddLight(light), rm::Result::Ok);
        rm::MeshBuilderPtr mesh;
        ASSERT_EQ(root->CreateMeshBuilder(mesh), rm::Result::Ok);
        // A slanted triangle: edges that smooth-edge sampling changes.
        const rm::D3DVECTOR corners[] = {{-60, 50, 0}, {70, 30, 20}, {-10, -60, -10}};
        const std::uint32_t faces[] = {3, 0, 1, 2, 0};
        ASSERT_EQ(mesh->AddFaces(corners, {}, faces, nullptr), rm::Result::Ok);
        ASSERT_EQ(mesh->SetColor(0xFF40C020U), rm::Result::Ok);
        ASSERT_EQ(scene->AddVisual(mesh), rm::Result::Ok);
    }
    [[nodiscard]] std::size_t Children() const { return scene->Children().size(); }

    rm::RootPtr root;
    rm::FramePtr scene;
};

TEST_F(OffscreenSurfaceTest, IsBuiltLikeTheWindowsSurface) {
    view::OffscreenSurface offscreen;
    EXPECT_EQ(offscreen.Draw(*scene), rm::Result::BadObject);
    EXPECT_TRUE(offscreen.LastPicture().Empty());
    ASSERT_EQ(offscreen.Create(*root, scene, 3, 120, true), rm::Result::Ok);
    const view::RenderSurface& surface = offscreen.Surface();
    ASSERT_TRUE(surface.camera && surface.device && surface.viewport);
    EXPECT_EQ(surface.device->GetWidth(), view::kMinSurfaceSide);
    EXPECT_EQ(surface.device->GetHeight(), 120);
    EXPECT_TRUE(surface.device->GetAntialias());
    EXPECT_EQ(surface.device->GetShades(), 256U);  // true colour
    rm::D3DVECTOR position;
    ASSERT_EQ(surface.camera->GetPosition(scene.get(), position), rm::Result::Ok);
    EXPECT_EQ(position, view::kCameraStart);
}

TEST_F(OffscreenSurfaceTest, DrawsWhatTheWindowsTickDraws) {
    for (const bool antialias : {false, true}) {
        SCOPED_TRACE(antialias ? "smooth edges" : "aliased");
        // The window's way: its surface on a target of its own, drawn by a tick.
        const auto window = std::make_shared<rm::RecordingTarget>();
        view::RenderSurface surface;
        ASSERT_EQ(view::CreateRenderSurface(*root, scene, window, 64, 48, view::kTrueColorBits,
                                            surface, antialias),
                  rm::Result::Ok);
        ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
        ASSERT_EQ(window->PresentCount(), 1);
        view::ReleaseRenderSurface(surface);

        view::OffscreenSurface offscreen;
        ASSERT_EQ(offscreen.Create(*root, scene, 64, 48, antialias), rm::Result::Ok);
        ASSERT_EQ(offscreen.Draw(*scene), rm::Result::Ok);
        const rm::Picture& picture = offscreen.LastPicture();
        ASSERT_EQ(picture.width, 64);
        ASSERT_EQ(picture.height, 48);
        EXPECT_EQ(picture.pixels, window->LastPicture().pixels);
        // Something of the model is in it, not only the background.
        EXPECT_TRUE(std::any_of(picture.pixels.begin(), picture.pixels.end(),
                                [](rm::D3DCOLOR c) { return c != 0xFF000080U; }));
        // Handed over whole, after which the surface holds none until it draws again.
        const std::vector<rm::D3DCOLOR> drawn = picture.pixels;
        const rm::Picture taken = offscreen.TakeLastPicture();
        EXPECT_EQ(taken.width, 64);
        EXPECT_EQ(taken.height, 48);
        EXPECT_EQ(taken.pixels, drawn);
        EXPECT_TRUE(offscreen.LastPicture().Empty());
        ASSERT_EQ(offscreen.Draw(*scene), rm::Result::Ok);
        EXPECT_EQ(offscreen.LastPicture().pixels, drawn);
    }
}

TEST_F(OffscreenSurfaceTest, PaperChangesOnlyTheBackground) {
    view::OffscreenSurface screen;
    ASSERT_EQ(screen.Create(*root, scene, 40, 40, false), rm::Result::Ok);
    ASSERT_EQ(screen.Draw(*scene), rm::Result::Ok);
    const rm::Picture onScreen = screen.LastPicture();
    ASSERT_EQ(screen.Draw(*scene, kPaper), rm::Result::Ok);
    const rm::Picture& onPaper = screen.LastPicture();
    ASSERT_EQ(onPaper.pixels.size(), onScreen.pixels.size());
    int model = 0;
    for (std::size_t i = 0; i < onPaper.pixels.size(); ++i) {
        if (onScreen.pixels[i] == 0xFF000080U) {
            EXPECT_EQ(onPaper.pixels[i], kPaper) << "pixel " << i;
        } else {
            EXPECT_EQ(onPaper.pixels[i], onScreen.pixels[i]) << "pixel " << i;
            ++model;
        }
    }
    EXPECT_GT(model, 0);
}

TEST_F(OffscreenSurfaceTest, LeavesNoCameraInTheScene) {
    const std::size_t before = Children();
    {
        view::OffscreenSurface offscreen;
        ASSERT_EQ(offscreen.Create(*root, scene, 16, 16, false), rm::Result::Ok);
        EXPECT_EQ(Children(), before + 1);
        // Building again replaces the surface instead of adding a second camera.
        ASSERT_EQ(offscreen.Create(*root, scene, 24, 16, false), rm::Result::Ok);
        EXPECT_EQ(Children(), before + 1);
        EXPECT_EQ(offscreen.Surface().device->GetWidth(), 24);
    }
    EXPECT_EQ(Children(), before);
}

}  // namespace
