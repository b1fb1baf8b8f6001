#include <cmath>
#include <limits>
#include <numbers>

#include "platform/rm/revision.h"
#include "platform/rm/root.h"
#include "tests/support/near.h"

namespace {

using rm::D3DRMCOMBINETYPE;
using rm::D3DVECTOR;
using rm::FramePtr;
using rm::Matrix4;
using rm::Result;
using tarno_test::Near;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0F;
constexpr auto kReplace = D3DRMCOMBINETYPE::D3DRMCOMBINE_REPLACE;
constexpr auto kBefore = D3DRMCOMBINETYPE::D3DRMCOMBINE_BEFORE;
constexpr auto kAfter = D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER;

class RmFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
        ASSERT_EQ(root->CreateFrame(nullptr, scene), Result::Ok);
    }
    FramePtr Child(const FramePtr& parent) {
        FramePtr f;
        EXPECT_EQ(root->CreateFrame(parent, f), Result::Ok);
        return f;
    }

    rm::RootPtr root;
    FramePtr scene;
};

TEST_F(RmFrame, CreateFrameWithParentMakesAChild) {
    const FramePtr a = Child(scene);
    EXPECT_EQ(a->GetParent(), scene);
    ASSERT_EQ(scene->Children().size(), 1U);
    EXPECT_EQ(scene->Children()[0], a);
    EXPECT_EQ(scene->GetParent(), nullptr);
    EXPECT_EQ(a->SceneRoot(), scene.get());
    EXPECT_EQ(scene->SceneRoot(), scene.get());
    EXPECT_EQ(a->LocalTransform(), Matrix4::Identity());
}

TEST_F(RmFrame, PositionRelativeToParentAndToOtherFrames) {
    const FramePtr a = Child(scene);
    const FramePtr b = Child(scene);
    ASSERT_EQ(a->SetPosition(nullptr, 10, 0, 0), Result::Ok);
    ASSERT_EQ(b->SetPosition(scene.get(), 0, 5, 0), Result::Ok);
    D3DVECTOR p;
    ASSERT_EQ(a->GetPosition(b.get(), p), Result::Ok);
    EXPECT_TRUE(Near(p, {10, -5, 0}));
    ASSERT_EQ(b->GetPosition(a.get(), p), Result::Ok);
    EXPECT_TRUE(Near(p, {-10, 5, 0}));
    ASSERT_EQ(a->GetPosition(nullptr, p), Result::Ok);
    EXPECT_EQ(p, (D3DVECTOR{10, 0, 0}));
    // Placed relative to b: 1 unit above b is (0, 6, 0) in the scene.
    ASSERT_EQ(a->SetPosition(b.get(), 0, 1, 0), Result::Ok);
    ASSERT_EQ(a->GetPosition(scene.get(), p), Result::Ok);
    EXPECT_TRUE(Near(p, {0, 6, 0}));
}

TEST_F(RmFrame, PositionThroughARotatedParent) {
    // a is turned 90 degrees about y (z goes to x) and sits at (10, 0, 0).
    const FramePtr a = Child(scene);
    ASSERT_EQ(a->AddRotation(kReplace, 0, 1, 0, kHalfPi), Result::Ok);
    ASSERT_EQ(a->SetPosition(nullptr, 10, 0, 0), Result::Ok);
    const FramePtr c = Child(a);
    ASSERT_EQ(c->SetPosition(nullptr, 0, 0, 1), Result::Ok);
    D3DVECTOR p;
    ASSERT_EQ(c->GetPosition(scene.get(), p), Result::Ok);
    EXPECT_TRUE(Near(p, {11, 0, 0}));
    EXPECT_TRUE(Near(c->WorldTransform().Translation(), {11, 0, 0}));
    // Moving c to the scene origin puts it 10 units behind a along a's z.
    ASSERT_EQ(c->SetPosition(scene.get(), 0, 0, 0), Result::Ok);
    ASSERT_EQ(c->GetPosition(nullptr, p), Result::Ok);
    EXPECT_TRUE(Near(p, {0, 0, -10}));
    ASSERT_EQ(c->GetPosition(scene.get(), p), Result::Ok);
    EXPECT_TRUE(Near(p, {0, 0, 0}));
}

