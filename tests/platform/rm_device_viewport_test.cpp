#include <cmath>
#include <limits>
#include <memory>

#include "platform/rm/root.h"
#include "tests/support/near.h"

namespace {

using rm::ClipperPtr;
using rm::DevicePtr;
using rm::FramePtr;
using rm::RecordingTarget;
using rm::Result;
using rm::ViewportPtr;
using tarno_test::Near;

class RmSurface : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
        ASSERT_EQ(root->CreateFrame(nullptr, scene), Result::Ok);
        ASSERT_EQ(root->CreateFrame(scene, camera), Result::Ok);
        ASSERT_EQ(camera->SetPosition(scene.get(), 0, 0, -200), Result::Ok);
        target = std::make_shared<RecordingTarget>();
        ASSERT_EQ(rm::DirectDrawCreateClipper(0, clipper, nullptr), Result::Ok);
        ASSERT_EQ(clipper->SetHWnd(0, target), Result::Ok);
        root->SetRenderThreads(1);
    }
    void MakeSurface(int w = 32, int h = 24) {
        ASSERT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, w, h, device), Result::Ok);
        ASSERT_EQ(root->CreateViewport(device, camera, 0, 0, w, h, viewport), Result::Ok);
    }

    rm::RootPtr root;
    FramePtr scene;
    FramePtr camera;
    std::shared_ptr<RecordingTarget> target;
    ClipperPtr clipper;
    DevicePtr device;
    ViewportPtr viewport;
};

// ------------------------------------------------------------------ clipper

TEST_F(RmSurface, ClipperFlagsMustBeZero) {
    ClipperPtr c;
    EXPECT_EQ(rm::DirectDrawCreateClipper(1, c, nullptr), Result::BadValue);
    EXPECT_EQ(c, nullptr);
    int outer = 0;
    EXPECT_EQ(rm::DirectDrawCreateClipper(0, c, &outer), Result::BadValue);
    ASSERT_EQ(rm::DirectDrawCreateClipper(0, c, nullptr), Result::Ok);
    EXPECT_FALSE(c->HasTarget());
    EXPECT_EQ(c->SetHWnd(4, target), Result::BadValue);
    EXPECT_FALSE(c->HasTarget());
    ASSERT_EQ(c->SetHWnd(0, target), Result::Ok);
    EXPECT_TRUE(c->HasTarget());
    EXPECT_EQ(c->Target(), target);
    ASSERT_EQ(c->SetHWnd(0, {}), Result::Ok);  // unbinds
    EXPECT_FALSE(c->HasTarget());
}

TEST_F(RmSurface, ClipperHoldsItsTargetWeakly) {
    std::weak_ptr<RecordingTarget> weak = target;
    target.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(clipper->HasTarget());
    EXPECT_EQ(clipper->Target(), nullptr);
}

// ------------------------------------------------------------------ device

TEST_F(RmSurface, DeviceCreationFailures) {
    DevicePtr d;
    EXPECT_EQ(root->CreateDeviceFromClipper(nullptr, nullptr, 8, 8, d), Result::BadObject);
    ClipperPtr unbound;
    ASSERT_EQ(rm::DirectDrawCreateClipper(0, unbound, nullptr), Result::Ok);
    EXPECT_EQ(root->CreateDeviceFromClipper(unbound, nullptr, 8, 8, d), Result::BadObject);
    EXPECT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 0, 8, d), Result::BadSize);
    EXPECT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 8, 0, d), Result::BadSize);
    EXPECT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, -5, 8, d), Result::BadSize);
    EXPECT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 16385, 8, d), Result::BadSize);
    EXPECT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 8, 16385, d), Result::BadSize);
    const int guid = 1;
    EXPECT_EQ(root->CreateDeviceFromClipper(clipper, &guid, 8, 8, d), Result::BadValue);
    EXPECT_EQ(d, nullptr);
    ASSERT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 1, 1, d), Result::Ok);
    EXPECT_EQ(d->GetWidth(), 1);
    EXPECT_EQ(d->GetHeight(), 1);
}

