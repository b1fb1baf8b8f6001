// tarno --pick: the line printed is the one whose face the picture shows at that pixel.
#include "app/headless/pick_command.h"

#include <gtest/gtest.h>

#include <string>

#include "app/headless/render_command.h"
#include "tests/headless/command_run.h"
#include "tests/support/paths.h"
#include "tests/support/scratch.h"

namespace {

// A 60 by 60 square at z = 0 (line 5) with a 20 by 20 square in front of it (line 6), and
// behind them, facing the other way, a square only a turned model shows (line 7).
constexpr const char* kOverlap =
    "SurfaceColor ( 05 0 )\n"  // 1
    "Points ( 0\n"             // 2
    "-30 -30 0  30 -30 0  30 30 0  -30 30 0  -10 -10 -20  10 -10 -20  10 10 -20  -10 10 -20\n"
    ")\n"                                       // 4
    "Poly ( AI 0 1 2 3 )\n"                     // 5
    "\tPoly ( A 4 5 6 7 )   ; the small one\n"  // 6
    "Poly ( A 0 1 2 3 )\n"                      // 7
    "EndA\n";

TEST(PickCommand, NearestOfOverlappingFacesAndExactOutput) {
    const std::string input = tarno_test::WriteTemp("overlap.api", kOverlap);
    const auto centre = tarno_test::Run({"--pick", "320,240", input});
    ASSERT_EQ(centre.exitCode, 0) << centre.err;
    EXPECT_EQ(centre.out, input + ":6: Poly ( A 4 5 6 7 )   ; the small one\n");
    EXPECT_TRUE(centre.err.empty());
    // Beside the small square only the big one is there.
    const auto side = tarno_test::Run({"--pick", "260,240", input});
    ASSERT_EQ(side.exitCode, 0) << side.err;
    EXPECT_EQ(side.out, input + ":5: Poly ( AI 0 1 2 3 )\n");
    // Nothing at the corner: exit 1, one line naming the pixel.
    const auto none = tarno_test::Run({"--pick", "0,0", input});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.empty());
    EXPECT_NE(none.err.find("0,0"), std::string::npos) << none.err;
    EXPECT_EQ(none.err.find('\n'), none.err.size() - 1);
}

TEST(PickCommand, TurnedModelShowsAndPicksItsOtherSide) {
    const std::string input = tarno_test::WriteTemp("overlap.api", kOverlap);
    // Half a turn about y: the front-facing squares turn away, the back one faces the
    // camera and hides nothing in front of it any more.
    const auto r = tarno_test::Run({"--pick", "320,240", input, "--turn", "0,1,0,3.14159265"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, input + ":7: Poly ( A 0 1 2 3 )\n");
}

TEST(PickCommand, StrokeGivesItsDrawBlockAndARestrokedSegmentTheFirst) {
    const std::string input = tarno_test::WriteTemp("strokes.api",
                                                    "LineColor ( 02 0 )\n"  // 1
                                                    "MoveTo ( 0 0 0 )\n"    // 2
                                                    "DrawTo ( 10 0 0 )\n"   // 3
                                                    "DrawTo ( 20 0 0 )\n"   // 4: 0-10 again
                                                    "EndA\n");
    // Close to the strokes so that they are pixels wide.
    const auto first =
        tarno_test::Run({"--pick", "40,40", input, "--size", "80", "--camera", "5,0,-3"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, input + ":3: DrawTo ( 10 0 0 )\n");
    const auto second =
        tarno_test::Run({"--pick", "40,40", input, "--size", "80", "--camera", "15,0,-3"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, input + ":4: DrawTo ( 20 0 0 )\n");
    const auto above =
        tarno_test::Run({"--pick", "40,10", input, "--size", "80", "--camera", "15,0,-3"});
    EXPECT_EQ(above.exitCode, 1);
}

TEST(PickCommand, EveryPixelAgreesWithTheRenderedPicture) {
    const std::string house = tarno_test::ExamplePath("house.api");
    app::RenderRequest view;
    view.input = house;
    view.width = 64;
    view.height = 48;
    view.fit = true;
    view.turn = app::Turn{{0.0F, 1.0F, 0.0F}, 2.2F};
    // Picking samples each pixel's centre, as the aliased picture does; smoothed edges also
    // tint pixels whose centre no face covers.
    view.antialias = false;
    rm::Picture picture;
    std::string error;
    ASSERT_EQ(app::RenderPicture(view, picture, error), app::RenderOutcome::Drawn) << error;
    int found = 0;
    for (int y = 0; y < view.height; y += 2) {
        for (int x = 0; x < view.width; x += 2) {
            app::PickRequest request{x, y, view};
            app::PickedLine picked;
            const app::PickOutcome outcome = app::PickLine(request, picked, error);
            const bool drawn = (picture.At(x, y) & 0x00FFFFFFU) != 0;
            ASSERT_EQ(outcome == app::PickOutcome::Found, drawn) << x << "," << y << " " << error;
            if (!drawn) continue;
            ++found;
            // Every face of the house is a polygon block.
            EXPECT_NE(picked.text.find("POLY"), std::string::npos) << picked.text;
            EXPECT_GT(picked.line, 0);
        }
    }
    EXPECT_GT(found, 100);
}

TEST(PickCommand, MistakesAreUsageErrors) {
    const std::string input = tarno_test::WriteTemp("overlap.api", kOverlap);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--pick"},
             {"--pick", input},
             {"--pick", "1,2"},
             {"--pick", "-1,2", input},
             {"--pick", "1;2", input},
             {"--pick", "640,10", input},
             {"--pick", "10,10", input, "--size", "8x8"},
             {"--pick", "1,2", input, "--output", "x.png"},
             {"--pick", "1,2", input, "--wireframe"},
         }) {
        const auto r = tarno_test::Run(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_EQ(r.err.rfind("tarno: ", 0), 0U) << r.err;
    }
    const auto missing = tarno_test::Run({"--pick", "1,1", input + ".gone"});
    EXPECT_EQ(missing.exitCode, 2);
}

}  // namespace
