// The bundled examples stay what their remarks promise: they load without surprises and
// show their model.
#include <gtest/gtest.h>

#include "app/headless/render_command.h"
#include "tests/headless/command_run.h"
#include "tests/support/paths.h"
#include "tests/support/picture_measure.h"

namespace {

using tarno_test::ExamplePath;

std::size_t Shown(const char* name, std::optional<app::Vector3> camera = std::nullopt) {
    app::RenderRequest request;
    request.input = ExamplePath(name);
    request.camera = camera;
    rm::Picture picture;
    std::string error;
    EXPECT_EQ(app::RenderPicture(request, picture, error), app::RenderOutcome::Drawn) << error;
    return tarno_test::Measure(picture).pixels;
}

TEST(Examples, CheckCleanExceptWhatDrawingShowsOnPurpose) {
    for (const char* name : {"house.api", "tower.api", "fence.api"}) {
        const auto r = tarno_test::Run({"--check", ExamplePath(name)});
        EXPECT_EQ(r.exitCode, 0) << r.out;
    }
    const auto r = tarno_test::Run({"--check", ExamplePath("drawing.api")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\"AutoPoints\" is not drawn"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("after \"ENDA\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(", 2 warnings\n"), std::string::npos) << r.out;
}

TEST(Examples, HouseFillsAGoodPartOfTheDefaultView) {
    const double share = static_cast<double>(Shown("house.api")) / (640.0 * 480.0);
    EXPECT_GT(share, 0.1);
    EXPECT_LT(share, 0.8);
}

TEST(Examples, EachShowsItsModel) {
    EXPECT_GT(Shown("tower.api"), 640U * 480U / 20U);
    // Seen from inside, the tower's inner walls fill the view.
    EXPECT_EQ(Shown("tower.api", app::Vector3{0, 0, 0}), 640U * 480U);
    EXPECT_GT(Shown("fence.api", app::Vector3{0, 1, -20}), 640U * 480U / 20U);
    EXPECT_GT(Shown("drawing.api", app::Vector3{0, 1, -22}), 1000U);
}

}  // namespace
