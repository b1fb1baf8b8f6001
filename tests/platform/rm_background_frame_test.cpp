// Frames drawn on the drawing thread: only pictures of the current scene are shown, each
// the same as drawing in the tick would give; stale frames are dropped; what a frame reads
// stays alive and unwritten while it draws; shutting down with a frame in flight is safe.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/rm/root.h"

namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 96;
constexpr int kHeight = 64;

// Overlapping coloured quads in front of the camera, many of them covering the view.
rm::MeshBuilderPtr MakeMesh(rm::Root& root, int quads, unsigned seed) {
    rm::MeshBuilderPtr mesh;
    EXPECT_EQ(root.CreateMeshBuilder(mesh), rm::Result::Ok);
    std::vector<rm::D3DVECTOR> points;
    std::vector<std::uint32_t> data;
    for (int q = 0; q < quads; ++q) {
        seed = seed * 1103515245U + 12345U;
        const float z = static_cast<float>(seed % 200U) - 50.0F;
        const float h = 20.0F + static_cast<float>((seed >> 8) % 150U);
        const auto base = static_cast<std::uint32_t>(points.size());
        points.insert(points.end(), {{-h, h, z}, {h, h, z}, {h, -h, z}, {-h, -h, z}});
        data.insert(data.end(), {4, base, base + 1, base + 2, base + 3});
    }
    data.push_back(0);
    rm::FaceArray faces;
    EXPECT_EQ(mesh->AddFaces(points, {}, data, &faces), rm::Result::Ok);
    for (std::uint32_t i = 0; i < faces.GetSize(); ++i) {
        rm::Face face;
        EXPECT_EQ(faces.GetElement(i, face), rm::Result::Ok);
        EXPECT_EQ(face.SetColor(0xFF000000U | (i * 2654435761U & 0xFFFFFFU)), rm::Result::Ok);
    }
    return mesh;
}

struct Scene {
    explicit Scene(int quads) {
        EXPECT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
        EXPECT_EQ(root->CreateFrame(nullptr, scene), rm::Result::Ok);
        EXPECT_EQ(root->CreateFrame(scene, model), rm::Result::Ok);
        rm::LightPtr ambient;
        EXPECT_EQ(
            root->CreateLightRGB(rm::D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT, 0.4F, 0.4F, 0.4F, ambient),
            rm::Result::Ok);
        EXPECT_EQ(scene->AddLight(ambient), rm::Result::Ok);
        mesh = MakeMesh(*root, quads, 7);
        EXPECT_EQ(model->AddVisual(mesh), rm::Result::Ok);
        MakeSurface();
    }
    void MakeSurface() {
        EXPECT_EQ(root->CreateFrame(scene, camera), rm::Result::Ok);
        EXPECT_EQ(camera->SetPosition(scene.get(), 0.0F, 0.0F, -200.0F), rm::Result::Ok);
        EXPECT_EQ(rm::DirectDrawCreateClipper(0, clipper, nullptr), rm::Result::Ok);
        EXPECT_EQ(clipper->SetHWnd(0, target), rm::Result::Ok);
        EXPECT_EQ(root->CreateDeviceFromClipper(clipper, nullptr, kWidth, kHeight, device),
                  rm::Result::Ok);
        EXPECT_EQ(root->CreateViewport(device, camera, 0, 0, kWidth, kHeight, viewport),
                  rm::Result::Ok);
        EXPECT_EQ(viewport->SetBack(5000.0F), rm::Result::Ok);
        EXPECT_EQ(device->SetQuality(rm::D3DRMRENDER_GOURAUD), rm::Result::Ok);
    }
    void ReleaseSurface() {
        clipper.reset();
        viewport.reset();
        device.reset();
        EXPECT_EQ(scene->DeleteChild(camera.get()), rm::Result::Ok);
        camera.reset();
    }
    // What drawing inside the tick shows for the scene as it is now.
    [[nodiscard]] rm::Picture DrawnInTick() const {
        const bool background = root->DrawsInBackground();
        if (background) root->StopBackgroundFrames();
        viewport->SetDrawnRevision(0);
        EXPECT_EQ(root->Tick(1.0F), rm::Result::Ok);
        return target->LastPicture();
    }
    // Ticks until a picture is presented; false after `limit`.
    bool TickUntilPresented(std::chrono::seconds limit = 60s) const {
        const auto end = std::chrono::steady_clock::now() + limit;
        const int before = target->PresentCount();
        while (std::chrono::steady_clock::now() < end) {
            EXPECT_EQ(root->Tick(1.0F), rm::Result::Ok);
            if (target->PresentCount() != before) return true;
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }

    rm::RootPtr root;
    rm::FramePtr scene, model, camera;
    rm::MeshBuilderPtr mesh;
    std::shared_ptr<rm::RecordingTarget> target = std::make_shared<rm::RecordingTarget>();
    rm::ClipperPtr clipper;
    rm::DevicePtr device;
    rm::ViewportPtr viewport;
};

// Holds the drawing thread inside its "frame ready" call until released, so that requests
// pile up behind a frame in a known order.
class Gate {
public:
    // Opens the gate when it goes, so that a failed test never leaves the thread held.
    struct OpenAtEnd {
        Gate& gate;
        ~OpenAtEnd() { gate.Open(); }
    };

