// Framing a mesh: the camera keeps its orientation and moves so that every point lies in
// the picture, with the margin, between the clipping planes, for any size and place.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/rm/root.h"
#include "platform/rm/view_fit.h"
#include "tests/support/near.h"

namespace {

using rm::D3DVECTOR;
using rm::Result;

constexpr float kFill = 0.9F;
constexpr float kFront = 1.0F;
constexpr float kBack = 5000.0F;

class ViewFit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
        ASSERT_EQ(root->CreateFrame(nullptr, scene), Result::Ok);
        ASSERT_EQ(root->CreateFrame(scene, camera), Result::Ok);
        ASSERT_EQ(root->CreateFrame(scene, model), Result::Ok);
        ASSERT_EQ(camera->SetPosition(scene.get(), 0, 0, -200), Result::Ok);
        target = std::make_shared<rm::RecordingTarget>();
        ASSERT_EQ(rm::DirectDrawCreateClipper(0, clipper, nullptr), Result::Ok);
        ASSERT_EQ(clipper->SetHWnd(0, target), Result::Ok);
        root->SetRenderThreads(1);
        ASSERT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, 80, 60, device), Result::Ok);
        ASSERT_EQ(root->CreateViewport(device, camera, 0, 0, 80, 60, viewport), Result::Ok);
        ASSERT_EQ(viewport->SetBack(kBack), Result::Ok);
        ASSERT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
    }

    // One face through the given points (the fit reads every position of the mesh).
    void AddPoints(const std::vector<D3DVECTOR>& points) {
        rm::Face face;
        ASSERT_EQ(mesh->CreateFace(face), Result::Ok);
        for (const D3DVECTOR& p : points) ASSERT_EQ(face.AddVertex(p.x, p.y, p.z), Result::Ok);
    }
    // The eight corners of a box from `lo` to `hi`.
    void AddBox(const D3DVECTOR& lo, const D3DVECTOR& hi) {
        std::vector<D3DVECTOR> corners;
        for (int i = 0; i < 8; ++i) {
            corners.push_back({(i & 1) != 0 ? hi.x : lo.x, (i & 2) != 0 ? hi.y : lo.y,
                               (i & 4) != 0 ? hi.z : lo.z});
        }
        AddPoints(corners);
    }

    Result FrameIt() {
        return rm::FrameMesh(*viewport, *model, mesh->Data(), {kFill, kFront, kBack});
    }

    // Where every position lies in the picture after framing: the largest share of the
    // half width or half height any point takes, and whether all are between the planes.
    struct Placement {
        double widest = 0.0;
        bool betweenPlanes = true;
        bool finite = true;
    };
    Placement Place() const {
        Placement out;
        rm::Matrix4 toCamera;
        EXPECT_TRUE(camera->WorldTransform().Inverse(toCamera));
        const rm::Matrix4 m = model->WorldTransform();
        const double tx = viewport->GetField() * 80.0 / 60.0;
        const double ty = viewport->GetField();
        for (const D3DVECTOR& p : mesh->Data().positions) {
            // In double: the same transformations without float cancellation.
            double w[3];
            for (int j = 0; j < 3; ++j) {
                w[j] = p.x * static_cast<double>(m.m[0][j]) + p.y * static_cast<double>(m.m[1][j]) +
                       p.z * static_cast<double>(m.m[2][j]) + m.m[3][j];
            }
            double c[3];
            for (int j = 0; j < 3; ++j) {
                c[j] = w[0] * toCamera.m[0][j] + w[1] * toCamera.m[1][j] + w[2] * toCamera.m[2][j] +
                       toCamera.m[3][j];
            }
            out.finite =
                out.finite && std::isfinite(c[0]) && std::isfinite(c[1]) && std::isfinite(c[2]);
            out.betweenPlanes =
                out.betweenPlanes && c[2] > viewport->GetFront() && c[2] < viewport->GetBack();
            out.widest =
                std::max({out.widest, std::fabs(c[0] / c[2]) / tx, std::fabs(c[1] / c[2]) / ty});
        }
        return out;
    }

    rm::RootPtr root;
    rm::FramePtr scene;
    rm::FramePtr camera;
    rm::FramePtr model;
    std::shared_ptr<rm::RecordingTarget> target;
    rm::ClipperPtr clipper;
    rm::DevicePtr device;
    rm::ViewportPtr viewport;
    rm::MeshBuilderPtr mesh;
};