TEST_F(RmSurface, DeviceDefaultsAndSettings) {
    MakeSurface();
    EXPECT_EQ(device->GetWidth(), 32);
    EXPECT_EQ(device->GetHeight(), 24);
    EXPECT_EQ(device->GetClipper(), clipper);
    EXPECT_EQ(device->GetQuality(), rm::D3DRMRENDER_FLAT);
    EXPECT_TRUE(device->GetDither());
    EXPECT_EQ(device->GetTextureQuality(), rm::D3DRMTEXTURE_NEAREST);
    EXPECT_EQ(device->GetShades(), 32U);

    // The view's set-up.
    EXPECT_EQ(device->SetQuality(rm::D3DRMRENDER_GOURAUD), Result::Ok);
    EXPECT_EQ(device->SetDither(false), Result::Ok);
    EXPECT_EQ(device->SetTextureQuality(rm::D3DRMTEXTURE_NEAREST), Result::Ok);
    EXPECT_EQ(device->SetShades(256), Result::Ok);
    EXPECT_EQ(device->GetQuality(), 0x89U);
    EXPECT_FALSE(device->GetDither());
    EXPECT_EQ(device->GetShades(), 256U);
    EXPECT_EQ(device->SetTextureQuality(1), Result::Ok);
    EXPECT_EQ(device->GetTextureQuality(), 1U);

    EXPECT_EQ(device->SetQuality(0x1000), Result::BadValue);
    EXPECT_EQ(device->SetTextureQuality(2), Result::BadValue);
    for (std::uint32_t bad : {0U, 3U, 24U, 255U, 512U}) {
        EXPECT_EQ(device->SetShades(bad), Result::BadValue) << bad;
    }
    for (std::uint32_t good : {1U, 2U, 16U, 32U, 128U}) {
        EXPECT_EQ(device->SetShades(good), Result::Ok) << good;
        EXPECT_EQ(device->GetShades(), good);
    }
    EXPECT_EQ(device->GetQuality(), 0x89U);
    EXPECT_EQ(device->GetTextureQuality(), 1U);
}

TEST(RmCapQuality, FieldByFieldMinimum) {
    EXPECT_EQ(rm::CapQuality(rm::D3DRMRENDER_FLAT, rm::D3DRMRENDER_GOURAUD), 0x88U);
    EXPECT_EQ(rm::CapQuality(rm::D3DRMRENDER_WIREFRAME, rm::D3DRMRENDER_GOURAUD), 0x40U);
    EXPECT_EQ(rm::CapQuality(rm::D3DRMRENDER_GOURAUD, rm::D3DRMRENDER_FLAT), 0x88U);
    EXPECT_EQ(rm::CapQuality(rm::D3DRMRENDER_GOURAUD, rm::D3DRMRENDER_WIREFRAME), 0x40U);
    // Gouraud, unlit, solid against flat, lit, wireframe: flat, unlit, wireframe.
    EXPECT_EQ(rm::CapQuality(0x81, 0x48), 0x40U);
    EXPECT_EQ(rm::CapQuality(rm::D3DRMRENDER_GOURAUD, rm::D3DRMRENDER_GOURAUD), 0x89U);
}

TEST_F(RmSurface, UpdateAndHandlePaintPresentTheDevicesPicture) {
    MakeSurface(16, 8);
    ASSERT_EQ(scene->SetSceneBackground(0xFF204060U), Result::Ok);
    ASSERT_EQ(viewport->Clear(), Result::Ok);
    EXPECT_EQ(target->PresentCount(), 0);
    ASSERT_EQ(device->Update(), Result::Ok);
    EXPECT_EQ(target->PresentCount(), 1);
    const rm::Picture& p = target->LastPicture();
    ASSERT_EQ(p.width, 16);
    ASSERT_EQ(p.height, 8);
    EXPECT_EQ(p.At(0, 0), 0xFF204060U);
    EXPECT_EQ(p.At(15, 7), 0xFF204060U);
    ASSERT_EQ(device->HandlePaint(nullptr), Result::Ok);
    EXPECT_EQ(target->PresentCount(), 2);
    const rm::PictureView view = device->GetPicture();
    EXPECT_EQ(view.width, 16);
    EXPECT_EQ(view.pixels[0], 0xFF204060U);
}

TEST_F(RmSurface, UpdateWithoutTargetIsBadObject) {
    MakeSurface();
    target.reset();  // the window went away
    EXPECT_EQ(device->Update(), Result::BadObject);
    EXPECT_EQ(device->HandlePaint(nullptr), Result::BadObject);
}

// ------------------------------------------------------------------ viewport