    std::function<void()> Callback() {
        return [this] {
            std::unique_lock lock(m_mutex);
            ++m_ready;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return !m_closed; });
        };
    }
    void WaitForReady(int count) {
        std::unique_lock lock(m_mutex);
        ASSERT_TRUE(m_changed.wait_for(lock, 60s, [&] { return m_ready >= count; }));
    }
    void Open() {
        const std::lock_guard lock(m_mutex);
        if (!m_closed) return;
        m_closed = false;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_ready = 0;
    bool m_closed = true;
};

TEST(BackgroundFrames, ShowOnlyTheCurrentSceneAndDropStaleFrames) {
    Gate gate;
    Scene s(200);
    const Gate::OpenAtEnd opener{gate};
    s.root->StartBackgroundFrames(0ms, gate.Callback());
    ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
    gate.WaitForReady(1);  // the first frame is done; the thread now waits at the gate
    const int presented = s.target->PresentCount();

    // Two changes while the thread is held: the first frame is out of date, the request
    // for the middle state is replaced by the one for the last.
    EXPECT_EQ(s.camera->SetPosition(s.scene.get(), 15.0F, 0.0F, -180.0F), rm::Result::Ok);
    ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(
        s.model->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER, 0.0F, 1.0F, 0.0F, 0.5F),
        rm::Result::Ok);
    ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(s.target->PresentCount(), presented) << "a stale frame was shown";
    EXPECT_GE(s.root->BackgroundFramesDropped(), 1U);

    gate.Open();
    ASSERT_TRUE(s.TickUntilPresented());
    EXPECT_EQ(s.target->PresentCount(), presented + 1);
    const rm::Picture shown = s.target->LastPicture();
    // Nothing changed since: no further frame and no further picture.
    ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(s.root->LastTickDrawCount(), 0);
    EXPECT_EQ(s.target->PresentCount(), presented + 1);

    const rm::Picture expected = s.DrawnInTick();
    EXPECT_EQ(shown.width, expected.width);
    EXPECT_EQ(shown.height, expected.height);
    EXPECT_TRUE(shown.pixels == expected.pixels) << "background picture differs from the tick's";
}

TEST(BackgroundFrames, EveryPresentedPictureMatchesTheSceneOfItsTick) {
    Scene s(300);
    s.root->StartBackgroundFrames(0ms, [] {});
    for (int step = 0; step < 12; ++step) {
        EXPECT_EQ(s.camera->SetPosition(s.scene.get(), static_cast<float>(step * 3), 0.0F, -200.0F),
                  rm::Result::Ok);
        const int before = s.target->PresentCount();
        ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
        if (step % 3 == 2 && s.target->PresentCount() == before) {
            ASSERT_TRUE(s.TickUntilPresented());
        }
        if (s.target->PresentCount() != before) {
            const rm::Picture shown = s.target->LastPicture();
            const rm::Picture expected = s.DrawnInTick();
            ASSERT_TRUE(shown.pixels == expected.pixels) << "step " << step;
            s.root->StartBackgroundFrames(0ms, [] {});
        }
    }
}

