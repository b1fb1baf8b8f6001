#include "platform/image/png_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;

using tarno_test::TempPath;

rm::Picture Sample(int w, int h) {
    rm::Picture p;
    p.width = w;
    p.height = h;
    p.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            p.pixels[static_cast<std::size_t>(y * w + x)] = rm::MakeColor(
                static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 70),
                static_cast<std::uint8_t>(255 - x * y), static_cast<std::uint8_t>(x * 60));
        }
    }
    return p;
}

// Writes `in` to a file and reads it back: the same size and pixels; the PNG made in
// memory is the file's bytes.
void ExpectExactRoundTrip(const rm::Picture& in, const std::string& name) {
    const std::string path = TempPath(name);
    std::string error;
    ASSERT_TRUE(rm::WritePng(path, in, &error)) << error;
    rm::Picture out;
    ASSERT_TRUE(rm::ReadPng(path, out, &error)) << error;
    EXPECT_EQ(out.width, in.width);
    EXPECT_EQ(out.height, in.height);
    EXPECT_TRUE(out.pixels == in.pixels) << in.width << "x" << in.height;
    std::string bytes;
    ASSERT_TRUE(rm::EncodePng(in, bytes, &error)) << error;
    std::ifstream f(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(f)),
                              std::istreambuf_iterator<char>());
    EXPECT_TRUE(bytes == written);
    fs::remove(path);
}

TEST(PngWriter, RoundTripKeepsColoursAndWritesOpaque) {
    const std::string path = TempPath("round_trip.png");
    const rm::Picture in = Sample(5, 3);
    std::string error;
    ASSERT_TRUE(rm::WritePng(path, in, &error)) << error;
    rm::Picture out;
    ASSERT_TRUE(rm::ReadPng(path, out, &error)) << error;
    ASSERT_EQ(out.width, 5);
    ASSERT_EQ(out.height, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(out.At(x, y), in.At(x, y) | 0xFF000000U) << x << "," << y;
        }
    }
    // The file is an 8-bit RGB PNG: signature, then IHDR with depth 8 and colour type 2.
    std::ifstream f(path, std::ios::binary);
    std::string head(33, '\0');
    f.read(head.data(), 33);
    EXPECT_EQ(head.substr(1, 3), "PNG");
    EXPECT_EQ(head.substr(12, 4), "IHDR");
    EXPECT_EQ(static_cast<int>(head[24]), 8);
    EXPECT_EQ(static_cast<int>(head[25]), 2);
    fs::remove(path);
}

TEST(PngWriter, WritesAPictureView) {
    const std::string path = TempPath("view.png");
    const rm::Picture in = Sample(4, 4);
    ASSERT_TRUE(rm::WritePng(path, rm::PictureView{4, 4, in.pixels.data()}));
    rm::Picture out;
    ASSERT_TRUE(rm::ReadPng(path, out));
    EXPECT_EQ(out.At(3, 2), in.At(3, 2) | 0xFF000000U);
    fs::remove(path);
}

// Many rows, each filtered against the one above, across several compressed blocks: flat
// runs, a row that repeats the one above, a gradient and noise must all come back exact,
// from the file and from the bytes for the clipboard alike.
TEST(PngWriter, ALargePictureComesBackExactFromFileAndBytes) {
    rm::Picture in;
    in.width = 333;
    in.height = 211;
    in.pixels.assign(static_cast<std::size_t>(in.width) * static_cast<std::size_t>(in.height),
                     0xFF1A1A26U);
    std::mt19937 rng(11);
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            rm::D3DCOLOR& p = in.pixels[static_cast<std::size_t>(y * in.width + x)];
            if (y % 7 == 3) {
                p = static_cast<rm::D3DCOLOR>(rng()) | 0xFF000000U;
            } else if (y % 7 == 4) {
                p = in.pixels[static_cast<std::size_t>((y - 1) * in.width + x)];
            } else if (x > 100 && x < 200) {
                p = rm::MakeColor(static_cast<std::uint8_t>(x + y), static_cast<std::uint8_t>(y),
                                  static_cast<std::uint8_t>(255 - x), 255);
            }
        }
    }
    ExpectExactRoundTrip(in, "large.png");
}