TEST_F(RmFrame, LightFrameOfTheDocumentFacesTheOrigin) {
    // The light frame: at (100, 100, -100), direction (-1, -1, 1), up (-1, 1, 1).
    const FramePtr light = Child(scene);
    ASSERT_EQ(light->SetPosition(scene.get(), 100.0F, 100.0F, -100.0F), Result::Ok);
    ASSERT_EQ(light->SetOrientation(scene.get(), {-1, -1, 1}, {-1, 1, 1}), Result::Ok);

    const float r3 = std::sqrt(3.0F);
    const float r6 = std::sqrt(6.0F);
    const float r2 = std::sqrt(2.0F);
    D3DVECTOR dir;
    D3DVECTOR up;
    ASSERT_EQ(light->GetOrientation(scene.get(), dir, up), Result::Ok);
    EXPECT_TRUE(Near(dir, {-1 / r3, -1 / r3, 1 / r3}));
    // The part of (-1, 1, 1) at right angles to dir: (-1, 2, 1) / sqrt 6.
    EXPECT_TRUE(Near(up, {-1 / r6, 2 / r6, 1 / r6}));
    const Matrix4 w = light->WorldTransform();
    EXPECT_TRUE(Near(D3DVECTOR{w.m[0][0], w.m[0][1], w.m[0][2]}, {1 / r2, 0, 1 / r2}));  // y x z
    // The position did not change.
    D3DVECTOR p;
    ASSERT_EQ(light->GetPosition(scene.get(), p), Result::Ok);
    EXPECT_TRUE(Near(p, {100, 100, -100}));
    // The scene origin lies straight ahead on the light frame's +z, 100 sqrt 3 away.
    ASSERT_EQ(scene->GetPosition(light.get(), p), Result::Ok);
    EXPECT_TRUE(Near(p, {0, 0, 100 * r3}, 1e-3F));
}

TEST_F(RmFrame, OrientationRelativeToAnotherFrame) {
    const FramePtr ref = Child(scene);
    ASSERT_EQ(ref->AddRotation(kReplace, 0, 1, 0, kHalfPi), Result::Ok);  // ref z = scene x
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetPosition(nullptr, 1, 2, 3), Result::Ok);
    ASSERT_EQ(f->SetOrientation(ref.get(), {0, 0, 1}, {0, 1, 0}), Result::Ok);
    D3DVECTOR dir;
    D3DVECTOR up;
    ASSERT_EQ(f->GetOrientation(nullptr, dir, up), Result::Ok);
    EXPECT_TRUE(Near(dir, {1, 0, 0}));
    EXPECT_TRUE(Near(up, {0, 1, 0}));
    ASSERT_EQ(f->GetOrientation(ref.get(), dir, up), Result::Ok);
    EXPECT_TRUE(Near(dir, {0, 0, 1}));
    EXPECT_TRUE(Near(f->LocalTransform().Translation(), {1, 2, 3}));
}

TEST_F(RmFrame, SetOrientationRejectsZeroAndParallelVectorsAndChangesNothing) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetPosition(nullptr, 1, 2, 3), Result::Ok);
    const Matrix4 before = f->LocalTransform();
    EXPECT_EQ(f->SetOrientation(nullptr, {0, 0, 0}, {0, 1, 0}), Result::BadValue);
    EXPECT_EQ(f->SetOrientation(nullptr, {0, 0, 1}, {0, 0, 0}), Result::BadValue);
    EXPECT_EQ(f->SetOrientation(nullptr, {0, 2, 0}, {0, 1, 0}), Result::BadValue);
    EXPECT_EQ(f->SetOrientation(nullptr, {0, 1, 0}, {0, -3, 0}), Result::BadValue);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(f->SetOrientation(nullptr, {nan, 0, 1}, {0, 1, 0}), Result::BadValue);
    EXPECT_EQ(f->LocalTransform(), before);
}