TEST(BackgroundFrames, QuickFrameIsShownInTheTickThatAskedForIt) {
    Scene s(4);
    s.root->StartBackgroundFrames(10s, [] {});
    ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(s.root->LastTickDrawCount(), 1);
    EXPECT_EQ(s.target->PresentCount(), 1);
}

TEST(BackgroundFrames, AFrameKeepsItsMeshAndDeviceAlive) {
    Scene s(3000);
    s.root->StartBackgroundFrames(0ms, [] {});
    ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
    // What the frame in flight reads goes away on this side: a new model, a new surface.
    EXPECT_EQ(s.model->DeleteVisual(s.mesh.get()), rm::Result::Ok);
    s.mesh = MakeMesh(*s.root, 50, 99);
    EXPECT_EQ(s.model->AddVisual(s.mesh), rm::Result::Ok);
    s.ReleaseSurface();
    s.MakeSurface();
    ASSERT_TRUE(s.TickUntilPresented());
    const rm::Picture shown = s.target->LastPicture();
    const rm::Picture expected = s.DrawnInTick();
    EXPECT_TRUE(shown.pixels == expected.pixels);
}

TEST(BackgroundFrames, RootGoesAwayWithAFrameInFlight) {
    for (int round = 0; round < 3; ++round) {
        Scene s(4000);
        s.root->StartBackgroundFrames(0ms, [] {});
        ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
        EXPECT_EQ(s.camera->SetPosition(s.scene.get(), 5.0F, 0.0F, -200.0F), rm::Result::Ok);
        ASSERT_EQ(s.root->Tick(1.0F), rm::Result::Ok);
        // The drawing thread stops and lets go of devices and meshes before the root is
        // gone; the test ends without a hang and (under the sanitizer) without a stale read.
        s.viewport.reset();
        s.device.reset();
        s.root.reset();
    }
}

TEST(MeshReadPins, AWriterCancelsTheReaderAndWaitsForIt) {
    rm::RootPtr root;
    ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
    const rm::MeshBuilderPtr mesh = MakeMesh(*root, 3, 1);
    std::atomic<bool> cancel{false};
    auto pin = std::make_unique<rm::MeshReadPin>(mesh->SharedData(), cancel);
    std::atomic<bool> written{false};
    std::thread writer([&] {
        EXPECT_EQ(mesh->SetColor(0xFF112233U), rm::Result::Ok);
        written = true;
    });
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!cancel && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(cancel) << "the writer did not cancel the reader";
    EXPECT_FALSE(written) << "the writer changed a mesh while it was read";
    pin.reset();
    writer.join();
    EXPECT_TRUE(written);
    rm::Face face;
    ASSERT_EQ(mesh->GetFace(0, face), rm::Result::Ok);
    EXPECT_EQ(face.GetColor(), 0xFF112233U);
    // Unpinned, a writer goes straight through.
    EXPECT_EQ(mesh->SetColor(0xFF445566U), rm::Result::Ok);
}

TEST(MeshReadPins, ChangingTheFillModeDoesNotWaitForAFrame) {
    rm::RootPtr root;
    ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
    const rm::MeshBuilderPtr mesh = MakeMesh(*root, 3, 1);
    std::atomic<bool> cancel{false};
    const rm::MeshReadPin pin(mesh->SharedData(), cancel);
    // The fill mode goes to the renderer with the job, not through the mesh data.
    EXPECT_EQ(mesh->SetQuality(rm::D3DRMRENDER_WIREFRAME), rm::Result::Ok);
    EXPECT_FALSE(cancel);
}

}  // namespace