// Tall pictures are deflated in parts at once, and big ones span several chunks of image
// data: rows that repeat across a part's edge, pure noise, a one-pixel column and a
// single row must all come back exactly, from a file and from bytes alike.
TEST(PngWriter, PicturesInManyPartsAndChunksComeBackExact) {
    std::mt19937 rng(5);
    const auto make = [&](int w, int h, int kind) {
        rm::Picture p;
        p.width = w;
        p.height = h;
        p.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const auto at = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                static_cast<std::size_t>(x);
                if (kind == 0) {
                    // Bands of 40 identical rows, so that many repeat across a part's edge.
                    p.pixels[at] = rm::MakeColor(static_cast<std::uint8_t>(y / 40 * 37 + x),
                                                 static_cast<std::uint8_t>(x * 3), 200, 255);
                } else {
                    p.pixels[at] = static_cast<rm::D3DCOLOR>(rng()) | 0xFF000000U;
                }
            }
        }
        return p;
    };
    const rm::Picture pictures[] = {make(517, 1031, 0), make(1, 900, 0), make(700, 700, 1),
                                    make(640, 1, 1)};
    for (const rm::Picture& in : pictures) {
        ExpectExactRoundTrip(in, "parts.png");
    }
}

TEST(PngWriter, ReportsAFileThatCannotBeCreated) {
    const std::string path = TempPath("no/such/dir/x.png");
    std::string error;
    EXPECT_FALSE(rm::WritePng(path, Sample(2, 2), &error));
    EXPECT_NE(error.find("x.png"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(path));
}

TEST(PngWriter, RefusesEmptyPictures) {
    const std::string path = TempPath("empty.png");
    std::string error;
    EXPECT_FALSE(rm::WritePng(path, rm::Picture{}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(rm::WritePng(path, rm::PictureView{3, 3, nullptr}, &error));
    rm::Picture shortOne;
    shortOne.width = 4;
    shortOne.height = 4;
    shortOne.pixels.resize(3);
    EXPECT_FALSE(rm::WritePng(path, shortOne, &error));
    EXPECT_FALSE(fs::exists(path));
}

TEST(PngWriter, AWriteErrorIsReportedAndADeviceIsNotRemoved) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    std::string error;
    EXPECT_FALSE(rm::WritePng("/dev/full", Sample(8, 8), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::exists("/dev/full"));
}

// The child of APartialFileIsRemoved: a file size limit makes the write fail half way.
[[noreturn]] void WriteNoiseUnderASizeLimit(const std::string& path) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    rm::Picture noise;
    noise.width = 256;
    noise.height = 256;
    noise.pixels.resize(256 * 256);
    std::mt19937 rng(7);
    for (auto& p : noise.pixels) {
        p = static_cast<rm::D3DCOLOR>(rng());
    }
    std::string error;
    const bool ok = rm::WritePng(path, noise, &error);
    std::exit(!ok && !error.empty() && !fs::exists(path) ? 0 : 1);
}

TEST(PngWriterDeathTest, APartialFileIsRemoved) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = TempPath("partial.png");
    fs::remove(path);
    EXPECT_EXIT(WriteNoiseUnderASizeLimit(path), ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(fs::exists(path));
}

TEST(PngReader, ReportsMissingAndMalformedFiles) {
    rm::Picture out;
    std::string error;
    EXPECT_FALSE(rm::ReadPng(TempPath("does_not_exist.png"), out, &error));
    EXPECT_FALSE(error.empty());
    const std::string junk = TempPath("junk.png");
    std::ofstream(junk) << "not a png at all";
    error.clear();
    EXPECT_FALSE(rm::ReadPng(junk, out, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(out.Empty());
    fs::remove(junk);
}

}  // namespace
