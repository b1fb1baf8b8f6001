// Picking against the picture: every face gets a colour of its own and is drawn unlit, so
// the colour at each pixel names the face the picture shows there; the pick at that pixel
// must name the same face, and find none where the background shows.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rm/root.h"
#include "tests/support/near.h"

namespace {

using rm::D3DVECTOR;
using rm::Result;

constexpr int kWidth = 72;
constexpr int kHeight = 56;
constexpr rm::D3DCOLOR kBackground = 0xFF000000U;

class Random {
public:
    explicit Random(std::uint32_t seed) : m_state(seed) {}
    float Uniform(float lo, float hi) {
        m_state = m_state * 1664525U + 1013904223U;
        return lo + (hi - lo) * static_cast<float>(m_state >> 8) / static_cast<float>(1U << 24);
    }

private:
    std::uint32_t m_state;
};

// Face i of mesh m is coloured Tag(m, i): unique, never the background.
rm::D3DCOLOR Tag(int mesh, std::uint32_t face) {
    return 0xFF000000U | (static_cast<std::uint32_t>(mesh + 1) << 16) | (face + 1);
}

class RasterPick : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        ASSERT_EQ(rm::Direct3DRMCreate(root), Result::Ok);
        root->SetRenderThreads(GetParam());
        ASSERT_EQ(root->CreateFrame(nullptr, scene), Result::Ok);
        ASSERT_EQ(root->CreateFrame(scene, camera), Result::Ok);
        ASSERT_EQ(camera->SetPosition(scene.get(), 0, 0, -100), Result::Ok);
        target = std::make_shared<rm::RecordingTarget>();
        ASSERT_EQ(rm::DirectDrawCreateClipper(0, clipper, nullptr), Result::Ok);
        ASSERT_EQ(clipper->SetHWnd(0, target), Result::Ok);
        ASSERT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, kWidth, kHeight, device),
                  Result::Ok);
        ASSERT_EQ(root->CreateViewport(device, camera, 0, 0, kWidth, kHeight, viewport),
                  Result::Ok);
        // A short depth range, so that faces are cut by both planes too.
        ASSERT_EQ(viewport->SetBack(160.0F), Result::Ok);
        ASSERT_EQ(viewport->SetFront(2.0F), Result::Ok);
    }

    // A mesh on its own frame under the scene, unlit so that colours arrive unchanged.
    rm::MeshBuilderPtr AddMesh(rm::FramePtr& frame, rm::D3DRMRENDERQUALITY quality) {
        rm::MeshBuilderPtr mesh;
        EXPECT_EQ(root->CreateFrame(scene, frame), Result::Ok);
        EXPECT_EQ(root->CreateMeshBuilder(mesh), Result::Ok);
        EXPECT_EQ(mesh->SetQuality(quality), Result::Ok);
        EXPECT_EQ(frame->AddVisual(mesh), Result::Ok);
        meshes.push_back(mesh);
        return mesh;
    }

    // Random triangles and quads, either winding (half are culled), overlapping and
    // crossing one another, some through the front plane, past the back plane or the
    // picture's edges.
    static void AddRandomFaces(rm::MeshBuilder& mesh, int mesh_id, int count, Random& rng) {
        for (int i = 0; i < count; ++i) {
            const D3DVECTOR c{rng.Uniform(-60, 60), rng.Uniform(-45, 45), rng.Uniform(-100, 80)};
            const int corners = i % 3 == 0 ? 4 : 3;
            rm::Face face;
            ASSERT_EQ(mesh.CreateFace(face), Result::Ok);
            ASSERT_EQ(face.SetColor(Tag(mesh_id, mesh.GetFaceCount() - 1)), Result::Ok);
            const float r = rng.Uniform(5, 40);
            const float turn = rng.Uniform(0, 6.283F);
            const float sense = i % 2 == 0 ? 1.0F : -1.0F;
            for (int k = 0; k < corners; ++k) {
                const float a = turn + sense * 6.283F * static_cast<float>(k) / corners;
                ASSERT_EQ(face.AddVertex(c.x + r * std::cos(a), c.y + r * std::sin(a),
                                         c.z + rng.Uniform(-30, 30)),
                          Result::Ok);
            }
        }
    }

    // Every pixel: the face the picture shows is the face picked, and the background
    // is no face.
    void ExpectPicksMatchThePicture() {
        ASSERT_EQ(viewport->Clear(), Result::Ok);
        ASSERT_EQ(viewport->Render(scene.get()), Result::Ok);
        const rm::PictureView picture = device->GetPicture();
        std::vector<rm::D3DCOLOR> pixels(picture.pixels, picture.pixels + kWidth * kHeight);
        int faces = 0;
        int mismatches = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const rm::D3DCOLOR shown = pixels[static_cast<std::size_t>(y * kWidth + x)];
                rm::PickResult hit;
                const Result r = viewport->Pick(scene.get(), x, y, hit);
                rm::D3DCOLOR picked = kBackground;
                if (r == Result::Ok) {
                    for (std::size_t m = 0; m < meshes.size(); ++m) {
                        if (hit.mesh == &meshes[m]->Data()) {
                            picked = Tag(static_cast<int>(m), hit.face);
                        }
                    }
                } else {
                    EXPECT_EQ(r, Result::NotFound);
                }
                faces += shown != kBackground ? 1 : 0;
                if (picked != shown && ++mismatches <= 5) {
                    ADD_FAILURE() << "pixel " << x << "," << y << " shows " << std::hex << shown
                                  << " but picks " << picked;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
        // The scene is busy enough for the comparison to mean something.
        EXPECT_GT(faces, kWidth * kHeight / 3);
    }

    rm::RootPtr root;
    rm::FramePtr scene;
    rm::FramePtr camera;
    std::shared_ptr<rm::RecordingTarget> target;
    rm::ClipperPtr clipper;
    rm::DevicePtr device;
    rm::ViewportPtr viewport;
    std::vector<rm::MeshBuilderPtr> meshes;
};