TEST_F(RmFrame, AddRotationReplaceWithZerosResetsToIdentity) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetPosition(nullptr, 4, 5, 6), Result::Ok);
    ASSERT_EQ(f->AddRotation(kAfter, 1, 1, 0, 0.3F), Result::Ok);
    ASSERT_EQ(f->AddRotation(kReplace, 0, 0, 0, 0), Result::Ok);
    EXPECT_EQ(f->LocalTransform(), Matrix4::Identity());
}

TEST_F(RmFrame, AddRotationReplaceMakesTheRotationTheWholeTransform) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetPosition(nullptr, 4, 5, 6), Result::Ok);
    ASSERT_EQ(f->AddRotation(kReplace, 0, 0, 2, kHalfPi), Result::Ok);  // axis need not be unit
    EXPECT_TRUE(Near(f->LocalTransform(), Matrix4::Rotation({0, 0, 1}, kHalfPi)));
    EXPECT_EQ(f->LocalTransform().Translation(), (D3DVECTOR{0, 0, 0}));
}

TEST_F(RmFrame, AddRotationAfterTurnsInTheParentsCoordinates) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetPosition(nullptr, 10, 0, 0), Result::Ok);
    ASSERT_EQ(f->AddRotation(kAfter, 0, 0, 1, kHalfPi), Result::Ok);
    // M * R: the position turns with it, x goes to y.
    EXPECT_TRUE(Near(f->LocalTransform().Translation(), {0, 10, 0}));
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({1, 0, 0}), {0, 1, 0}));
    // A second turn adds up: 180 degrees in all.
    ASSERT_EQ(f->AddRotation(kAfter, 0, 0, 1, kHalfPi), Result::Ok);
    EXPECT_TRUE(Near(f->LocalTransform().Translation(), {-10, 0, 0}));
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({1, 0, 0}), {-1, 0, 0}));
}

TEST_F(RmFrame, AddRotationBeforeTurnsInTheFramesOwnCoordinates) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetPosition(nullptr, 10, 0, 0), Result::Ok);
    ASSERT_EQ(f->AddRotation(kBefore, 0, 0, 1, kHalfPi), Result::Ok);
    // R * M: the position stays, the axes turn.
    EXPECT_TRUE(Near(f->LocalTransform().Translation(), {10, 0, 0}));
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({1, 0, 0}), {0, 1, 0}));
    // Before and after differ once the frame is turned: about its own x (now the parent's y).
    ASSERT_EQ(f->AddRotation(kBefore, 1, 0, 0, kHalfPi), Result::Ok);
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({0, 1, 0}), {0, 0, 1}));
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({1, 0, 0}), {0, 1, 0}));
}

TEST_F(RmFrame, AddRotationWithZeroAxisIsTheIdentityNeverNaN) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->AddRotation(kReplace, 0, 1, 0, 0.4F), Result::Ok);
    const Matrix4 before = f->LocalTransform();
    ASSERT_EQ(f->AddRotation(kAfter, 0, 0, 0, 1.0F), Result::Ok);
    ASSERT_EQ(f->AddRotation(kBefore, 0, 0, 0, 2.0F), Result::Ok);
    ASSERT_EQ(f->AddRotation(kAfter, 1e-41F, 0, 0, 2.0F), Result::Ok);  // denormal: zero too
    EXPECT_EQ(f->LocalTransform(), before);
    ASSERT_EQ(f->AddRotation(kReplace, 0, 0, 0, 3.0F), Result::Ok);
    EXPECT_EQ(f->LocalTransform(), Matrix4::Identity());
}

