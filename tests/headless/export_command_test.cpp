#include "app/headless/export_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "platform/rm/mesh_builder.h"
#include "tests/headless/command_run.h"
#include "tests/support/scratch.h"

namespace {

std::size_t CountLines(const std::string& text, const std::string& prefix) {
    std::istringstream in(text);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

TEST(ExportCommand, SmallFileGivesExactlyThisObjAndMtl) {
    // Two faces of one colour and one of another. The first polygon, as written, would
    // face the origin, so "A" turns it round (2 1 0); the second keeps its order; the
    // third, written facing down, is turned round by "AU" (3 1 0). In the OBJ each face's
    // corners then run the other way from the first, z negated.
    const std::string input = tarno_test::WriteTemp("small.api",
                                                    "; two colours\r\n"
                                                    "SurfaceColor ( 05 0 )\r\n"
                                                    "Points ( 0\r\n"
                                                    "  0 0 -10  10 0 -10  0 10 -10\r\n"
                                                    "  0 0 10   0 10 10   10 0 10\r\n"
                                                    ")\r\n"
                                                    "Poly ( A 0 1 2 )\r\n"
                                                    "Poly ( A 3 5 4 )\r\n"
                                                    "SurfaceColor ( 11 0 )\r\n"
                                                    "Poly ( AU 0 1 3 )\r\n"
                                                    "EndA\r\n");
    const std::string output = tarno_test::TempPath("small.obj");
    const auto r = tarno_test::Run({"--export", input, output});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(tarno_test::ReadWhole(output),
              "# small.api, written by tarno 1.0.0.5\n"
              "mtllib small.mtl\n"
              "usemtl c_FF0000\n"
              "v 0 10 10\n"
              "v 0 0 10\n"
              "v 10 0 10\n"
              "f 1 2 3\n"
              "v 0 0 -10\n"
              "v 0 10 -10\n"
              "v 10 0 -10\n"
              "f 4 5 6\n"
              "usemtl c_0000FF\n"
              "v 0 0 -10\n"
              "v 0 0 10\n"
              "v 10 0 10\n"
              "f 7 8 9\n");
    EXPECT_EQ(tarno_test::ReadWhole(tarno_test::TempPath("small.mtl")),
              "# small.api, written by tarno 1.0.0.5\n"
              "newmtl c_FF0000\n"
              "Kd 1 0 0\n"
              "\n"
              "newmtl c_0000FF\n"
              "Kd 0 0 1\n"
              "\n");
}

TEST(ExportCommand, StrokesComeWithTheirNormals) {
    const std::string input = tarno_test::WriteTemp(
        "stroke.api", "LineColor ( 09 0 )\nMoveTo ( 0 0 0 )\nDrawTo ( 10 0 0 )\n");
    const std::string output = tarno_test::TempPath("stroke.obj");
    ASSERT_EQ(tarno_test::Run({"--export", input, output}).exitCode, 0);
    const std::string obj = tarno_test::ReadWhole(output);
    // Ten faces: two octagonal caps and eight sides, each with its own corners.
    EXPECT_EQ(CountLines(obj, "f "), 10U);
    EXPECT_EQ(CountLines(obj, "v "), 8U + 8U * 4U + 8U);
    EXPECT_EQ(CountLines(obj, "vn "), 8U + 8U * 4U + 8U);
    EXPECT_EQ(CountLines(obj, "usemtl c_FFFF00"), 1U);
    EXPECT_NE(obj.find("//"), std::string::npos);

    // Each side of the prism reads counter-clockwise from outside, where its vertex
    // normals point.
    std::vector<rm::D3DVECTOR> v;
    std::vector<rm::D3DVECTOR> vn;
    std::size_t sides = 0;
    std::istringstream in(obj);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        rm::D3DVECTOR p;
        if (tag == "v" || tag == "vn") {
            fields >> p.x >> p.y >> p.z;
            (tag == "v" ? v : vn).push_back(p);
            continue;
        }
        if (tag != "f") continue;
        std::vector<rm::D3DVECTOR> corners;
        rm::D3DVECTOR normalSum;
        for (std::string ref; fields >> ref;) {
            const std::size_t slash = ref.find("//");
            corners.push_back(v.at(std::stoul(ref.substr(0, slash)) - 1));
            const rm::D3DVECTOR& n = vn.at(std::stoul(ref.substr(slash + 2)) - 1);
            normalSum = {normalSum.x + n.x, normalSum.y + n.y, normalSum.z + n.z};
        }
        if (corners.size() != 4) continue;  // the caps' vertex normals point sideways
        ++sides;
        rm::D3DVECTOR ccw;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const rm::D3DVECTOR& a = corners[i];
            const rm::D3DVECTOR& b = corners[(i + 1) % corners.size()];
            ccw = {ccw.x + (a.y - b.y) * (a.z + b.z), ccw.y + (a.z - b.z) * (a.x + b.x),
                   ccw.z + (a.x - b.x) * (a.y + b.y)};
        }
        EXPECT_GT(ccw.x * normalSum.x + ccw.y * normalSum.y + ccw.z * normalSum.z, 0.0F) << line;
    }
    EXPECT_EQ(sides, 8U);
}

TEST(ExportCommand, NeverWritesOverTheInput) {
    const std::string text = "Points ( 0 1 2 3 )\r\n";
    const std::string input = tarno_test::WriteTemp("keep.api", text);
    auto r = tarno_test::Run({"--export", input, input});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("input"), std::string::npos);
    EXPECT_EQ(tarno_test::ReadWhole(input), text);

    // The material file beside the output would be the input.
    const std::string mtlInput = tarno_test::WriteTemp("keep.mtl", text);
    r = tarno_test::Run({"--export", mtlInput, tarno_test::TempPath("keep.obj")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(tarno_test::ReadWhole(mtlInput), text);

    // Through a link.
    const std::string link = tarno_test::TempPath("keep-link.obj");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(input, link);
    r = tarno_test::Run({"--export", input, link});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(tarno_test::ReadWhole(input), text);
}

TEST(ExportCommand, UnreadableInputIsExitTwoUnwritableOutputExitOne) {
    auto r = tarno_test::Run(
        {"--export", tarno_test::TempPath("absent.api"), tarno_test::TempPath("absent.obj")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
    const std::string input = tarno_test::WriteTemp("fine.api", "EndA\r\n");
    r = tarno_test::Run({"--export", input, tarno_test::TempPath("missing-dir/out.obj")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
}

}  // namespace
