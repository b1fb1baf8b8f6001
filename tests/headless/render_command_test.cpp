#include "app/headless/render_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/image/png_writer.h"
#include "tests/headless/command_run.h"
#include "tests/support/picture_measure.h"
#include "tests/support/scratch.h"

namespace {

using tarno_test::Measure;

// A 40 by 40 square 10 units in front of the origin, facing the default camera, in a
// colour of its own (colours carry over between loads, so every file sets its own).
constexpr const char* kSquare =
    "SurfaceColor ( 05 0 )\r\n"
    "Points ( 0\r\n"
    "  -20 -20 -10   20 -20 -10   20 20 -10   -20 20 -10\r\n"
    ")\r\n"
    "Poly ( A 0 1 2 3 )\r\n"
    "EndA\r\n";

class RenderCommandTest : public ::testing::Test {
protected:
    void SetUp() override { input = tarno_test::WriteTemp("square.api", kSquare); }

    rm::Picture Render(app::RenderRequest request) {
        request.input = input;
        rm::Picture picture;
        std::string error;
        EXPECT_EQ(app::RenderPicture(request, picture, error), app::RenderOutcome::Drawn) << error;
        return picture;
    }
    std::string input;
};

TEST_F(RenderCommandTest, WritesAPngOfTheRequestedSizeShowingTheModel) {
    const std::string output = tarno_test::TempPath("square.png");
    std::filesystem::remove(output);
    const auto r = tarno_test::Run({"--render", input, "--output", output, "--size", "200x150"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    rm::Picture written;
    ASSERT_TRUE(rm::ReadPng(output, written));
    EXPECT_EQ(written.width, 200);
    EXPECT_EQ(written.height, 150);
    const auto coverage = Measure(written);
    EXPECT_GT(coverage.pixels, 0U);
    // The file holds the picture the surface drew, pixel for pixel.
    app::RenderRequest same;
    same.width = 200;
    same.height = 150;
    const rm::Picture drawn = Render(same);
    ASSERT_EQ(drawn.pixels.size(), written.pixels.size());
    for (std::size_t i = 0; i < drawn.pixels.size(); ++i) {
        ASSERT_EQ(drawn.pixels[i] & 0x00FFFFFFU, written.pixels[i] & 0x00FFFFFFU) << i;
    }
}

TEST_F(RenderCommandTest, DefaultViewIsCentredAndTheSizeIs640By480) {
    const rm::Picture picture = Render({});
    EXPECT_EQ(picture.width, 640);
    EXPECT_EQ(picture.height, 480);
    const auto c = Measure(picture);
    ASSERT_GT(c.pixels, 0U);
    EXPECT_NEAR(c.centreX, 319.5, 2.0);
    EXPECT_NEAR(c.centreY, 239.5, 2.0);
}

TEST_F(RenderCommandTest, CameraMovesTheView) {
    const auto base = Measure(Render({}));
    app::RenderRequest nearer;
    nearer.camera = app::Vector3{0.0F, 0.0F, -100.0F};
    EXPECT_GT(Measure(Render(nearer)).pixels, base.pixels * 3);

    app::RenderRequest right;
    right.camera = app::Vector3{30.0F, 0.0F, -200.0F};
    const auto moved = Measure(Render(right));
    EXPECT_LT(moved.centreX, base.centreX - 20.0);  // the camera goes right, the model left
    EXPECT_NEAR(moved.centreY, base.centreY, 2.0);

    app::RenderRequest up;
    up.camera = app::Vector3{0.0F, 30.0F, -200.0F};
    EXPECT_GT(Measure(Render(up)).centreY, base.centreY + 20.0);  // rows run downwards

    app::RenderRequest behind;
    behind.camera = app::Vector3{0.0F, 0.0F, 100.0F};  // past the square, looking away
    EXPECT_EQ(Measure(Render(behind)).pixels, 0U);
}

TEST_F(RenderCommandTest, TurnRotatesTheModelAfterItsPlacement) {
    app::RenderRequest half;
    half.turn = app::Turn{{0.0F, 1.0F, 0.0F}, 3.14159265F};
    // Turned half round, the square stands behind the origin showing its back, which a
    // single-sided face does not draw.
    EXPECT_EQ(Measure(Render(half)).pixels, 0U);

    app::RenderRequest quarter;
    quarter.turn = app::Turn{{0.0F, 0.0F, 1.0F}, 3.14159265F / 4.0F};
    const auto base = Measure(Render({}));
    const auto rolled = Measure(Render(quarter));
    // Rolled about the view axis the square keeps its area but becomes a diamond.
    EXPECT_NEAR(static_cast<double>(rolled.pixels), static_cast<double>(base.pixels),
                0.05 * static_cast<double>(base.pixels));
    const rm::Picture picture = Render(quarter);
    const rm::D3DCOLOR background = picture.At(0, 0);
    const auto c = static_cast<int>(base.centreX);
    const auto top = static_cast<int>(base.centreY) - 55;  // above the square's top edge
    EXPECT_NE(picture.At(c, top), background);
}

TEST_F(RenderCommandTest, WireframeDrawsOnlyTheEdges) {
    const rm::Picture solid = Render({});
    app::RenderRequest request;
    request.wireframe = true;
    const rm::Picture wire = Render(request);
    const auto s = Measure(solid);
    const auto w = Measure(wire);
    ASSERT_GT(w.pixels, 0U);
    EXPECT_LT(w.pixels * 4, s.pixels);
    const int cx = 320;
    const int cy = 240;
    EXPECT_NE(solid.At(cx, cy), solid.At(0, 0));
    EXPECT_EQ(wire.At(cx, cy), wire.At(0, 0));
}

TEST_F(RenderCommandTest, UnreadableInputFailsWithOneLineAndWritesNothing) {
    const std::string output = tarno_test::TempPath("never.png");
    std::filesystem::remove(output);
    for (const std::string& missing :
         {tarno_test::TempPath("no-such-file.api"), tarno_test::TempPath("")}) {
        const auto r = tarno_test::Run({"--render", missing, "--output", output});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST_F(RenderCommandTest, NeverWritesOverTheInput) {
    const auto r = tarno_test::Run({"--render", input, "--output", input});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(tarno_test::ReadWhole(input), kSquare);
}

TEST_F(RenderCommandTest, UnwritableOutputExitsOne) {
    const auto r =
        tarno_test::Run({"--render", input, "--output", tarno_test::TempPath("no-dir/x/out.png")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.empty());
}

}  // namespace

namespace {

// The pixel bounds of what differs from the background (inclusive), or an empty box.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};
Box Bounds(const rm::Picture& picture) {
    Box b;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if ((picture.At(x, y) & 0x00FFFFFFU) == 0) continue;
            b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
        }
    }
    return b;
}

rm::Picture RenderFile(const std::string& path, app::RenderRequest request) {
    request.input = path;
    rm::Picture picture;
    std::string error;
    EXPECT_EQ(app::RenderPicture(request, picture, error), app::RenderOutcome::Drawn) << error;
    return picture;
}

// A flat rectangle `w` by `h` at (x, y, z), facing the default camera.
std::string Rectangle(long long x, long long y, long long z, long long w, long long h) {
    const auto n = [](long long v) { return std::to_string(v); };
    return "SurfaceColor ( 06 0 )\nPoints ( 0\n" + n(x) + " " + n(y) + " " + n(z) + "  " +
           n(x + w) + " " + n(y) + " " + n(z) + "  " + n(x + w) + " " + n(y + h) + " " + n(z) +
           "  " + n(x) + " " + n(y + h) + " " + n(z) +
           "\n)\nPoly ( AI 0 3 2 1 )\nPoly ( A 0 3 2 1 )\nEndA\n";
}

TEST(RenderFit, FramesModelsOfAnySizeCentredWithASmallMargin) {
    struct Case {
        long long x, y, z, w, h;
    };
    for (const Case& c : std::vector<Case>{{-10, -5, 0, 20, 10},
                                           {3000, 3000, 3000, 2, 1},
                                           {-100000, -50000, 0, 200000, 100000},
                                           {2000000000, -2000000000, 2000000000, 100000, 50000}}) {
        const std::string path =
            tarno_test::WriteTemp("rect.api", Rectangle(c.x, c.y, c.z, c.w, c.h));
        app::RenderRequest request;
        request.fit = true;
        request.width = 200;
        request.height = 100;
        const rm::Picture picture = RenderFile(path, request);
        const Box b = Bounds(picture);
        ASSERT_GE(b.x1, 0) << c.w;  // something is drawn
        // A 2:1 rectangle in a 2:1 picture fills nine tenths of both sides, centred.
        EXPECT_NEAR(b.x1 - b.x0 + 1, 180, 3) << c.w;
        EXPECT_NEAR(b.y1 - b.y0 + 1, 90, 3) << c.w;
        EXPECT_NEAR((b.x0 + b.x1) / 2.0, 99.5, 2.0) << c.w;
        EXPECT_NEAR((b.y0 + b.y1) / 2.0, 49.5, 2.0) << c.w;
    }
}

TEST(RenderFit, SquareSizeAndFitFromTheCommandLine) {
    const std::string input = tarno_test::WriteTemp("small.api", Rectangle(-2, -2, 50, 4, 4));
    const std::string output = tarno_test::TempPath("thumb.png");
    const auto r =
        tarno_test::Run({"--render", input, "--output", output, "--size", "64", "--fit"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    rm::Picture written;
    ASSERT_TRUE(rm::ReadPng(output, written));
    EXPECT_EQ(written.width, 64);
    EXPECT_EQ(written.height, 64);
    const Box b = Bounds(written);
    EXPECT_NEAR(b.x1 - b.x0 + 1, 58, 2);
    // Without --fit the same model is a speck at the window's start camera.
    const auto plain = tarno_test::Run({"--render", input, "--output", output, "--size", "64"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_TRUE(rm::ReadPng(output, written));
    const Box speck = Bounds(written);
    EXPECT_LT(speck.x1 - speck.x0 + 1, 8);
}

TEST(RenderFit, TurnedModelIsFramedAfterTheTurnAndAnEmptyOneLeftAlone) {
    const std::string path = tarno_test::WriteTemp("rect.api", Rectangle(0, 0, 0, 40, 10));
    app::RenderRequest request;
    request.fit = true;
    request.width = request.height = 100;
    request.turn = app::Turn{{0.0F, 0.0F, 1.0F}, 3.14159265F / 2.0F};  // now 10 wide, 40 high
    const Box b = Bounds(RenderFile(path, request));
    EXPECT_NEAR(b.y1 - b.y0 + 1, 90, 3);
    EXPECT_NEAR(b.x1 - b.x0 + 1, 22, 3);

    const std::string empty = tarno_test::WriteTemp("empty.api", "EndA\n");
    request.turn.reset();
    const rm::Picture picture = RenderFile(empty, request);
    EXPECT_EQ(Measure(picture).pixels, 0U);
}

}  // namespace
