// Ownership of the scene objects: releasing the last handle frees an object and everything
// only it held, with no cycles left for LeakSanitizer to find (the ASan build runs these
// with detect_leaks=1).
#include <gtest/gtest.h>

#include <memory>

#include "platform/rm/root.h"

namespace {

using rm::Result;

TEST(RmLifetime, ReleasingTheHandlesFreesAWholeSceneAndSurface) {
    std::weak_ptr<rm::Root> weakRoot;
    std::weak_ptr<rm::Frame> weakScene, weakChild, weakCamera;
    std::weak_ptr<rm::MeshBuilder> weakMesh;
    std::weak_ptr<rm::Light> weakLight;
    std::weak_ptr<rm::Device> weakDevice;
    std::weak_ptr<rm::Viewport> weakViewport;
    std::weak_ptr<rm::Clipper> weakClipper;
    {
        rm::RootPtr root;
        ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
        root->SetRenderThreads(2);
        rm::FramePtr scene, child, grandchild, camera;
        ASSERT_EQ(root->CreateFrame(nullptr, scene), Result::Ok);
        ASSERT_EQ(root->CreateFrame(scene, child), Result::Ok);
        ASSERT_EQ(root->CreateFrame(child, grandchild), Result::Ok);
        ASSERT_EQ(root->CreateFrame(scene, camera), Result::Ok);
        rm::MeshBuilderPtr mesh;
        ASSERT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
        rm::Face face;
        ASSERT_EQ(mesh->CreateFace(face), Result::Ok);  // a face handle shares the mesh data
        ASSERT_EQ(face.AddVertex(0, 0, 0), Result::Ok);
        ASSERT_EQ(child->AddVisual(mesh), Result::Ok);
        ASSERT_EQ(grandchild->AddVisual(mesh), Result::Ok);  // shared by two frames
        rm::LightPtr light;
        ASSERT_EQ(root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 1, 1, 1, light),
                  Result::Ok);
        ASSERT_EQ(scene->AddLight(light), Result::Ok);
        auto target = std::make_shared<rm::RecordingTarget>();
        rm::ClipperPtr clipper;
        ASSERT_EQ(rm::DirectDrawCreateClipper(0, clipper, nullptr), Result::Ok);
        ASSERT_EQ(clipper->SetHWnd(0, target), Result::Ok);
        rm::DevicePtr device;
        ASSERT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 16, 16, device), Result::Ok);
        rm::ViewportPtr viewport;
        ASSERT_EQ(root->CreateViewport(device, camera, 0, 0, 16, 16, viewport), Result::Ok);
        ASSERT_EQ(root->Tick(1.0F), Result::Ok);

        weakRoot = root;
        weakScene = scene;
        weakChild = child;
        weakCamera = camera;
        weakMesh = mesh;
        weakLight = light;
        weakDevice = device;
        weakViewport = viewport;
        weakClipper = clipper;
        // Releasing in the view's order: clipper, viewport, device, camera.
        clipper.reset();
        viewport.reset();
        EXPECT_TRUE(weakViewport.expired());
        device.reset();
        EXPECT_TRUE(weakDevice.expired());  // the viewport was its last holder
        EXPECT_TRUE(weakClipper.expired());
        ASSERT_EQ(scene->DeleteChild(camera.get()), Result::Ok);
        camera.reset();
        EXPECT_TRUE(weakCamera.expired());
        EXPECT_EQ(root->Tick(1.0F), Result::Ok);  // nothing left to draw
        EXPECT_EQ(root->LastTickDrawCount(), 0);
        child.reset();
        grandchild.reset();
        EXPECT_FALSE(weakChild.expired());  // its parent holds it
        mesh.reset();
        light.reset();
    }
    EXPECT_TRUE(weakRoot.expired());
    EXPECT_TRUE(weakScene.expired());
    EXPECT_TRUE(weakChild.expired());
    EXPECT_TRUE(weakMesh.expired());
    EXPECT_TRUE(weakLight.expired());
}

TEST(RmLifetime, AChildKeepsNoParentAlive) {
    rm::RootPtr root;
    ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
    rm::FramePtr child;
    std::weak_ptr<rm::Frame> weakScene;
    {
        rm::FramePtr scene;
        ASSERT_EQ(root->CreateFrame(nullptr, scene), Result::Ok);
        ASSERT_EQ(root->CreateFrame(scene, child), Result::Ok);
        weakScene = scene;
    }
    EXPECT_TRUE(weakScene.expired());
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(child->SceneRoot(), child.get());
    EXPECT_EQ(root->Tick(1.0F), Result::Ok);
}

TEST(RmLifetime, AVeryDeepHierarchyIsMovedAndFreedWithoutRecursion) {
    rm::RootPtr root;
    ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
    std::weak_ptr<rm::Frame> weakLeaf;
    {
        rm::FramePtr scene;
        ASSERT_EQ(root->CreateFrame(nullptr, scene), Result::Ok);
        rm::FramePtr f = scene;
        for (int i = 0; i < 200000; ++i) {
            rm::FramePtr next;
            ASSERT_EQ(root->CreateFrame(f, next), Result::Ok);
            f = next;
        }
        ASSERT_EQ(f->SetRotation(nullptr, 0, 1, 0, 0.1F), Result::Ok);
        weakLeaf = f;
        f.reset();
        ASSERT_EQ(root->Tick(1.0F), Result::Ok);
    }
    EXPECT_TRUE(weakLeaf.expired());
}

}  // namespace