constexpr rm::D3DRMRENDERQUALITY kSolidUnlit = rm::D3DRMFILL_SOLID | rm::D3DRMLIGHT_OFF;

TEST_P(RasterPick, OverlappingAndClippedFacesOfTwoMeshesMatchThePicture) {
    Random rng(7);
    rm::FramePtr a;
    rm::FramePtr b;
    AddRandomFaces(*AddMesh(a, kSolidUnlit), 0, 120, rng);
    AddRandomFaces(*AddMesh(b, kSolidUnlit), 1, 60, rng);
    ExpectPicksMatchThePicture();
}

TEST_P(RasterPick, TurnedModelAndMovedCameraMatchThePicture) {
    Random rng(11);
    rm::FramePtr a;
    AddRandomFaces(*AddMesh(a, kSolidUnlit), 0, 150, rng);
    ASSERT_EQ(a->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER, 0.3F, 1.0F, 0.2F, 2.5F),
              Result::Ok);
    ASSERT_EQ(camera->SetPosition(scene.get(), 15, -10, -90), Result::Ok);
    ExpectPicksMatchThePicture();
}

TEST_P(RasterPick, CoincidentFacesPickTheOneDrawnFirst) {
    // The same square three times: the depth test keeps the first, so the picture shows
    // face 0, and the pick must say so too.
    rm::FramePtr a;
    rm::MeshBuilder& mesh = *AddMesh(a, kSolidUnlit);
    for (std::uint32_t i = 0; i < 3; ++i) {
        rm::Face face;
        ASSERT_EQ(mesh.CreateFace(face), Result::Ok);
        ASSERT_EQ(face.SetColor(Tag(0, i)), Result::Ok);
        for (const D3DVECTOR& p : {D3DVECTOR{-45, -45, 0}, D3DVECTOR{-45, 45, 0},
                                   D3DVECTOR{45, 45, 0}, D3DVECTOR{45, -45, 0}}) {
            ASSERT_EQ(face.AddVertex(p.x, p.y, p.z), Result::Ok);
        }
    }
    ExpectPicksMatchThePicture();
    rm::PickResult hit;
    ASSERT_EQ(viewport->Pick(scene.get(), kWidth / 2, kHeight / 2, hit), Result::Ok);
    EXPECT_EQ(hit.face, 0U);
}

TEST_P(RasterPick, WireframeAndPointsPickTheLinesDrawn) {
    Random rng(3);
    rm::FramePtr a;
    rm::FramePtr b;
    AddRandomFaces(*AddMesh(a, rm::D3DRMRENDER_WIREFRAME), 0, 200, rng);
    AddRandomFaces(*AddMesh(b, rm::D3DRMFILL_POINTS), 1, 200, rng);
    ASSERT_EQ(viewport->Clear(), Result::Ok);
    ASSERT_EQ(viewport->Render(scene.get()), Result::Ok);
    const rm::PictureView picture = device->GetPicture();
    int lines = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const rm::D3DCOLOR shown = picture.pixels[y * kWidth + x];
            rm::PickResult hit;
            const bool found = rm::Succeeded(viewport->Pick(scene.get(), x, y, hit));
            ASSERT_EQ(found, shown != kBackground) << x << "," << y;
            if (!found) continue;
            ++lines;
            const int m = hit.mesh == &meshes[0]->Data() ? 0 : 1;
            EXPECT_EQ(Tag(m, hit.face), shown) << x << "," << y;
        }
    }
    EXPECT_GT(lines, 200);
}

TEST_P(RasterPick, OutsideThePictureOrAnEmptySceneFindsNothing) {
    Random rng(5);
    rm::FramePtr a;
    rm::MeshBuilder& mesh = *AddMesh(a, kSolidUnlit);
    rm::PickResult hit;
    EXPECT_EQ(viewport->Pick(scene.get(), 10, 10, hit), Result::NotFound);
    AddRandomFaces(mesh, 0, 50, rng);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{
             {-1, 0}, {0, -1}, {kWidth, 0}, {0, kHeight}, {1 << 30, 1 << 30}}) {
        EXPECT_EQ(viewport->Pick(scene.get(), x, y, hit), Result::NotFound) << x << "," << y;
    }
    EXPECT_EQ(viewport->Pick(nullptr, 1, 1, hit), Result::BadObject);
}

INSTANTIATE_TEST_SUITE_P(Threads, RasterPick, ::testing::Values(1U, 3U));

}  // namespace