TEST_F(RmSurface, ViewportCreationFailures) {
    ASSERT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 32, 24, device), Result::Ok);
    ViewportPtr v;
    EXPECT_EQ(root->CreateViewport(nullptr, camera, 0, 0, 8, 8, v), Result::BadObject);
    EXPECT_EQ(root->CreateViewport(device, nullptr, 0, 0, 8, 8, v), Result::BadObject);
    EXPECT_EQ(root->CreateViewport(device, camera, 0, 0, 0, 8, v), Result::BadSize);
    EXPECT_EQ(root->CreateViewport(device, camera, 0, 0, 8, -1, v), Result::BadSize);
    EXPECT_EQ(root->CreateViewport(device, camera, -1, 0, 8, 8, v), Result::BadValue);
    EXPECT_EQ(root->CreateViewport(device, camera, 0, -1, 8, 8, v), Result::BadValue);
    EXPECT_EQ(root->CreateViewport(device, camera, 25, 0, 8, 8, v), Result::BadValue);
    EXPECT_EQ(root->CreateViewport(device, camera, 0, 17, 8, 8, v), Result::BadValue);
    EXPECT_EQ(root->CreateViewport(device, camera, 0, 0, 33, 24, v), Result::BadValue);
    EXPECT_EQ(root->CreateViewport(device, camera, 0, 0, 32, 25, v), Result::BadValue);
    EXPECT_EQ(root->CreateViewport(device, camera, 2147483647, 0, 8, 8, v), Result::BadValue);
    EXPECT_EQ(v, nullptr);
    ASSERT_EQ(root->CreateViewport(device, camera, 24, 16, 8, 8, v), Result::Ok);
    EXPECT_EQ(v->GetRect().x, 24);
    EXPECT_EQ(v->GetRect().height, 8);
    EXPECT_EQ(v->GetDevice(), device);
    EXPECT_EQ(v->GetCamera(), camera);
}

TEST_F(RmSurface, ViewportDefaultsAndPlanes) {
    MakeSurface();
    EXPECT_EQ(viewport->GetFront(), 1.0F);
    EXPECT_EQ(viewport->GetBack(), 100.0F);
    EXPECT_EQ(viewport->GetField(), 0.5F);
    EXPECT_EQ(viewport->DrawnRevision(), 0U);
    ASSERT_EQ(viewport->SetBack(5000.0F), Result::Ok);  // as the view sets it
    EXPECT_EQ(viewport->GetBack(), 5000.0F);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(viewport->SetBack(1.0F), Result::BadValue);  // not beyond the front
    EXPECT_EQ(viewport->SetBack(0.5F), Result::BadValue);
    EXPECT_EQ(viewport->SetBack(nan), Result::BadValue);
    EXPECT_EQ(viewport->SetBack(inf), Result::BadValue);
    EXPECT_EQ(viewport->SetFront(0.0F), Result::BadValue);
    EXPECT_EQ(viewport->SetFront(-1.0F), Result::BadValue);
    EXPECT_EQ(viewport->SetFront(5000.0F), Result::BadValue);
    EXPECT_EQ(viewport->SetFront(nan), Result::BadValue);
    EXPECT_EQ(viewport->SetField(0.0F), Result::BadValue);
    EXPECT_EQ(viewport->SetField(-0.5F), Result::BadValue);
    EXPECT_EQ(viewport->SetField(inf), Result::BadValue);
    EXPECT_EQ(viewport->GetFront(), 1.0F);
    EXPECT_EQ(viewport->GetBack(), 5000.0F);
    EXPECT_EQ(viewport->GetField(), 0.5F);
    ASSERT_EQ(viewport->SetFront(2.0F), Result::Ok);
    ASSERT_EQ(viewport->SetField(1.0F), Result::Ok);
    EXPECT_EQ(viewport->GetFront(), 2.0F);
    EXPECT_EQ(viewport->GetField(), 1.0F);
    EXPECT_EQ(viewport->SetCamera(nullptr), Result::BadObject);
    EXPECT_EQ(viewport->GetCamera(), camera);
}