TEST_F(ViewFit, ModelsOfEverySizeAndPlaceFillThePictureWithTheMargin) {
    struct Case {
        D3DVECTOR lo, hi;
    };
    const std::vector<Case> cases = {
        {{-0.5F, -0.5F, -0.5F}, {0.5F, 0.5F, 0.5F}},                           // 1 unit
        {{0, 0, 0}, {20, 4, 20}},                                              // 20 units
        {{-100000, -30000, -100000}, {100000, 30000, 100000}},                 // 200,000 units
        {{1.0e6F, 2.0e6F, -3.0e6F}, {1.0e6F + 50, 2.0e6F + 10, -3.0e6F + 5}},  // far away
        {{-2147483520.0F, -2147483520.0F, -2147483520.0F},
         {2147483520.0F, 2147483520.0F, 2147483520.0F}},       // the 32-bit limits
        {{2147480000.0F, 0, 0}, {2147483520.0F, 4000, 1000}},  // small against its place
    };
    for (const Case& c : cases) {
        SetUp();
        AddBox(c.lo, c.hi);
        ASSERT_EQ(FrameIt(), Result::Ok) << c.hi.x;
        const Placement p = Place();
        EXPECT_TRUE(p.finite) << c.hi.x;
        EXPECT_TRUE(p.betweenPlanes) << c.hi.x;
        // Inside the margin, and touching it on one axis: the fit is tight.
        EXPECT_LE(p.widest, kFill * 1.001) << c.hi.x;
        EXPECT_GE(p.widest, kFill * 0.98) << c.hi.x;
    }
}

TEST_F(ViewFit, CameraKeepsItsOrientationAndTheModelItsRotation) {
    ASSERT_EQ(camera->SetOrientation(scene.get(), {1, 0, 1}, {0, 1, 0}), Result::Ok);
    ASSERT_EQ(model->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER, 1, 2, 0.5F, 0.7F),
              Result::Ok);
    ASSERT_EQ(model->AddTranslation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER, 300, -40, 900),
              Result::Ok);
    AddBox({-10, -20, -5}, {30, 20, 5});
    const rm::Matrix4 cameraBefore = camera->WorldTransform();
    const rm::Matrix4 modelBefore = model->WorldTransform();
    ASSERT_EQ(FrameIt(), Result::Ok);
    const rm::Matrix4 cameraAfter = camera->WorldTransform();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_EQ(cameraAfter.m[i][j], cameraBefore.m[i][j]);
    }
    EXPECT_EQ(model->WorldTransform(), modelBefore);
    const Placement p = Place();
    EXPECT_TRUE(p.betweenPlanes);
    EXPECT_LE(p.widest, kFill * 1.001);
    EXPECT_GE(p.widest, kFill * 0.98);
    // Framing twice changes nothing more.
    const D3DVECTOR first = camera->WorldTransform().Translation();
    ASSERT_EQ(FrameIt(), Result::Ok);
    EXPECT_TRUE(tarno_test::Near(camera->WorldTransform().Translation(), first, 1e-3F));
}

TEST_F(ViewFit, DepthRangeWidensOnlyAsFarAsTheModelNeeds) {
    AddBox({-10, -10, -10}, {10, 10, 10});
    ASSERT_EQ(FrameIt(), Result::Ok);
    EXPECT_EQ(viewport->GetFront(), kFront);
    EXPECT_EQ(viewport->GetBack(), kBack);

    SetUp();
    AddBox({-0.05F, -0.05F, 0}, {0.05F, 0.05F, 1});  // a short stroke, end on
    ASSERT_EQ(FrameIt(), Result::Ok);
    EXPECT_LT(viewport->GetFront(), kFront);
    EXPECT_TRUE(Place().betweenPlanes);

    SetUp();
    AddBox({-100000, -100000, -100000}, {100000, 100000, 100000});
    ASSERT_EQ(FrameIt(), Result::Ok);
    EXPECT_GT(viewport->GetBack(), kBack);
    EXPECT_EQ(viewport->GetFront(), kFront);
    EXPECT_TRUE(Place().betweenPlanes);
    // Back to a small model: the view's own range again.
    SetUp();
    AddBox({-10, -10, -10}, {10, 10, 10});
    ASSERT_EQ(viewport->SetBack(1.0e7F), Result::Ok);
    ASSERT_EQ(FrameIt(), Result::Ok);
    EXPECT_EQ(viewport->GetBack(), kBack);
}

TEST_F(ViewFit, OnePointOrAllPointsEqualGiveAFiniteViewInFrontOfThem) {
    for (const D3DVECTOR point : {D3DVECTOR{0, 0, 0}, D3DVECTOR{5, -7, 1000},
                                  D3DVECTOR{2147483520.0F, -2147483520.0F, 7}}) {
        SetUp();
        AddPoints({point, point, point});
        ASSERT_EQ(FrameIt(), Result::Ok);
        const D3DVECTOR at = camera->WorldTransform().Translation();
        EXPECT_TRUE(std::isfinite(at.x) && std::isfinite(at.y) && std::isfinite(at.z));
        const Placement p = Place();
        EXPECT_TRUE(p.finite);
        EXPECT_TRUE(p.betweenPlanes);
        EXPECT_LE(p.widest, kFill * 1.001);
    }
    // A flat model seen edge on: no extent across the view on one axis.
    SetUp();
    AddPoints({{-10, 0, 0}, {10, 0, 0}, {10, 0, 5}});
    ASSERT_EQ(FrameIt(), Result::Ok);
    EXPECT_TRUE(Place().betweenPlanes);
    EXPECT_GE(Place().widest, kFill * 0.98);
}

