// A cancelled render stops without drawing; the same job uncancelled draws.

#include <gtest/gtest.h>

#include <atomic>

#include "tests/platform/raster_test_support.h"

namespace rm::rastertest {
namespace {

TEST(RasterCancel, ACancelledJobLeavesTheClearedPicture) {
    MeshData mesh;
    for (int i = 0; i < 50; ++i) {
        AddSquare(mesh, 0.2F + 0.01F * static_cast<float>(i), 2.0F + 0.1F * static_cast<float>(i),
                  0xFF00FF00U + static_cast<D3DCOLOR>(i));
    }
    const MeshInstance instance = Instance(mesh);
    RenderJob job = MakeJob(std::span<const MeshInstance>(&instance, 1));
    std::atomic<bool> cancel{true};
    job.cancel = &cancel;

    Renderer renderer(kSize, kSize, 2);
    renderer.Clear(job.rect, kBackground);
    renderer.Render(job);
    EXPECT_EQ(renderer.LastStats().trianglesDrawn, 0U);
    PictureView picture = renderer.Picture();
    int foreground = 0;
    for (int i = 0; i < kSize * kSize; ++i) foreground += picture.pixels[i] != kBackground;
    EXPECT_EQ(foreground, 0);

    cancel = false;
    renderer.Clear(job.rect, kBackground);
    renderer.Render(job);
    EXPECT_GT(renderer.LastStats().trianglesDrawn, 0U);
    picture = renderer.Picture();
    for (int i = 0; i < kSize * kSize; ++i) foreground += picture.pixels[i] != kBackground;
    EXPECT_GT(foreground, 0);
}

}  // namespace
}  // namespace rm::rastertest