TEST_F(RmSurface, ClearUsesTheBackgroundOfTheCamerasScene) {
    MakeSurface(8, 8);
    // Black unless set.
    ASSERT_EQ(viewport->Clear(), Result::Ok);
    ASSERT_EQ(device->Update(), Result::Ok);
    EXPECT_EQ(target->LastPicture().At(3, 3), 0xFF000000U);
    // The camera is a child: the background is its scene root's.
    ASSERT_EQ(scene->SetSceneBackground(0xFF0000FFU), Result::Ok);
    ASSERT_EQ(viewport->Clear(), Result::Ok);
    ASSERT_EQ(device->Update(), Result::Ok);
    EXPECT_EQ(target->LastPicture().At(3, 3), 0xFF0000FFU);
}

TEST_F(RmSurface, RenderNeedsAFrame) {
    MakeSurface();
    EXPECT_EQ(viewport->Render(nullptr), Result::BadObject);
    EXPECT_EQ(viewport->Render(scene.get()), Result::Ok);
}

TEST_F(RmSurface, PrepareJobCollectsCameraLightsAndMeshes) {
    MakeSurface(32, 24);
    ASSERT_EQ(viewport->SetBack(5000.0F), Result::Ok);
    ASSERT_EQ(device->SetQuality(rm::D3DRMRENDER_GOURAUD), Result::Ok);
    // The document's scene: ambient on the scene frame, a directional light on
    // the light frame facing the origin, a mesh on a model frame.
    rm::LightPtr ambient;
    rm::LightPtr ambient2;
    rm::LightPtr sun;
    ASSERT_EQ(
        root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 0.3F, 0.3F, 0.3F, ambient),
        Result::Ok);
    ASSERT_EQ(
        root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 0.1F, 0.0F, 0.2F, ambient2),
        Result::Ok);
    ASSERT_EQ(root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, sun),
              Result::Ok);
    ASSERT_EQ(scene->AddLight(ambient), Result::Ok);
    FramePtr lightFrame;
    ASSERT_EQ(root->CreateFrame(scene, lightFrame), Result::Ok);
    ASSERT_EQ(lightFrame->SetPosition(scene.get(), 100, 100, -100), Result::Ok);
    ASSERT_EQ(lightFrame->SetOrientation(scene.get(), {-1, -1, 1}, {-1, 1, 1}), Result::Ok);
    ASSERT_EQ(lightFrame->AddLight(sun), Result::Ok);
    ASSERT_EQ(lightFrame->AddLight(ambient2), Result::Ok);
    FramePtr model;
    ASSERT_EQ(root->CreateFrame(scene, model), Result::Ok);
    ASSERT_EQ(model->SetPosition(nullptr, 0, 0, 50), Result::Ok);
    rm::MeshBuilderPtr mesh;
    ASSERT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
    ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_WIREFRAME), Result::Ok);
    ASSERT_EQ(model->AddVisual(mesh), Result::Ok);
    rm::MeshBuilderPtr gouraud;
    ASSERT_EQ(root->CreateMeshBuilder(gouraud), Result::Ok);  // Gouraud by default
    FramePtr inner;
    ASSERT_EQ(root->CreateFrame(model, inner), Result::Ok);
    ASSERT_EQ(inner->SetPosition(nullptr, 1, 0, 0), Result::Ok);
    ASSERT_EQ(inner->AddVisual(gouraud), Result::Ok);

    rm::RenderJob job;
    ASSERT_EQ(viewport->PrepareJob(scene.get(), job), Result::Ok);
    EXPECT_EQ(job.front, 1.0F);
    EXPECT_EQ(job.back, 5000.0F);
    EXPECT_EQ(job.field, 0.5F);
    EXPECT_EQ(job.rect.width, 32);
    EXPECT_EQ(job.rect.height, 24);
    // Camera at (0, 0, -200) looking along +z: the origin is 200 ahead.
    EXPECT_TRUE(Near(job.worldToCamera.TransformPoint({0, 0, 0}), {0, 0, 200}));
    EXPECT_NEAR(job.ambient.r, 0.4F, 1e-6F);
    EXPECT_NEAR(job.ambient.g, 0.3F, 1e-6F);
    EXPECT_NEAR(job.ambient.b, 0.5F, 1e-6F);
    ASSERT_EQ(job.lights.size(), 1U);
    const float r3 = std::sqrt(3.0F);
    EXPECT_TRUE(Near(job.lights[0].direction, {-1 / r3, -1 / r3, 1 / r3}));
    EXPECT_EQ(job.lights[0].color, (rm::ColorRGB{1, 1, 1}));
    ASSERT_EQ(job.meshes.size(), 2U);
    EXPECT_EQ(job.meshes[0].mesh, &mesh->Data());
    EXPECT_EQ(job.meshes[0].quality, 0x40U);  // capped: wireframe stays wireframe
    EXPECT_TRUE(Near(job.meshes[0].modelToWorld.Translation(), {0, 0, 50}));
    EXPECT_EQ(job.meshes[1].mesh, &gouraud->Data());
    EXPECT_EQ(job.meshes[1].quality, 0x89U);
    EXPECT_TRUE(Near(job.meshes[1].modelToWorld.Translation(), {1, 0, 50}));

    // Capped by a flat device.
    ASSERT_EQ(device->SetQuality(rm::D3DRMRENDER_FLAT), Result::Ok);
    ASSERT_EQ(viewport->PrepareJob(scene.get(), job), Result::Ok);
    EXPECT_EQ(job.meshes[1].quality, 0x88U);
    // Rendering only a subtree sees only its meshes and lights.
    ASSERT_EQ(viewport->PrepareJob(model.get(), job), Result::Ok);
    EXPECT_EQ(job.meshes.size(), 2U);
    EXPECT_TRUE(job.lights.empty());
    EXPECT_EQ(job.ambient, (rm::ColorRGB{}));
    EXPECT_TRUE(Near(job.meshes[1].modelToWorld.Translation(), {1, 0, 50}));
    EXPECT_EQ(viewport->Render(scene.get()), Result::Ok);
}