TEST_F(ViewFit, EmptyModelOrUnusableViewChangesNothing) {
    EXPECT_EQ(FrameIt(), Result::NotFound);
    rm::Face face;
    ASSERT_EQ(mesh->CreateFace(face), Result::Ok);  // a face with no corners
    EXPECT_EQ(FrameIt(), Result::NotFound);
    AddBox({0, 0, 0}, {1, 1, 1});
    ASSERT_EQ(model->AddTranslation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_REPLACE, 0, 0, 0),
              Result::Ok);
    rm::Matrix4 flat;
    flat.m[2][2] = 0.0F;  // a model squashed flat still frames
    ASSERT_EQ(model->SetLocalTransform(flat), Result::Ok);
    EXPECT_EQ(FrameIt(), Result::Ok);
    ASSERT_EQ(model->SetLocalTransform(rm::Matrix4::Identity()), Result::Ok);
    rm::Matrix4 squashed;
    squashed.m[0][0] = 0.0F;  // a camera that cannot be inverted
    squashed.m[1][1] = 0.0F;
    ASSERT_EQ(camera->SetLocalTransform(squashed), Result::Ok);
    EXPECT_EQ(FrameIt(), Result::BadValue);
    EXPECT_EQ(camera->WorldTransform(), squashed);
    EXPECT_EQ(viewport->GetBack(), kBack);
}

TEST_F(ViewFit, DepthRangeIsSetInAnOrderTheViewportAccepts) {
    ASSERT_EQ(rm::SetDepthRange(*viewport, 6000.0F, 9000.0F), Result::Ok);  // past the old back
    EXPECT_EQ(viewport->GetFront(), 6000.0F);
    EXPECT_EQ(viewport->GetBack(), 9000.0F);
    ASSERT_EQ(rm::SetDepthRange(*viewport, 0.01F, 0.5F), Result::Ok);  // before the old front
    EXPECT_EQ(viewport->GetFront(), 0.01F);
    EXPECT_EQ(viewport->GetBack(), 0.5F);
    EXPECT_EQ(rm::SetDepthRange(*viewport, 2.0F, 1.0F), Result::BadValue);
    EXPECT_EQ(rm::SetDepthRange(*viewport, 0.0F, 1.0F), Result::BadValue);
    EXPECT_EQ(viewport->GetFront(), 0.01F);
}

}  // namespace

namespace {

// Where a world point shows in the 80 by 60 picture, in pixels.
struct Spot {
    double x, y;
};
Spot ScreenOf(const rm::Viewport& viewport, const D3DVECTOR& world) {
    rm::Matrix4 toCamera;
    EXPECT_TRUE(viewport.GetCamera()->WorldTransform().Inverse(toCamera));
    const D3DVECTOR c = toCamera.TransformPoint(world);
    const double scale = 30.0 / viewport.GetField();
    return {40.0 + c.x * scale / c.z, 30.0 - c.y * scale / c.z};
}

TEST_F(ViewFit, PanMovesTheSceneOriginWithThePointer) {
    ASSERT_EQ(camera->SetOrientation(scene.get(), {0.3F, -0.2F, 1}, {0, 1, 0}), Result::Ok);
    const D3DVECTOR forwardBefore = camera->WorldTransform().TransformDirection({0, 0, 1});
    const Spot before = ScreenOf(*viewport, {0, 0, 0});
    ASSERT_EQ(rm::PanCamera(*viewport, *scene, 12.0F, -7.0F), Result::Ok);
    const Spot after = ScreenOf(*viewport, {0, 0, 0});
    EXPECT_NEAR(after.x - before.x, 12.0, 1e-3);
    EXPECT_NEAR(after.y - before.y, -7.0, 1e-3);
    // Only sideways: the distance along the line of sight and the orientation stay.
    EXPECT_TRUE(tarno_test::Near(camera->WorldTransform().TransformDirection({0, 0, 1}),
                                 forwardBefore, 1e-6F));
    // Back again.
    ASSERT_EQ(rm::PanCamera(*viewport, *scene, -12.0F, 7.0F), Result::Ok);
    EXPECT_NEAR(ScreenOf(*viewport, {0, 0, 0}).x, before.x, 1e-3);
}

TEST_F(ViewFit, PanWithTheOriginBehindOrOnTheCameraStaysFinite) {
    ASSERT_EQ(camera->SetPosition(scene.get(), 0, 0, 0), Result::Ok);
    ASSERT_EQ(rm::PanCamera(*viewport, *scene, 30.0F, 30.0F), Result::Ok);
    const D3DVECTOR at = camera->WorldTransform().Translation();
    EXPECT_TRUE(std::isfinite(at.x) && std::isfinite(at.y));
    EXPECT_NE(at.x, 0.0F);  // moved by the front plane's distance
    ASSERT_EQ(camera->SetPosition(scene.get(), 0, 0, 50), Result::Ok);  // origin behind
    ASSERT_EQ(rm::PanCamera(*viewport, *scene, 10.0F, 0.0F), Result::Ok);
    EXPECT_LT(camera->WorldTransform().Translation().x, 0.0F);  // still the drag's way
    EXPECT_EQ(rm::PanCamera(*viewport, *scene, std::nanf(""), 0.0F), Result::BadValue);
}

}  // namespace
