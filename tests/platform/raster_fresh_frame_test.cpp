// A new renderer's buffers are not written when it is made: every tile starts as a
// recorded clear to black and farthest depth. Read at once, drawn on without a clear, or
// cleared only in part, it must give what a buffer cleared to black would.

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/raster_test_support.h"

namespace rm::rastertest {
namespace {

constexpr D3DCOLOR kBlack = 0xFF000000U;
// Not a multiple of the tile or of a depth row's padding, so that edge tiles and padded
// rows are part of it.
constexpr int kOdd = 203;

std::vector<D3DCOLOR> Copy(Renderer& r) {
    const PictureView v = r.Picture();
    return {v.pixels,
            v.pixels + static_cast<std::size_t>(v.width) * static_cast<std::size_t>(v.height)};
}

TEST(RasterFreshFrame, ANewPictureIsBlack) {
    for (const unsigned threads : {1U, 2U}) {
        Renderer r(kOdd, 97, threads);
        for (const D3DCOLOR c : Copy(r)) ASSERT_EQ(c, kBlack);
    }
}

TEST(RasterFreshFrame, DrawingWithoutAClearIsDrawingOnBlack) {
    MeshData mesh;
    AddSquare(mesh, 0.3F, 2.0F, 0xFF20C040U);
    AddSquare(mesh, 0.5F, 3.0F, 0xFFC04020U);  // behind the first: the depth test decides
    const MeshInstance instance = Instance(mesh);
    const RenderJob job = MakeJob(std::span<const MeshInstance>(&instance, 1), kOdd);
    for (const bool antialias : {false, true}) {
        Renderer fresh(kOdd, kOdd, 2);
        Renderer cleared(kOdd, kOdd, 2);
        fresh.SetAntialias(antialias);
        cleared.SetAntialias(antialias);
        cleared.Clear({0, 0, kOdd, kOdd}, kBlack);
        fresh.Render(job);
        cleared.Render(job);
        const std::vector<D3DCOLOR> a = Copy(fresh);
        EXPECT_EQ(a, Copy(cleared)) << "aa " << antialias;
        EXPECT_GT(static_cast<int>(a.size()) - [&] {
            int black = 0;
            for (const D3DCOLOR c : a) black += c == kBlack;
            return black;
        }(), 0);

        // A clear of part of the picture (x 10 to 159, y 20 to 189) keeps black around it.
        Renderer part(kOdd, kOdd, 2);
        part.SetAntialias(antialias);
        part.Clear({10, 20, 150, 170}, kBackground);
        const std::vector<D3DCOLOR> p = Copy(part);
        EXPECT_EQ(At(p, 9, 20, kOdd), kBlack);
        EXPECT_EQ(At(p, 10, 20, kOdd), kBackground);
        EXPECT_EQ(At(p, 159, 189, kOdd), kBackground);
        EXPECT_EQ(At(p, 160, 189, kOdd), kBlack);
        EXPECT_EQ(At(p, 10, 190, kOdd), kBlack);
        EXPECT_EQ(At(p, kOdd - 1, kOdd - 1, kOdd), kBlack);
        // Drawn on after that, the rest of the picture still starts from black.
        part.Render(job);
        Renderer whole(kOdd, kOdd, 2);
        whole.SetAntialias(antialias);
        whole.Clear({0, 0, kOdd, kOdd}, kBlack);
        whole.Clear({10, 20, 150, 170}, kBackground);
        whole.Render(job);
        EXPECT_EQ(Copy(part), Copy(whole)) << "aa " << antialias;
    }
}

}  // namespace
}  // namespace rm::rastertest