TEST_F(RmSurface, WarmPrepareJobReusesItsStorage) {
    MakeSurface();
    rm::MeshBuilderPtr mesh;
    ASSERT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
    for (int i = 0; i < 20; ++i) {
        FramePtr f;
        ASSERT_EQ(root->CreateFrame(scene, f), Result::Ok);
        ASSERT_EQ(f->AddVisual(mesh), Result::Ok);
    }
    rm::RenderJob first;
    ASSERT_EQ(viewport->PrepareJob(scene.get(), first), Result::Ok);
    rm::RenderJob second;
    ASSERT_EQ(viewport->PrepareJob(scene.get(), second), Result::Ok);
    EXPECT_EQ(second.meshes.size(), 20U);
    EXPECT_EQ(first.meshes.data(), second.meshes.data());  // no new buffer
}

TEST_F(RmSurface, CreateLightRGBTypes) {
    rm::LightPtr light;
    EXPECT_EQ(root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_POINT, 1, 1, 1, light),
              Result::Unsupported);
    EXPECT_EQ(root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_SPOT, 1, 1, 1, light),
              Result::Unsupported);
    EXPECT_EQ(root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL,
                                   std::numeric_limits<float>::quiet_NaN(), 1, 1, light),
              Result::BadValue);
    EXPECT_EQ(light, nullptr);
    ASSERT_EQ(root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL, 2, 0.5F, 0, light),
              Result::Ok);
    EXPECT_EQ(light->GetType(), rm::D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL);
    EXPECT_EQ(light->GetColor(), (rm::ColorRGB{2, 0.5F, 0}));  // above 1 is allowed
    ASSERT_EQ(light->SetColorRGB(0.1F, 0.2F, 0.3F), Result::Ok);
    EXPECT_EQ(light->GetColor(), (rm::ColorRGB{0.1F, 0.2F, 0.3F}));
    EXPECT_EQ(light->SetColorRGB(std::numeric_limits<float>::infinity(), 0, 0), Result::BadValue);
}

TEST_F(RmSurface, DefaultTextureColoursAndShades) {
    EXPECT_EQ(root->SetDefaultTextureColors(64), Result::Ok);
    EXPECT_EQ(root->SetDefaultTextureShades(256), Result::Ok);
    EXPECT_EQ(root->GetDefaultTextureColors(), 64U);
    EXPECT_EQ(root->GetDefaultTextureShades(), 256U);
    EXPECT_EQ(root->SetDefaultTextureColors(0), Result::BadValue);
    EXPECT_EQ(root->SetDefaultTextureShades(0), Result::BadValue);
    EXPECT_EQ(root->GetDefaultTextureColors(), 64U);
}

// ------------------------------------------------------------------ tick

