// Pictures of the examples compared pixel for pixel with committed reference images, with
// and without smooth edges, and what --no-aa means for the picture of one flat face.
// TARNO_UPDATE_REFERENCES=1 writes the references anew from the current renderer (look at
// them before committing).

#include "tests/support/reference_image.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/headless/render_command.h"
#include "platform/image/png_writer.h"
#include "tests/headless/command_run.h"
#include "tests/support/paths.h"
#include "tests/support/scratch.h"

namespace {

using tarno_test::SourcePath;

rm::Picture Render(const std::string& input, bool antialias, int width, int height,
                   std::optional<app::Vector3> camera = std::nullopt) {
    app::RenderRequest request;
    request.input = input;
    request.width = width;
    request.height = height;
    request.antialias = antialias;
    request.camera = camera;
    rm::Picture picture;
    std::string error;
    EXPECT_EQ(app::RenderPicture(request, picture, error), app::RenderOutcome::Drawn) << error;
    return picture;
}

struct Reference {
    const char* example;
    std::optional<app::Vector3> camera;
    const char* name;
};

TEST(ReferenceImages, ExamplesMatchTheirReferencesWithAndWithoutSmoothEdges) {
    const Reference references[] = {
        {"house.api", std::nullopt, "house"},
        {"drawing.api", std::nullopt, "drawing"},
        {"drawing.api", app::Vector3{0.0F, 1.0F, -22.0F}, "drawing-near"},
    };
    for (const Reference& r : references) {
        for (const bool antialias : {true, false}) {
            const rm::Picture drawn =
                Render(SourcePath("examples/") + r.example, antialias, 200, 150, r.camera);
            tarno_test::ExpectMatchesReference(
                drawn, std::string(r.name) + (antialias ? "-aa" : "-no-aa"));
        }
    }
}

TEST(ReferenceImages, NoAaGivesOneFlatFaceExactlyTwoColoursAndAaOnlyBlendsThem) {
    // A lit square facing the camera, turned so that its edges slant.
    const std::string input =
        tarno_test::WriteTemp("square.api",
                              "SurfaceColor ( 05 0 )\r\n"
                              "Points ( 0\r\n"
                              "  -30 -7 -10   7 -30 -10   30 7 -10   -7 30 -10\r\n"
                              ")\r\n"
                              "Poly ( A 0 1 2 3 )\r\n"
                              "EndA\r\n");
    const std::string output = tarno_test::TempPath("square.png");
    const auto run =
        tarno_test::Run({"--render", input, "--output", output, "--size", "160x120", "--no-aa"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    rm::Picture sharp;
    ASSERT_TRUE(rm::ReadPng(output, sharp));
    std::set<rm::D3DCOLOR> colours;
    for (const rm::D3DCOLOR c : sharp.pixels) colours.insert(c & 0x00FFFFFFU);
    ASSERT_EQ(colours.size(), 2U);
    const rm::D3DCOLOR background = 0;
    ASSERT_TRUE(colours.count(background));
    const rm::D3DCOLOR face = *colours.rbegin();

    // The default smooths: more colours, each between the two, the inside unchanged.
    const rm::Picture smooth = Render(input, true, 160, 120);
    std::set<rm::D3DCOLOR> smoothColours;
    for (int y = 0; y < smooth.height; ++y) {
        for (int x = 0; x < smooth.width; ++x) {
            const rm::D3DCOLOR c = smooth.At(x, y) & 0x00FFFFFFU;
            smoothColours.insert(c);
            for (const int shift : {0, 8, 16}) {
                ASSERT_LE((c >> shift) & 0xFFU, (face >> shift) & 0xFFU) << x << "," << y;
            }
        }
    }
    EXPECT_GT(smoothColours.size(), 4U);
    EXPECT_EQ(smooth.At(80, 60) & 0x00FFFFFFU, face);
    EXPECT_EQ(smooth.At(2, 2) & 0x00FFFFFFU, background);
    // The switch belongs to --render and to the window, nowhere else.
    EXPECT_FALSE(tarno_test::Run({"--no-aa"}).handled);
    EXPECT_FALSE(tarno_test::Run({"--no-aa", "file.api"}).handled);
    EXPECT_EQ(tarno_test::Run({"--check", input, "--no-aa"}).exitCode, 2);
    EXPECT_EQ(tarno_test::Run({"--render", input, "--output", output, "--no-aa=1"}).exitCode, 2);
}

}  // namespace