TEST_F(RmFrame, AddRotationRejectsNonFiniteValuesAndBadCombine) {
    const FramePtr f = Child(scene);
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(f->AddRotation(kAfter, inf, 0, 0, 1), Result::BadValue);
    EXPECT_EQ(f->AddRotation(kAfter, 1, 0, 0, inf), Result::BadValue);
    EXPECT_EQ(f->AddRotation(static_cast<D3DRMCOMBINETYPE>(7), 1, 0, 0, 1), Result::BadValue);
    EXPECT_EQ(f->AddTranslation(kAfter, 1, inf, 0), Result::BadValue);
    EXPECT_EQ(f->SetPosition(nullptr, 0, 0, inf), Result::BadValue);
    EXPECT_EQ(f->LocalTransform(), Matrix4::Identity());
}

TEST_F(RmFrame, AddTranslationCombines) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->AddRotation(kReplace, 0, 0, 1, kHalfPi), Result::Ok);
    ASSERT_EQ(f->AddTranslation(kAfter, 1, 0, 0), Result::Ok);  // in the parent's coordinates
    EXPECT_TRUE(Near(f->LocalTransform().Translation(), {1, 0, 0}));
    ASSERT_EQ(f->AddTranslation(kBefore, 1, 0, 0), Result::Ok);  // along the frame's own x
    EXPECT_TRUE(Near(f->LocalTransform().Translation(), {1, 1, 0}));
    ASSERT_EQ(f->AddTranslation(kReplace, 7, 8, 9), Result::Ok);
    EXPECT_EQ(f->LocalTransform(), Matrix4::Translation({7, 8, 9}));
}

TEST_F(RmFrame, GetRotationOfANeverRotatedFrameIsZeroAxisAndZeroAngle) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->AddRotation(kAfter, 1, 0, 0, 0.5F), Result::Ok);  // composing is not motion
    D3DVECTOR axis{9, 9, 9};
    float theta = 9.0F;
    ASSERT_EQ(f->GetRotation(scene.get(), axis, theta), Result::Ok);
    EXPECT_EQ(axis, (D3DVECTOR{0, 0, 0}));
    EXPECT_EQ(theta, 0.0F);
    ASSERT_EQ(f->GetRotation(nullptr, axis, theta), Result::Ok);
    EXPECT_EQ(axis, (D3DVECTOR{0, 0, 0}));
    EXPECT_EQ(theta, 0.0F);
}

TEST_F(RmFrame, SetRotationIsReportedBackRelativeToTheReference) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetRotation(nullptr, 0, 2, 0, 0.1F), Result::Ok);
    D3DVECTOR axis;
    float theta = 0;
    ASSERT_EQ(f->GetRotation(nullptr, axis, theta), Result::Ok);
    EXPECT_TRUE(Near(axis, {0, 1, 0}));
    EXPECT_FLOAT_EQ(theta, 0.1F);

    // A reference turned 90 degrees about y: its x is the scene's -z.
    const FramePtr ref = Child(scene);
    ASSERT_EQ(ref->AddRotation(kReplace, 0, 1, 0, kHalfPi), Result::Ok);
    ASSERT_EQ(f->SetRotation(ref.get(), 1, 0, 0, 0.2F), Result::Ok);
    ASSERT_EQ(f->GetRotation(scene.get(), axis, theta), Result::Ok);
    EXPECT_TRUE(Near(axis, {0, 0, -1}));
    ASSERT_EQ(f->GetRotation(ref.get(), axis, theta), Result::Ok);
    EXPECT_TRUE(Near(axis, {1, 0, 0}));
    EXPECT_FLOAT_EQ(theta, 0.2F);
}