TEST_F(RmSurface, TickDrawsOnlyWhenTheSceneChanged) {
    MakeSurface();
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);  // never drawn: draws
    EXPECT_EQ(root->LastTickDrawCount(), 1);
    EXPECT_EQ(target->PresentCount(), 1);
    EXPECT_NE(viewport->DrawnRevision(), 0U);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(root->Tick(1.0F), Result::Ok);
        EXPECT_EQ(root->LastTickDrawCount(), 0);
    }
    EXPECT_EQ(target->PresentCount(), 1);

    // A camera move, a mesh change, a device setting: each draws once.
    ASSERT_EQ(camera->SetPosition(scene.get(), 0, 0, -190), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 1);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
    rm::MeshBuilderPtr mesh;
    ASSERT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
    ASSERT_EQ(mesh->SetQuality(rm::D3DRMRENDER_WIREFRAME), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 1);
    ASSERT_EQ(device->SetDither(false), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 1);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
    EXPECT_EQ(target->PresentCount(), 4);
    // Reading the scene is no change.
    rm::D3DVECTOR p;
    ASSERT_EQ(camera->GetPosition(scene.get(), p), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
}

TEST_F(RmSurface, TickKeepsDrawingWhileSomethingTurns) {
    MakeSurface();
    FramePtr spinner;
    ASSERT_EQ(root->CreateFrame(scene, spinner), Result::Ok);
    ASSERT_EQ(spinner->SetRotation(nullptr, 0, 1, 0, 0.05F), Result::Ok);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(root->Tick(1.0F), Result::Ok);
        EXPECT_EQ(root->LastTickDrawCount(), 1);
    }
    ASSERT_EQ(spinner->SetRotation(nullptr, 0, 0, 0, 0), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
    // A zero tick moves nothing.
    ASSERT_EQ(spinner->SetRotation(nullptr, 0, 1, 0, 0.05F), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    ASSERT_EQ(root->Tick(0.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
    EXPECT_EQ(root->Tick(std::numeric_limits<float>::quiet_NaN()), Result::BadValue);
}

TEST_F(RmSurface, TickDrawsEveryViewportOfItsRootAndForgetsReleasedOnes) {
    MakeSurface(32, 24);
    ViewportPtr second;
    ASSERT_EQ(root->CreateViewport(device, camera, 0, 0, 16, 12, second), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 2);
    EXPECT_EQ(target->PresentCount(), 2);
    second.reset();
    ASSERT_EQ(scene->SetSceneBackground(0xFF00FF00U), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 1);
    EXPECT_EQ(target->LastPicture().At(31, 23), 0xFF00FF00U);

    // A viewport of another root is not this root's to draw.
    rm::RootPtr other;
    ASSERT_EQ(rm::Direct3DRMCreate(other), Result::Ok);
    ASSERT_EQ(other->Tick(1.0F), Result::Ok);
    EXPECT_EQ(other->LastTickDrawCount(), 0);
}

TEST_F(RmSurface, TickReportsAViewportWhoseTargetIsGone) {
    MakeSurface();
    target.reset();
    EXPECT_EQ(root->Tick(1.0F), Result::BadObject);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
    EXPECT_EQ(viewport->DrawnRevision(), 0U);  // not drawn: tried again next time
    // Bound again, the next tick draws.
    auto again = std::make_shared<RecordingTarget>();
    ASSERT_EQ(clipper->SetHWnd(0, again), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 1);
    EXPECT_EQ(again->PresentCount(), 1);
}

TEST_F(RmSurface, TickMovesScenesWithoutAnyViewport) {
    FramePtr f;
    ASSERT_EQ(root->CreateFrame(scene, f), Result::Ok);
    ASSERT_EQ(f->SetRotation(nullptr, 1, 0, 0, 0.25F), Result::Ok);
    ASSERT_EQ(root->Tick(2.0F), Result::Ok);
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({0, 1, 0}),
                     {0, std::cos(0.5F), std::sin(0.5F)}));
    // A scene root hung under another scene moves once, with its new parent.
    FramePtr otherScene;
    ASSERT_EQ(root->CreateFrame(nullptr, otherScene), Result::Ok);
    ASSERT_EQ(otherScene->SetRotation(nullptr, 0, 0, 1, 0.5F), Result::Ok);
    ASSERT_EQ(scene->AddChild(otherScene), Result::Ok);
    ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    EXPECT_TRUE(Near(otherScene->LocalTransform().TransformDirection({1, 0, 0}),
                     {std::cos(0.5F), std::sin(0.5F), 0}));
}

}  // namespace