TEST_F(RmFrame, MoveAppliesTheAngularMotionInPlace) {
    const FramePtr f = Child(scene);
    ASSERT_EQ(f->SetPosition(nullptr, 3, 4, 5), Result::Ok);
    ASSERT_EQ(f->SetRotation(nullptr, 0, 1, 0, 0.1F), Result::Ok);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(root->Tick(1.0F), Result::Ok);  // Tick moves every scene root's subtree
    }
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({0, 0, 1}),
                     {std::sin(0.5F), 0, std::cos(0.5F)}));
    EXPECT_TRUE(Near(f->LocalTransform().Translation(), {3, 4, 5}));
    // Move with a delta scales the angle; a frame without motion stays put.
    f->Move(-5.0F);
    EXPECT_TRUE(Near(f->LocalTransform().TransformDirection({0, 0, 1}), {0, 0, 1}));
    const FramePtr still = Child(scene);
    scene->Move(1.0F);
    EXPECT_EQ(still->LocalTransform(), Matrix4::Identity());
}

TEST_F(RmFrame, AddChildReparentsKeepingTheLocalTransform) {
    const FramePtr a = Child(scene);
    const FramePtr b = Child(scene);
    ASSERT_EQ(a->SetPosition(nullptr, 10, 0, 0), Result::Ok);
    const FramePtr c = Child(a);
    ASSERT_EQ(c->SetPosition(nullptr, 1, 0, 0), Result::Ok);
    ASSERT_EQ(b->AddChild(c), Result::Ok);
    EXPECT_TRUE(a->Children().empty());
    ASSERT_EQ(b->Children().size(), 1U);
    EXPECT_EQ(c->GetParent(), b);
    EXPECT_TRUE(Near(c->WorldTransform().Translation(), {1, 0, 0}));
    // Adding again changes nothing.
    ASSERT_EQ(b->AddChild(c), Result::Ok);
    EXPECT_EQ(b->Children().size(), 1U);
}

TEST_F(RmFrame, AddChildRefusesCyclesAndNull) {
    const FramePtr a = Child(scene);
    const FramePtr b = Child(a);
    EXPECT_EQ(b->AddChild(scene), Result::BadValue);
    EXPECT_EQ(b->AddChild(a), Result::BadValue);
    EXPECT_EQ(a->AddChild(a), Result::BadValue);
    EXPECT_EQ(a->AddChild(nullptr), Result::BadObject);
    EXPECT_EQ(b->GetParent(), a);
    EXPECT_EQ(a->GetParent(), scene);
}

TEST_F(RmFrame, DeleteChildDetaches) {
    const FramePtr a = Child(scene);
    ASSERT_EQ(a->SetPosition(nullptr, 0, 0, 7), Result::Ok);
    ASSERT_EQ(scene->DeleteChild(a.get()), Result::Ok);
    EXPECT_TRUE(scene->Children().empty());
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(a->SceneRoot(), a.get());
    EXPECT_TRUE(Near(a->WorldTransform().Translation(), {0, 0, 7}));
    EXPECT_EQ(scene->DeleteChild(a.get()), Result::BadValue);  // no longer a child
    EXPECT_EQ(scene->DeleteChild(nullptr), Result::BadValue);
}

TEST_F(RmFrame, DeleteChildThatOnlyTheParentHeldReleasesIt) {
    std::weak_ptr<rm::Frame> weak;
    const rm::Frame* raw = nullptr;
    {
        const FramePtr a = Child(scene);
        weak = a;
        raw = a.get();
    }
    ASSERT_FALSE(weak.expired());
    ASSERT_EQ(scene->DeleteChild(raw), Result::Ok);
    EXPECT_TRUE(weak.expired());
}

TEST_F(RmFrame, VisualsAndLights) {
    const FramePtr f = Child(scene);
    rm::MeshBuilderPtr mesh;
    rm::MeshBuilderPtr other;
    ASSERT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
    ASSERT_EQ(root->CreateMeshBuilder(other), Result::Ok);
    // The first load deletes a visual the frame does not carry.
    EXPECT_EQ(f->DeleteVisual(mesh.get()), Result::Ok);
    EXPECT_EQ(f->DeleteVisual(nullptr), Result::Ok);
    ASSERT_EQ(f->AddVisual(mesh), Result::Ok);
    ASSERT_EQ(f->AddVisual(mesh), Result::Ok);  // not carried twice
    ASSERT_EQ(f->Visuals().size(), 1U);
    EXPECT_EQ(f->DeleteVisual(other.get()), Result::Ok);
    EXPECT_EQ(f->Visuals().size(), 1U);
    EXPECT_EQ(f->DeleteVisual(mesh.get()), Result::Ok);
    EXPECT_TRUE(f->Visuals().empty());
    EXPECT_EQ(f->AddVisual(nullptr), Result::BadObject);

    rm::LightPtr light;
    ASSERT_EQ(root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 0.3F, 0.3F, 0.3F, light),
              Result::Ok);
    EXPECT_EQ(f->DeleteLight(light.get()), Result::Ok);
    ASSERT_EQ(f->AddLight(light), Result::Ok);
    ASSERT_EQ(f->Lights().size(), 1U);
    EXPECT_EQ(f->AddLight(nullptr), Result::BadObject);
    EXPECT_EQ(f->DeleteLight(light.get()), Result::Ok);
    EXPECT_TRUE(f->Lights().empty());
}

TEST_F(RmFrame, SceneBackgroundIsBlackUntilSet) {
    EXPECT_EQ(scene->GetSceneBackground(), 0xFF000000U);
    ASSERT_EQ(scene->SetSceneBackground(0xFF336699U), Result::Ok);
    EXPECT_EQ(scene->GetSceneBackground(), 0xFF336699U);
}

TEST_F(RmFrame, SetLocalTransformRejectsNonFinite) {
    const FramePtr f = Child(scene);
    Matrix4 m = Matrix4::Translation({1, 2, 3});
    ASSERT_EQ(f->SetLocalTransform(m), Result::Ok);
    EXPECT_EQ(f->LocalTransform(), m);
    m.m[1][1] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(f->SetLocalTransform(m), Result::BadValue);
    EXPECT_EQ(f->LocalTransform(), Matrix4::Translation({1, 2, 3}));
}

TEST_F(RmFrame, GetPositionRelativeToASingularFrameFails) {
    const FramePtr flat = Child(scene);
    Matrix4 m;
    m.m[2][2] = 0.0F;
    ASSERT_EQ(flat->SetLocalTransform(m), Result::Ok);
    const FramePtr f = Child(scene);
    D3DVECTOR p;
    EXPECT_EQ(f->GetPosition(flat.get(), p), Result::BadValue);
}

TEST_F(RmFrame, EveryMutationAdvancesTheRevision) {
    const FramePtr f = Child(scene);
    auto changes = [&](auto&& op) {
        const std::uint64_t before = rm::CurrentRevision();
        op();
        return rm::CurrentRevision() > before;
    };
    EXPECT_TRUE(changes([&] { (void)f->SetPosition(nullptr, 1, 2, 3); }));
    EXPECT_TRUE(changes([&] { (void)f->SetOrientation(nullptr, {0, 0, 1}, {0, 1, 0}); }));
    EXPECT_TRUE(changes([&] { (void)f->AddRotation(kAfter, 0, 1, 0, 0.1F); }));
    EXPECT_TRUE(changes([&] { (void)f->AddTranslation(kAfter, 0, 1, 0); }));
    EXPECT_TRUE(changes([&] { (void)f->SetRotation(nullptr, 0, 1, 0, 0.1F); }));
    EXPECT_TRUE(changes([&] { (void)scene->SetSceneBackground(0xFF0000FFU); }));
    EXPECT_TRUE(changes([&] { (void)scene->DeleteChild(f.get()); }));
    EXPECT_TRUE(changes([&] { (void)scene->AddChild(f); }));
    // Reading changes nothing.
    EXPECT_FALSE(changes([&] {
        D3DVECTOR p;
        (void)f->GetPosition(nullptr, p);
        (void)f->WorldTransform();
    }));
}

}  // namespace
